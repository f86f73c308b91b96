"""Reading a file into pandas DataFrames."""

import os
import warnings
from datetime import datetime, timedelta

import numpy as np
import pandas as pd

from . import _savkit
from ._errors import DamagedFileWarning, Error
from ._facts import SECONDS_TO_1970
from ._metadata import Metadata, from_library

_UNIX_EPOCH = datetime(1970, 1, 1)


def _times(name, kind, values):
    """A time column as the extension module hands it over."""
    if kind in ("date", "datetime"):
        return values.view("M8[ns]")
    if kind == "duration":
        return values.view("m8[ns]")
    # Past what nanoseconds hold: Python objects, which reach years 1 to 9999.
    try:
        if kind == "duration-seconds":
            return np.array([None if np.isnan(s) else timedelta(seconds=float(s)) for s in values], dtype=object)
        return np.array([None if np.isnan(s) else _UNIX_EPOCH + timedelta(seconds=float(s)) for s in values],
                        dtype=object)
    except OverflowError:
        warnings.warn(f"{name}: times past what Python holds; the column keeps the file's numbers "
                      "(seconds since 14 Oct 1582)", stacklevel=3)
        return values if kind == "duration-seconds" else values + SECONDS_TO_1970


def _shown(label):
    """A label as it is shown: without the blanks files often pad labels with."""
    return label.rstrip(" ")


def _labelled(values, labels, ordered, unlabelled_values=None):
    """A Categorical of the labels (every label of the column, in the order
    of their values, so that the chunks of a file share them), values
    without one standing for themselves after them: those present, or
    unlabelled_values where the whole file's are known."""
    labels = {v: _shown(label) for v, label in labels.items()}
    series = pd.Series(values, copy=False)
    mapped = series.map(labels)
    unlabelled = mapped.isna() & series.notna()
    out = mapped.astype(object)
    out[unlabelled] = series[unlabelled]
    extra = unlabelled_values if unlabelled_values is not None else set(series[unlabelled])
    categories = list(dict.fromkeys([labels[v] for v in sorted(labels)] + sorted(extra)))
    return pd.Categorical(out, categories=categories, ordered=ordered)


def _frame(result, columns, index, apply_value_labels, unlabelled=None):
    """A DataFrame of what Reader.read gave; unlabelled, where given, has
    the values without a label of each labelled column in the whole file."""
    block, parts = result
    data = {}
    for c, p in zip(columns, parts):
        kind, values = ("number", block[p]) if isinstance(p, int) else p  # a row of the block: no copy
        data[c.name] = values if kind in ("number", "string") else _times(c.name, kind, values)
        # Times keep their values; labels are for codes.
        if apply_value_labels and c.value_labels and kind in ("number", "string"):
            extra = None if unlabelled is None else unlabelled.get(c.name, set())
            data[c.name] = _labelled(data[c.name], c.value_labels, c.measure == "ordinal", extra)
    # copy=False: each column stays the array it is; pandas copies nothing.
    return pd.DataFrame(data, index=index, copy=False)


def _rows(value, what):
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)) or value < 0:
        raise ValueError(f"{what} must be a whole number of at least 0, not {value!r}")
    return int(value)


def opened(encoding, open_with, password=None):
    """open_with(encoding or "", password or "") with both checked first; an
    encoding iconv does not know is said to be the option's fault."""
    if encoding is not None and (not isinstance(encoding, str) or not encoding):
        raise TypeError(f"encoding={encoding!r}: give the name of an encoding, as 'windows-1252'")
    if password is not None and (not isinstance(password, str) or not password):
        raise TypeError("password: give the password as a non-empty str")  # never the value itself
    try:
        return open_with(encoding or "", password or "")
    except Error as e:
        if encoding and "iconv" in str(e):
            raise ValueError(f"encoding={encoding!r}: not an encoding iconv knows") from None
        raise


def _open(path, usecols, user_missing, encoding=None, dates=True, password=None):
    if isinstance(usecols, str):
        usecols = [usecols]
    if not isinstance(dates, (bool, np.bool_)):
        raise TypeError(f"dates={dates!r}: True (datetimes) or False (the file's numbers)")
    path = os.fspath(path)
    names = None if usecols is None else [str(c) for c in usecols]
    reader = opened(encoding, lambda e, p: _savkit.Reader(path, names, bool(user_missing), e, bool(dates), p), password)
    fault = reader.fault()
    if fault:  # cut inside a case: the cases before it are there
        warnings.warn(DamagedFileWarning(f"{path}: {reader.rows()} complete cases, then damaged: {fault}"),
                      stacklevel=3)
    return reader


