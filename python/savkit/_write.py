"""Writing a DataFrame to a new SPSS system file."""

import codecs
import numbers
import os
import re
import warnings
from dataclasses import asdict
from datetime import date, datetime, timedelta

import numpy as np
import pandas as pd

from . import _savkit
from ._checks import check_metadata
from ._errors import Error, TextCutWarning
from ._facts import SECONDS_TO_1970, format_type
from ._metadata import Metadata, within

_COMPRESSION = {"none": 0, "bytecode": 1, "zlib": 2}
# The file's day zero, 14 Oct 1582, and 1 Jan 1970, in the file's seconds.
_DAY_ZERO = datetime(1582, 10, 14)
_TEXT_FORMATS = ("A", "AHEX")



def _seconds(ns, offset):
    """int64 nanoseconds (NaT the least int64) as float seconds + offset,
    whole seconds exactly."""
    ns = np.asarray(ns, dtype="i8")
    whole, part = np.divmod(ns, 10**9)
    out = (whole + offset).astype("f8") + part / 1e9
    out[ns == np.iinfo("i8").min] = np.nan
    return out


def _time_values(name, values):
    """A column of Python dates, date-times or durations, missing as None."""
    out = np.full(len(values), np.nan)
    kind = None
    for i, v in enumerate(values):
        if v is None or v is pd.NaT or (isinstance(v, float) and np.isnan(v)):
            continue
        if isinstance(v, timedelta):
            out[i], k = v.total_seconds(), "duration"
        elif isinstance(v, datetime):
            out[i], k = (v.replace(tzinfo=None) - _DAY_ZERO).total_seconds(), "datetime"
        else:
            out[i], k = (datetime(v.year, v.month, v.day) - _DAY_ZERO).total_seconds(), "date"
        if kind not in (None, k) and {kind, k} != {"date", "datetime"}:
            raise Error(f"{name}: a column of both times and durations")
        kind = k if kind in (None, k) else "datetime"
    return out, kind


def _time_format(kind, seconds):
    finite = seconds[~np.isnan(seconds)]
    fraction = bool(np.any(finite != np.floor(finite)))
    if kind == "duration":
        return "TIME11.2" if fraction else "TIME8"
    if kind == "date" or (len(finite) and not fraction and np.all(finite % 86400 == 0)):
        return "DATE11"
    return "DATETIME23.2" if fraction else "DATETIME20"


def _format_width(fmt):
    """The width of a format, as 8 of "F8.2"; 8 for a text that is none."""
    found = re.match(r"[A-Za-z]+(\d+)", fmt)
    return int(found.group(1)) if found else 8


def _number_format(values):
    finite = values[np.isfinite(values)]
    if len(finite) and np.all(finite == np.floor(finite)) and np.all(np.abs(finite) < 1e15):
        digits = len(str(int(np.max(np.abs(finite))))) + int(np.any(finite < 0))
        return f"F{max(digits, 1)}.0"
    return "F8.2"


def _object_kind(name, values):
    """What an object column holds: "string", "number" or "time"."""
    seen = set()
    for v in values:
        if v is None or v is pd.NaT or v is pd.NA or (isinstance(v, float) and np.isnan(v)):
            continue
        if isinstance(v, str):
            seen.add("string")
        elif isinstance(v, (bool, np.bool_, numbers.Number)):
            seen.add("number")
        elif isinstance(v, (date, timedelta)):
            seen.add("time")
        else:
            raise Error(f"{name}: a value of type {type(v).__name__}, which a file cannot hold")
    if len(seen) > 1:
        raise Error(f"{name}: a column of {' and '.join(sorted(seen))} values; a file's column holds one kind")
    return seen.pop() if seen else "string"


def _texts(values):
    return [v if isinstance(v, str) else "" for v in values]


