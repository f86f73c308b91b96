"""A DataFrame's columns as a file's variables: the definition the library
takes (type, width, format, labels, measure) and the values it writes."""

import numbers
import re
from datetime import date, datetime, time, timedelta

import numpy as np
import pandas as pd

from . import _savkit
from ._errors import Error
from ._facts import SECONDS_TO_1970, format_type

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
        if isinstance(v, pd.Timestamp):  # pandas' own counts in nanoseconds from 1970, short of 1582
            v = v.to_pydatetime()
        if isinstance(v, timedelta):
            out[i], k = v.total_seconds(), "duration"
        elif isinstance(v, time):  # a time of day: its seconds, shown as TIME
            out[i], k = v.hour * 3600 + v.minute * 60 + v.second + v.microsecond / 1e6, "duration"
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
        elif isinstance(v, (date, time, timedelta)):
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
    for value, label in labels.items():  # as read_sav shows it, without its padding
        reverse.setdefault(label.rstrip(" "), value)
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


def column(name, series, meta):
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