def read_metadata(path, usecols=None, encoding=None, password=None):
    """The Metadata of an SPSS system or portable file, without reading its
    cases: the dictionary alone, in milliseconds whatever the file's size.

        meta = savkit.read_metadata("survey.sav")
        meta.row_count, meta.column_labels
    """
    reader = _open(path, usecols, False, encoding, password=password)
    try:
        return from_library(reader.metadata())
    finally:
        reader.close()


def read_sav(path, usecols=None, row_offset=0, row_limit=None, apply_value_labels=False, user_missing=False,
             encoding=None, dates=True, password=None):
    """Reads an SPSS system file (.sav or .zsav) or portable file (.por)
    into a DataFrame.

    Returns ``(DataFrame, Metadata)``. Numbers are float64; dates and
    date-times datetime64, times timedelta64; strings str without their
    padding. System-missing values are NaN (NaT); user-missing values too,
    unless ``user_missing`` is set. ``apply_value_labels`` turns labelled
    columns into Categoricals of their labels (shown without trailing
    blanks; the Metadata keeps them exact). ``usecols`` names the columns to
    read (any letter case); they come in file order.

    ``encoding`` reads the file's texts in that encoding (as iconv names it,
    "windows-1252", "cp932", ...) whatever the file says, for a file whose
    encoding record is missing or wrong:
    ``read_sav("old.sav", encoding="cp1251")``. ``dates=False`` gives the
    file's own numbers for date and time columns (seconds since
    14 Oct 1582; times and spans in seconds), their formats in the Metadata.
    ``password`` opens a file SPSS encrypted with one (``SAVE /PASSWORD``);
    without it such a file raises FileError, as does a wrong one.
    """
    row_offset = _rows(row_offset, "row_offset")
    if row_limit is not None:
        row_limit = _rows(row_limit, "row_limit")
    reader = _open(path, usecols, user_missing, encoding, dates, password)
    try:
        meta = from_library(reader.metadata())
        start = min(row_offset, meta.row_count)
        count = meta.row_count - start if row_limit is None else min(row_limit, meta.row_count - start)
        result = reader.read(start, count)
        frame = _frame(result, meta.columns, pd.RangeIndex(count), apply_value_labels)
    finally:
        reader.close()
    return frame, meta


class Chunks:
    """The cases of a file as DataFrames of ``chunksize`` rows, indexed by
    case (0-based), read as they are asked for. ``metadata`` describes them."""

    def __init__(self, path, chunksize, usecols=None, apply_value_labels=False, user_missing=False, encoding=None,
                 dates=True, password=None):
        self._size = _rows(chunksize, "chunksize")
        if self._size == 0:
            raise ValueError("chunksize must be at least 1")
        self._reader = _open(path, usecols, user_missing, encoding, dates, password)
        self.metadata: Metadata = from_library(self._reader.metadata())
        self._labels = apply_value_labels
        self._next = 0

    def __iter__(self):
        return self

    def __next__(self):
        total = self.metadata.row_count
        if self._reader is None or self._next >= total:
            self.close()
            raise StopIteration
        start = self._next
        count = min(self._size, total - start)
        result = self._reader.read(start, count)
        self._next = start + count
        return _frame(result, self.metadata.columns, pd.RangeIndex(start, start + count), self._labels)

    def close(self):
        if self._reader is not None:
            self._reader.close()
            self._reader = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def read_sav_chunks(path, chunksize, usecols=None, apply_value_labels=False, user_missing=False, encoding=None,
                    dates=True, password=None):
    """Iterates over the file's cases in DataFrames of ``chunksize`` rows;
    memory stays bounded by the chunk. The options are read_sav's.

    With ``apply_value_labels`` every chunk's Categoricals have all the
    labels of their column as categories, so ``pd.concat(chunks)`` keeps
    them Categorical; a chunk holding values without a label adds those
    after them (``pandas.api.types.union_categoricals`` joins such chunks).
    """
    return Chunks(path, chunksize, usecols, apply_value_labels, user_missing, encoding, dates, password)


def read_por(path, **options):
    """Reads an SPSS portable file (.por): read_sav by the name analysts
    know from pyreadstat and haven; read_sav reads portable files as well."""
    return read_sav(path, **options)