def _categorical(name, series, meta):
    """Codes for a Categorical: the values its labels stand for in the
    metadata, the categories themselves where they are values, or else
    1, 2, ... with the categories as their labels."""
    cats = list(series.cat.categories)
    codes = series.cat.codes.to_numpy()
    labels = dict(meta.value_labels) if meta else {}
    reverse = {}
    for value, label in labels.items():
        reverse.setdefault(label, value)
    if meta and meta.type == "string":
        mapped = [reverse.get(c, c if isinstance(c, str) else str(c)) for c in cats]
        values = [None if k < 0 else mapped[k] for k in codes]
        return "string", _texts(values), labels, None
    mapped = [reverse.get(c, c if isinstance(c, numbers.Number) and not isinstance(c, bool) else None) for c in cats]
    if any(m is None for m in mapped):
        mapped = list(range(1, len(cats) + 1))
        labels = {float(i + 1): str(c) for i, c in enumerate(cats)}
    table = np.array([float(m) for m in mapped] + [np.nan])
    measure = "ordinal" if series.cat.ordered else "nominal"
    return "number", table[np.where(codes < 0, len(cats), codes)], labels, measure


def _texts_width(name, values):
    try:
        return _savkit.texts_width(values)
    except UnicodeEncodeError:
        raise ValueError(f"{name}: a text holds a lone surrogate, which a file cannot hold") from None


def _column(name, series, meta):
    """The column's definition for the library, and its values."""
    labels, measure, fmt, boolean, text_width = None, None, None, False, -1
    dtype = series.dtype
    if isinstance(dtype, pd.CategoricalDtype):
        kind, values, labels, measure = _categorical(name, series, meta)
        fmt = _number_format if kind == "number" else None
    elif pd.api.types.is_bool_dtype(dtype) or pd.api.types.is_numeric_dtype(dtype):
        if pd.api.types.is_complex_dtype(dtype):
            raise Error(f"{name}: complex numbers, which a file cannot hold")
        kind, values = "number", series.to_numpy(dtype="f8", na_value=np.nan)
        boolean = pd.api.types.is_bool_dtype(dtype)
        fmt = "F1.0" if boolean else _number_format
    elif pd.api.types.is_datetime64_any_dtype(dtype):
        if getattr(dtype, "tz", None) is not None:
            series = series.dt.tz_localize(None)
        kind, values = "number", _seconds(series.to_numpy(dtype="M8[ns]").view("i8"), SECONDS_TO_1970)
        fmt = _time_format("datetime", values)
    elif pd.api.types.is_timedelta64_dtype(dtype):
        kind, values = "number", _seconds(series.to_numpy(dtype="m8[ns]").view("i8"), 0)
        fmt = _time_format("duration", values)
    elif pd.api.types.is_object_dtype(dtype) or pd.api.types.is_string_dtype(dtype):
        raw = np.ascontiguousarray(series.to_numpy(dtype=object))
        # Texts with None or NaN for missing, the common case, are checked
        # and measured in one pass in the module.
        text_width = _texts_width(name, raw)
        kind = "string" if text_width >= 0 else _object_kind(name, raw)
        if kind == "number":
            values = np.array([np.nan if v is None or v is pd.NA else float(v) for v in raw])
            fmt = _number_format
        elif kind == "time":
            values, time_kind = _time_values(name, raw)
            kind, fmt = "number", _time_format(time_kind, values)
        else:
            values = raw if text_width >= 0 else _texts(raw)
    else:
        raise Error(f"{name}: values of type {dtype}, which a file cannot hold")

    # The metadata's fields complete what the data say; a type it gives that
    # the data contradict leaves its formats and labels out.
    same = meta is not None and (meta.type is None or (meta.type == "string") == (kind == "string"))
    definition = {"name": name, "type": "string" if kind == "string" else "numeric",
            "label": meta.label if meta else "", "value_labels": {}, "missing_values": [],
            "missing_range": None, "role": meta.role if meta else None,
            "attributes": dict(meta.attributes) if meta else {}}
    if kind == "string":
        if text_width < 0:
            text_width = _texts_width(name, values)
        width = max(text_width, 1, (meta.width or 0) if same else 0)
        if width > 32767:
            raise Error(f"{name}: a text of {width} bytes; a file's texts hold at most 32767")
        definition.update(width=width, file_width=width, kept_width=(meta.width or 0) if same else 0, format=f"A{width}",
                          measure="nominal", alignment="left", display_width=min(width, 40))
    else:
        # A number's format is worked out from its values where the metadata
        # gives none, which takes a pass over them.
        text_format = same and meta.format is not None and format_type(meta.format) in _TEXT_FORMATS
        if same and meta.format is not None and not text_format and not boolean:
            fmt = meta.format
        elif callable(fmt):
            fmt = fmt(values)
        definition.update(width=0, format=fmt, measure=measure or "scale", alignment="right",
                    display_width=min(_format_width(fmt), 40))
    if same:
        if meta.format is not None and format_type(meta.format) == "AHEX":
            definition["format"] = meta.format
        definition.update(value_labels=dict(meta.value_labels), missing_values=list(meta.missing_values),
                    missing_range=meta.missing_range)
    if meta is not None:
        given = {k: getattr(meta, k) for k in ("alignment", "display_width") if getattr(meta, k) is not None}
        definition.update(measure=measure or meta.measure or definition["measure"], **given)
    if labels is not None:
        definition["value_labels"] = labels
    return definition, values


