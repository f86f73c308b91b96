"""A frame that comes in partitions, written as one file: each partition is
summed up in the few rows that decide its columns' definitions (the
longest text, the largest number, a fraction, a time of day), and every
partition's values are then made to fit what all of them decided."""

import numbers
from datetime import datetime, time, timedelta

import numpy as np
import pandas as pd

from ._columns import column
from ._errors import Error
from ._write import codec_of


def _first(mask):
    found = np.flatnonzero(mask)
    return [int(found[0])] if len(found) else []


def _numbers(values):
    finite = np.isfinite(values)
    if not finite.any():
        return _first(~np.isnan(values))
    where = np.flatnonzero(finite)
    chosen = values[where]
    rows = [int(where[np.argmax(chosen)]), int(where[np.argmin(chosen)])]
    return rows + _first(finite & (values != np.floor(np.where(finite, values, 0))))


def _times(ns, day):
    present = ns != np.iinfo("i8").min
    return _first(present) + _first(present & (ns % 10**9 != 0)) + (_first(present & (ns % day != 0)) if day else [])


def _texts(items, codec):
    rows = []
    texts = [(i, v) for i, v in enumerate(items) if isinstance(v, str)]
    if texts:
        rows.append(max(texts, key=lambda t: len(t[1].encode("utf-8", "surrogatepass")))[0])
        if codec:
            rows.append(max(texts, key=lambda t: len(t[1].encode(codec, "replace")))[0])
            rows += [next((i for i, v in texts if not _fits(v, codec)), rows[0])]
    return rows


def _fits(text, codec):
    try:
        text.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def _objects(items, codec):
    """Rows of an object column: its deciding texts, and of other values the
    first of each type and those that decide a number's or a time's format."""
    rows = _texts(items, codec)
    seen = set()
    numeric = np.full(len(items), np.nan)
    for i, v in enumerate(items):
        if v is None or isinstance(v, str):
            continue
        if type(v) not in seen:
            seen.add(type(v))
            rows.append(i)
        if isinstance(v, numbers.Number) and not isinstance(v, bool):
            numeric[i] = float(v)
        elif isinstance(v, (datetime, time)) and (v.microsecond or (isinstance(v, datetime) and v.time() != time())):
            rows.append(i)
        elif isinstance(v, timedelta) and v.microseconds:
            rows.append(i)
    return rows + _numbers(numeric)


def deciding_rows(series, codec):
    """Positions of the values of series that decide its column's definition."""
    dtype = series.dtype
    if len(series) == 0:
        return []
    if isinstance(dtype, pd.CategoricalDtype) or pd.api.types.is_bool_dtype(dtype):
        return [0]  # a Categorical's categories decide, and they are in its dtype
    if pd.api.types.is_numeric_dtype(dtype) and not pd.api.types.is_complex_dtype(dtype):
        return _numbers(series.to_numpy(dtype="f8", na_value=np.nan))
    if pd.api.types.is_datetime64_any_dtype(dtype):
        if getattr(dtype, "tz", None) is not None:
            series = series.dt.tz_localize(None)
        return _times(series.to_numpy(dtype="M8[ns]").view("i8"), 86400 * 10**9)
    if pd.api.types.is_timedelta64_dtype(dtype):
        return _times(series.to_numpy(dtype="m8[ns]").view("i8"), 0)
    return _objects(series.to_numpy(dtype=object), codec)


class Sample:
    """The deciding rows of every partition, as one small frame whose
    Categoricals have the categories of all partitions."""

    @staticmethod
    def of(df, plan):
        codec = codec_of(plan.asked or (plan.metadata.encoding if plan.metadata else ""))
        rows = set()
        for name in df.columns:
            rows.update(deciding_rows(df[name], codec))
        return df.iloc[sorted(rows)]

    def __init__(self, samples):
        self.categories = {}
        for s in samples:
            for name in s.columns:
                if isinstance(s[name].dtype, pd.CategoricalDtype):
                    known = self.categories.setdefault(name, [])
                    known += [c for c in s[name].cat.categories if c not in known]
        self.frame = pd.concat([self.conform(s) for s in samples])

    def conform(self, df):
        """df with its Categoricals on the categories of all partitions."""
        for name, categories in self.categories.items():
            if isinstance(df[name].dtype, pd.CategoricalDtype):
                df = df.copy(deep=False)
                df[name] = df[name].cat.set_categories(categories)
        return df


def values_as(plan, definition, name, series):
    """A partition's values of a column that definition, made from all
    partitions, describes."""
    own, values = column(name, series, plan.column_meta(name))
    if own["type"] == definition["type"]:
        return values
    if series.isna().all():  # no value says what it is
        return np.full(len(series), np.nan) if definition["type"] == "numeric" else [""] * len(series)
    raise Error(f"{name}: a partition holds {own['type']} values in a column of {definition['type']} values")
