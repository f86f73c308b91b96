"""Writing a DataFrame to a new SPSS system file."""

import codecs
import os
import re
import warnings
from dataclasses import asdict

import pandas as pd

from . import _savkit
from ._checks import check_metadata
from ._columns import column
from ._errors import Error, TextCutWarning
from ._facts import format_type
from ._keywords import KEYWORDS, by_name, with_keywords
from ._metadata import Metadata, within

_COMPRESSION = {"none": 0, "bytecode": 1, "zlib": 2}
_PORTABLE = -1  # the writer's code for a portable file


def codec_of(name):
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
    codec = codec_of(name)
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
    codec = codec_of(encoding) if encoding else "utf-8"

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
    codec = codec_of(encoding) if encoding else "utf-8"

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


def write_sav(df, path, metadata=None, compression="bytecode", encoding=None, column_labels=None,
              variable_value_labels=None, missing_ranges=None, variable_measure=None, variable_format=None,
              variable_display_width=None, file_label=None, note=None):
    """Writes a DataFrame to a new SPSS system file, in one step: the file
    appears complete under its name, or whatever was there stays.

    Numbers, strings (their width the longest text's, in UTF-8 bytes),
    datetimes, timedeltas, times of day (as TIME) and Categoricals (as their
    values, or codes with the categories as value labels) are written.
    ``metadata`` (a Metadata, as read_sav returns) gives labels, formats,
    value labels, missing values, measures and sets of the columns it names;
    a field it leaves None is worked out from the data. ``compression``:
    "none", "bytecode" or "zlib". The file is written in ``encoding`` (a
    text it lacks is a ValueError), else in the metadata's where every text
    fits it, else in UTF-8.

    pyreadstat's keywords, each laid over the metadata for what it names
    (dicts by column name, lists by column position; a name the DataFrame
    lacks is a KeyError):

    - ``column_labels``: labels, ``{"age": "Age in years"}`` or a list;
    - ``variable_value_labels``: ``{"sex": {1: "male", 2: "female"}}``;
    - ``missing_ranges``: up to three values, or one range and one value,
      ``{"age": [99, {"lo": 900, "hi": 999}], "city": ["n/a"]}``;
    - ``variable_measure``: "nominal", "ordinal" or "scale";
    - ``variable_format``: ``{"income": "F10.2", "born": "DATE11"}``;
    - ``variable_display_width``: ``{"city": 30}``;
    - ``file_label``: the file's label (64 bytes at most);
    - ``note``: the file's documents, a str or a list of str; lines longer
      than a file's 80 bytes are wrapped between words.

        savkit.write_sav(df, "out.sav", column_labels={"age": "Age"},
                         variable_value_labels={"sex": {1: "male", 2: "female"}},
                         missing_ranges={"age": [{"lo": 900, "hi": 999}]}, note="Wave 2")
    """
    if not isinstance(df, pd.DataFrame):
        raise TypeError(f"write_sav takes a DataFrame, not {type(df).__name__}")
    keywords = dict(column_labels=column_labels, variable_value_labels=variable_value_labels,
                    missing_ranges=missing_ranges, variable_measure=variable_measure, variable_format=variable_format,
                    variable_display_width=variable_display_width, file_label=file_label, note=note)
    plan = Plan(df, path, metadata, compression, encoding, keywords)
    definitions, data = plan.define(df)
    plan.write(definitions, data, lambda: [(data, len(df))])


def write_por(df, path, metadata=None, **keywords):
    """Writes a DataFrame to a new SPSS portable file (.por), as PSPP's
    EXPORT does; the options are write_sav's but compression and encoding.

    A portable file names variables by up to 8 capitals and digits (longer
    names are written as short ones, with a warning), holds strings of up to
    255 bytes and texts in its own character set (ASCII and a few signs such
    as ± and £): a column or text beyond those raises Error naming it.
    Labels past 255 bytes keep their first 255, with a warning, as do sets
    and attributes, which it leaves out; measures and display widths are
    not kept.
    """
    if not isinstance(df, pd.DataFrame):
        raise TypeError(f"write_por takes a DataFrame, not {type(df).__name__}")
    unknown = set(keywords) - set(_KEYWORDS)
    if unknown:
        raise TypeError(f"write_por: no option {sorted(unknown)[0]!r}")
    plan = Plan(df, path, metadata, "none", None, {k: keywords.get(k) for k in _KEYWORDS})
    plan.compression = _PORTABLE
    renamed = [n for n in plan.names if not re.fullmatch(r"[A-Za-z][A-Za-z0-9@$_.]{0,7}", n)]
    if renamed:
        warnings.warn(f"{plan.path}: a portable file names variables by up to 8 letters and digits: "
                      f"{', '.join(renamed)} are written by short names", UserWarning, stacklevel=2)
    definitions, data = plan.define(df)
    _say_portable_fits(plan.path, definitions, plan.file)
    plan.write(definitions, data, lambda: [(data, len(df))])


