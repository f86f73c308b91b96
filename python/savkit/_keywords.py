"""write_sav's keywords by column (pyreadstat's names), laid over the
metadata: each one given replaces what it names and leaves the rest."""

import copy
import numbers
import re

from ._checks import check_column
from ._facts import format_type
from ._metadata import Column, Metadata

_MEASURES = ("nominal", "ordinal", "scale", "unknown")
_FORMAT = re.compile(r"[A-Za-z]+\d+(\.\d+)?$")
_DOCUMENT_LINE_BYTES = 80


def by_name(keyword, given, names):
    """{column name: value} of a keyword: a dict by name (letter case aside
    where no name matches exactly), or a list by position."""
    if isinstance(given, dict):
        upper = {n.upper(): n for n in names}
        out = {}
        for key, value in given.items():
            name = str(key) if str(key) in names else upper.get(str(key).upper())
            if name is None:
                raise KeyError(f"{keyword}: the DataFrame has no column {key!r}")
            out[name] = value
        return out
    if isinstance(given, (list, tuple)):
        if len(given) != len(names):
            raise ValueError(f"{keyword}: a list of {len(given)} for {len(names)} columns")
        return {n: v for n, v in zip(names, given) if v is not None}
    raise TypeError(f"{keyword}: a dict by column name or a list by position, not {type(given).__name__}")


def _missing(name, items):
    """pyreadstat's missing values: up to three values, or a {"lo": , "hi": }
    range and at most one value."""
    if not isinstance(items, (list, tuple)):
        raise TypeError(f"missing_ranges: {name}: a list of values and {{'lo': , 'hi': }} ranges, not {items!r}")
    values, ranges = [], []
    for item in items:
        if isinstance(item, dict):
            if set(item) != {"lo", "hi"}:
                raise ValueError(f"missing_ranges: {name}: a range is {{'lo': low, 'hi': high}}, not {item!r}")
            ranges.append((item["lo"], item["hi"]))
        else:
            values.append(item)
    if len(ranges) > 1 or len(values) + 2 * len(ranges) > 3:
        raise ValueError(f"missing_ranges: {name}: at most three values, or one range and one value, not {items!r}")
    return values, ranges[0] if ranges else None


def _set(keyword, column, name, value):
    if keyword == "column_labels":
        column.label = value
    elif keyword == "variable_value_labels":
        if not isinstance(value, dict):
            raise TypeError(f"{keyword}: {name}: a dict of values to labels, not {value!r}")
        column.value_labels = dict(value)
    elif keyword == "missing_ranges":
        column.missing_values, column.missing_range = _missing(name, value)
    elif keyword == "variable_measure":
        if value not in _MEASURES:
            raise ValueError(f"{keyword}: {name}: {value!r}; use {', '.join(_MEASURES)}")
        column.measure = value
    elif keyword == "variable_format":
        if not isinstance(value, str) or not _FORMAT.match(value):
            raise ValueError(f"{keyword}: {name}: {value!r} is no format, as F8.2, A20 or DATE11")
        column.format = value.upper()
        if format_type(value) == "A":  # a text's format is its width
            column.width = int(re.match(r"[A-Za-z]+(\d+)", value).group(1))
    elif keyword == "variable_display_width":
        if isinstance(value, bool) or not isinstance(value, numbers.Integral) or not 0 <= value <= 32767:
            raise ValueError(f"{keyword}: {name}: {value!r} is no width of 0 to 32767")
        column.display_width = int(value)
    try:
        check_column(column)
    except (TypeError, ValueError) as e:
        raise type(e)(f"{keyword}: {e}") from None


def _note_lines(note):
    """The documents a note makes: its lines, each wrapped between words to
    the 80 bytes a file's line holds."""
    if isinstance(note, str):
        note = [note]
    if not isinstance(note, (list, tuple)) or not all(isinstance(n, str) for n in note):
        raise TypeError(f"note: a str or a list of str, not {note!r}")
    lines = []
    for text in note:
        for line in text.split("\n"):
            lines.extend(_wrap(line.rstrip("\r")))
    return lines


def _wrap(line):
    out, current = [], ""
    for word in re.split(r"(?<= )", line):  # each word with the blanks after it
        while len((current + word).encode("utf-8")) > _DOCUMENT_LINE_BYTES:
            if current:
                out.append(current.rstrip(" "))
                current = ""
            else:  # a word longer than a line: cut between characters
                cut = len(word)
                while len(word[:cut].encode("utf-8")) > _DOCUMENT_LINE_BYTES:
                    cut -= 1
                out.append(word[:cut])
                word = word[cut:]
        current += word
    out.append(current)
    return out


KEYWORDS = ("column_labels", "variable_value_labels", "missing_ranges", "variable_measure", "variable_format",
            "variable_display_width")


def with_keywords(names, metadata, keywords, file_label=None, note=None):
    """metadata (or an empty one) with the keywords given laid over it, for
    the DataFrame's column names."""
    if all(v is None for v in keywords.values()) and file_label is None and note is None:
        return metadata
    meta = copy.deepcopy(metadata) if metadata is not None else Metadata()
    for keyword in KEYWORDS:
        given = keywords.get(keyword)
        if given is None:
            continue
        for name, value in by_name(keyword, given, names).items():
            column = meta.column(name)
            if column is None:
                column = Column(name)
                meta.columns.append(column)
            _set(keyword, column, name, value)
    if file_label is not None:
        if not isinstance(file_label, str):
            raise TypeError(f"file_label: a str, not {file_label!r}")
        meta.file_label = file_label
    if note is not None:
        meta.documents = _note_lines(note)
    return meta
