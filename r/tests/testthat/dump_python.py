"""What the Python package reads of each file given, as JSON, for the R
tests to compare with: per column its format, labels and values (numbers,
times as seconds from 1970, texts; missing as null)."""

import json
import sys

import numpy as np
import pandas as pd

import savkit


def values(series):
    if pd.api.types.is_datetime64_any_dtype(series) or pd.api.types.is_timedelta64_dtype(series):
        ns = series.to_numpy().view("i8").astype("f8")
        return [None if pd.isna(v) else n / 1e9 for v, n in zip(series, ns)]
    out = []
    for v in series:
        if isinstance(v, str):
            out.append(v)
        elif v is None or (isinstance(v, float) and np.isnan(v)):
            out.append(None)
        elif hasattr(v, "timestamp"):  # a datetime past what nanoseconds hold
            out.append((v - pd.Timestamp(1970, 1, 1).to_pydatetime()).total_seconds())
        elif hasattr(v, "total_seconds"):
            out.append(v.total_seconds())
        else:
            out.append(float(v))
    return out


result = {}
for path in sys.argv[1:]:
    try:
        df, meta = savkit.read_sav(path, user_missing=True)
    except savkit.Error:
        continue
    result[path] = {c.name: {"format": c.format, "labels": [label for _, label in sorted(c.value_labels.items(),
                                                                                            key=lambda kv: str(kv[0]))],
                             "values": values(df[c.name])} for c in meta.columns}
json.dump(result, sys.stdout)