def _codec(name):
    """Python's codec of an encoding a file names, or None where Python has none."""
    try:
        return codecs.lookup(name).name
    except LookupError:
        return None


def _texts_of(columns, data, file):
    """Every text the file will hold, each with where it is."""
    for c, values in zip(columns, data):
        where = c["name"]
        yield where, c["name"]
        yield where, c["label"]
        for value, label in c["value_labels"].items():
            yield where, label
            if isinstance(value, str):
                yield where, value
        for v in c["missing_values"]:
            if isinstance(v, str):
                yield where, v
        for key, text in c["attributes"].items():
            yield where, key
            yield where, text
        if c["type"] == "string":
            for v in values:
                if isinstance(v, str):
                    yield where, v
    yield "file label", file["file_label"]
    for line in file["documents"]:
        yield "documents", line
    for key, text in file["file_attributes"].items():
        yield "file attributes", key
        yield "file attributes", text
    for name, members in file["variable_sets"].items():
        yield "variable sets", name
    for m in file["mr_sets"]:
        yield "multiple-response sets", m["name"]
        yield "multiple-response sets", m["label"]


def _encoding(columns, data, file, asked, kept):
    """The encoding to write in: the one asked for (a text it lacks is named),
    else the metadata's, else UTF-8 ("")."""
    name = asked if asked is not None else kept
    if not name:
        return ""
    codec = _codec(name)
    if codec == "utf-8":
        return ""
    if codec is None:
        if asked is not None:
            raise ValueError(f"encoding {asked!r}: not an encoding Python knows")
        return ""
    if asked is not None:
        for where, text in _texts_of(columns, data, file):
            try:
                text.encode(codec)
            except UnicodeEncodeError:
                raise ValueError(f"{where}: {text!r} has a character {asked} lacks") from None
    # The metadata's is tried: the library refuses a text that does not fit
    # (its converter is the judge, which knows characters Python's may not),
    # and the file is then written in UTF-8.
    return name


def _fit_widths(columns, data, encoding):
    """String widths in the file's bytes; in a code page the values' width in
    UTF-8 is three times that, up to 32767, as a reader of the file takes it."""
    codec = _codec(encoding) if encoding else "utf-8"

    def size(text):  # a character Python's codec lacks counts as one byte; the library checks
        return len(text.encode(codec, "replace" if encoding else "surrogatepass"))

    for c, values in zip(columns, data):
        for v in c["missing_values"]:
            if isinstance(v, str) and size(v) > 8:
                raise Error(f"{c['name']}: the missing value {v!r} takes {size(v)} bytes in "
                            f"{encoding or 'UTF-8'}; a file's missing texts take at most 8")
        if c["type"] != "string" or not encoding:
            continue
        longest = max((size(v) for v in values if isinstance(v, str)), default=0)
        c["file_width"] = max(longest, 1, c["kept_width"])
        c["width"] = max(c["width"], min(3 * c["file_width"], 32767))


def _refuse_bad_text(item, where):
    """A NUL character would cut a text where the library takes it, and a
    lone surrogate is no character a file can hold: both refused, named."""
    if isinstance(item, str):
        if "\0" in item:
            raise ValueError(f"{where}: {item!r} holds a NUL character, which a file cannot hold")
        try:
            item.encode("utf-8")
        except UnicodeEncodeError:
            raise ValueError(f"{where}: {item!r} holds a lone surrogate, which a file cannot hold") from None
    elif isinstance(item, dict):
        for key, value in item.items():
            _refuse_bad_text(key, where)
            _refuse_bad_text(value, where)
    elif isinstance(item, (list, tuple)):
        for value in item:
            _refuse_bad_text(value, where)