def _say_portable_fits(path, definitions, file):
    """Warns of what a portable file holds another way than the metadata:
    labels past 255 bytes keep their first 255, the file label its first 20
    characters; sets and attributes are left out."""
    cut = [c["name"] for c in definitions
           if len(c["label"].encode()) > 255 or any(len(str(t).encode()) > 255 for t in c["value_labels"].values())]
    said = []
    if cut:
        said.append(f"labels past 255 bytes keep their first 255 ({', '.join(cut)})")
    if len(file["file_label"]) > 20:
        said.append("the file label keeps its first 20 characters")
    if file["variable_sets"] or file["mr_sets"] or file["file_attributes"] or any(c["attributes"] for c in definitions):
        said.append("sets and attributes are left out")
    if said:
        warnings.warn(f"{path}: a portable file holds less: " + "; ".join(said), UserWarning, stacklevel=3)


_KEYWORDS = KEYWORDS + ("file_label", "note")  # write_sav's keywords, for write_por


class Plan:
    """What writing a file takes, checked before anything is written: the
    options, the metadata with the keywords over it, the file's facts."""

    def __init__(self, frame, path, metadata, compression, encoding, keywords):
        if compression not in _COMPRESSION:
            raise ValueError(f"compression {compression!r}: use none, bytecode or zlib")
        if metadata is not None and not isinstance(metadata, Metadata):
            raise TypeError(f"metadata is a savkit.Metadata, not {type(metadata).__name__}")
        if metadata is not None:
            check_metadata(metadata)
        if not frame.columns.is_unique:
            raise Error("the DataFrame has two columns of one name")
        path = os.fspath(path)
        if "\0" in (path if isinstance(path, str) else path.decode("utf-8", "replace")):
            raise ValueError("embedded null byte")  # as open() says
        self.path = path if isinstance(path, str) else os.fsdecode(path)
        self.names = [str(c) for c in frame.columns]
        for name in self.names:
            _refuse_bad_text(name, "column name")
        # The formats asked for must fit the data: checked once the data are seen.
        given = keywords.get("variable_format")
        self.formats = by_name("variable_format", given, self.names) if given is not None else {}
        file_label, note = keywords.pop("file_label", None), keywords.pop("note", None)
        self.metadata = with_keywords(self.names, metadata, keywords, file_label=file_label, note=note)
        self.compression = _COMPRESSION[compression]
        self.asked = encoding
        self.file = self._file_facts()

    def column_meta(self, name):
        return self.metadata.column(name) if self.metadata else None

    def define(self, df):
        """The definitions of df's columns, and their values."""
        definitions, data = [], []
        for name in self.names:
            definition, values = column(name, df[name], self.column_meta(name))
            asked = self.formats.get(name)
            if asked is not None and format_type(definition["format"]) != format_type(asked):
                kind = "texts" if definition["type"] == "string" else "numbers"
                raise ValueError(f"variable_format: {name}: {asked} is no format for a column of {kind}")
            _refuse_bad_text(definition, name)
            definitions.append(definition)
            data.append(values)
        return definitions, data

    def _file_facts(self):
        file = {"file_label": "", "weight": None, "variable_sets": {}, "mr_sets": [], "file_attributes": {},
                "documents": []}
        if self.metadata is not None:
            # Sets and a weight naming columns the DataFrame lacks are left out.
            kept = within(self.metadata, self.names)
            file.update(file_label=kept.file_label, file_attributes=dict(kept.file_attributes), weight=kept.weight,
                        variable_sets=kept.variable_sets, mr_sets=[asdict(s) for s in kept.mr_sets],
                        documents=list(kept.documents))
        _refuse_bad_text(file, "file")
        return file

    def write(self, definitions, data, batches):
        """Writes the file: definitions (with data, every text the file will
        hold or the longest of each column) and the cases batches() yields,
        as (data, rows)."""
        if self.compression == _PORTABLE:  # texts go as UTF-8; the file has its own character set
            return self._write_in(definitions, data, "", batches)
        target = _encoding(definitions, data, self.file, self.asked, self.metadata.encoding if self.metadata else "")
        try:
            self._write_in(definitions, data, target, batches)
        except Error as e:
            # The library's converter may lack a character Python's codec has:
            # then the file is UTF-8, as where a text does not fit.
            if not target or self.asked is not None or e.status != _EXC_STRVALUE:
                raise
            self._write_in(definitions, data, "", batches)

    def _write_in(self, definitions, data, encoding, batches):
        definitions = [dict(c) for c in definitions]  # widths depend on the encoding
        file = dict(self.file, encoding=encoding)
        _fit_widths(definitions, data, encoding)
        _check_lengths(definitions, file, encoding)
        writer = _savkit.Writer(self.path, definitions, file, self.compression)
        try:  # dropped unfinished on any failure: nothing appears
            for values, rows in batches():
                writer.write(values, rows)
            writer.finish()
        finally:
            writer.abandon()