# What the format holds, in the file's bytes: longer texts are cut, and said so.
_VALUE_LABEL_BYTES, _FILE_LABEL_BYTES, _DOCUMENT_LINE_BYTES = 120, 64, 80
_EXC_STRVALUE = 47  # the library's status for a text the file's encoding cannot hold


def _check_lengths(columns, file, encoding):
    codec = _codec(encoding) if encoding else "utf-8"

    def size(text):
        return len(text.encode(codec, "replace" if encoding else "surrogatepass"))

    for c in columns:
        for value, label in c["value_labels"].items():
            if size(label) > _VALUE_LABEL_BYTES:
                warnings.warn(f"{c['name']}: the label of {value!r} is cut to {_VALUE_LABEL_BYTES} bytes",
                              TextCutWarning, stacklevel=4)
    if size(file["file_label"]) > _FILE_LABEL_BYTES:
        warnings.warn(f"file label: cut to {_FILE_LABEL_BYTES} bytes", TextCutWarning, stacklevel=4)
    for i, line in enumerate(file["documents"], 1):
        if "\n" in line or size(line) > _DOCUMENT_LINE_BYTES:
            raise ValueError(f"documents: line {i} is no line of at most {_DOCUMENT_LINE_BYTES} bytes")


def write_sav(df, path, metadata=None, compression="bytecode", encoding=None):
    """Writes a DataFrame to a new SPSS system file, in one step: the file
    appears complete under its name, or whatever was there stays.

    Numbers, strings (their width the longest text's, in UTF-8 bytes),
    datetimes, timedeltas and Categoricals (as their values, or codes with
    the categories as value labels) are written. ``metadata`` (a Metadata,
    as read_sav returns) gives labels, formats, value labels, missing values,
    measures and sets of the columns it names; a field it leaves None is
    worked out from the data. ``compression``: "none", "bytecode" or "zlib".
    The file is written in ``encoding`` (a text it lacks is a ValueError),
    else in the metadata's where every text fits it,
    else in UTF-8.
    """
    if not isinstance(df, pd.DataFrame):
        raise TypeError(f"write_sav takes a DataFrame, not {type(df).__name__}")
    if compression not in _COMPRESSION:
        raise ValueError(f"compression {compression!r}: use none, bytecode or zlib")
    if metadata is not None and not isinstance(metadata, Metadata):
        raise TypeError(f"metadata is a savkit.Metadata, not {type(metadata).__name__}")
    if metadata is not None:
        check_metadata(metadata)
    if not df.columns.is_unique:
        raise Error("the DataFrame has two columns of one name")
    path = os.fspath(path)
    if "\0" in (path if isinstance(path, str) else path.decode("utf-8", "replace")):
        raise ValueError("embedded null byte")  # as open() says
    columns, data = [], []
    for name in df.columns:
        meta = metadata.column(name) if metadata else None
        _refuse_bad_text(str(name), "column name")
        definition, values = _column(str(name), df[name], meta)
        _refuse_bad_text(definition, str(name))
        columns.append(definition)
        data.append(values)
    file = {"file_label": "", "weight": None, "variable_sets": {}, "mr_sets": [], "file_attributes": {},
            "documents": []}
    if metadata is not None:
        # Sets and a weight naming columns the DataFrame lacks are left out.
        kept = within(metadata, df.columns)
        file.update(file_label=kept.file_label, file_attributes=dict(kept.file_attributes), weight=kept.weight,
                    variable_sets=kept.variable_sets, mr_sets=[asdict(s) for s in kept.mr_sets],
                    documents=list(kept.documents))
    _refuse_bad_text(file, "file")
    path = path if isinstance(path, str) else os.fsdecode(path)
    target = _encoding(columns, data, file, encoding, metadata.encoding if metadata else "")
    try:
        _write_in(path, columns, data, file, len(df), _COMPRESSION[compression], target)
    except Error as e:
        # The library's converter may lack a character Python's codec has:
        # then the file is UTF-8, as where a text does not fit.
        if not target or encoding is not None or e.status != _EXC_STRVALUE:
            raise
        _write_in(path, columns, data, file, len(df), _COMPRESSION[compression], "")


def _write_in(path, columns, data, file, rows, compression, encoding):
    columns = [dict(c) for c in columns]  # widths depend on the encoding
    file = dict(file, encoding=encoding)
    _fit_widths(columns, data, encoding)
    _check_lengths(columns, file, encoding)
    _savkit.write(path, columns, data, file, rows, compression)
