"""SPSS system files as Dask DataFrames, for data past one machine's memory.

    import savkit.dask
    ddf = savkit.dask.read_sav("waves/*.sav", rows_per_partition=500_000)
    savkit.dask.to_sav(ddf[ddf.age > 30], "older.sav")

Needs dask (Debian: python3-dask; python3-distributed for a cluster).
"""

import glob
import os

import dask
import dask.dataframe as dd
from dask.dataframe.utils import clear_known_categories
import pandas as pd

from . import _read
from ._metadata import from_library
from ._partitions import Sample, values_as
from ._write import Plan

_READ_OPTIONS = ("usecols", "apply_value_labels", "user_missing", "encoding", "dates", "password")
# A partition of about 64 MB of numbers where rows_per_partition is not given.
_PARTITION_BYTES = 64 << 20


def _paths(paths):
    if isinstance(paths, (str, bytes, os.PathLike)):
        path = os.fsdecode(paths)
        if not glob.has_magic(path):
            return [path]
        found = sorted(glob.glob(path))
        if not found:
            raise FileNotFoundError(f"no file matches {path}")
        return found
    if not isinstance(paths, (list, tuple)) or not paths:
        raise TypeError(f"paths: a path, a glob or a list of paths, not {paths!r}")
    return [os.fsdecode(p) for p in paths]


def _unlabelled(path, options):
    """The values without a label of each labelled column of the file, so
    that every partition's Categoricals get the categories read_sav gives
    the whole file: one pass over those columns."""
    meta = _read.read_metadata(path, options.get("usecols"), options.get("encoding"), options.get("password"))
    labelled = {c.name: c.value_labels for c in meta.columns if c.value_labels}
    found = {name: set() for name in labelled}
    if not labelled:
        return found
    with _read.read_sav_chunks(path, 100_000, usecols=list(labelled), user_missing=options.get("user_missing", False),
                               encoding=options.get("encoding"), dates=options.get("dates", True),
                               password=options.get("password")) as chunks:
        for chunk in chunks:
            for name, labels in labelled.items():
                values = chunk[name][chunk[name].notna()]
                found[name].update(values[~values.isin(list(labels))].unique())
    return found


def _plan(path, starts, options):
    """What the partitions of a file need before they start: where each
    starts in a compressed file (one pass over its data, decoding nothing
    it need not), and the unlabelled values of its labelled columns."""
    marks = None
    if starts is not None:
        reader = _read._open(path, None, False, options.get("encoding"), password=options.get("password"))
        try:
            marks = reader.marks(list(starts))
        finally:
            reader.close()
    return marks, _unlabelled(path, options) if options.get("apply_value_labels") else None


def _partition(path, start, count, first, plan, k, options):
    """Cases start to start + count of the file, indexed from first, read
    from where plan marks them."""
    marks, unlabelled = plan if plan is not None else (None, None)
    reader = _read._open(path, options.get("usecols"), options.get("user_missing", False), options.get("encoding"),
                         options.get("dates", True), options.get("password"))
    try:
        meta = from_library(reader.metadata())
        # A partition is one of many read at once: the reader keeps to its own thread.
        result = reader.read(start, count, None if marks is None else marks[k], ahead=False)
        return _read._frame(result, meta.columns, pd.RangeIndex(first, first + count),
                            options.get("apply_value_labels", False), unlabelled)
    finally:
        reader.close()


def _same_columns(first, meta, path, paths):
    ours = [(c.name, c.type) for c in first.columns]
    theirs = [(c.name, c.type) for c in meta.columns]
    if theirs != ours:
        raise ValueError(f"{path}: its columns ({', '.join(n for n, _ in theirs)}) are not those of {paths[0]} "
                         f"({', '.join(n for n, _ in ours)}), or not of the same types")


def read_sav(paths, rows_per_partition=None, **options):
    """A Dask DataFrame of the cases of one file, a glob or a list of files
    with the same columns, in that order, indexed by case number from 0 on
    through the files (the divisions are case numbers).

    ``options`` are savkit.read_sav's: usecols, apply_value_labels,
    user_missing, encoding, dates, password (which the task graph carries to
    the workers). The frame's columns and dtypes come from
    the files' dictionaries alone; no case is read until it is computed. A
    partition opens its file by path and reads only its rows (on a
    distributed cluster too): in a compressed file a first pass marks where
    each partition starts, so that no partition decodes the cases before it.

        ddf = savkit.dask.read_sav("survey.sav", rows_per_partition=250_000)
        ddf.groupby("region").income.mean().compute()
    """
    unknown = set(options) - set(_READ_OPTIONS)
    if unknown:
        raise TypeError(f"read_sav: no option {sorted(unknown)[0]!r}; the options are {', '.join(_READ_OPTIONS)}")
    paths = _paths(paths)
    metas = [_read.read_metadata(p, options.get("usecols"), options.get("encoding"), options.get("password"))
             for p in paths]
    for path, meta in zip(paths[1:], metas[1:]):
        _same_columns(metas[0], meta, path, paths)
    if rows_per_partition is None:
        rows_per_partition = max(1, _PARTITION_BYTES // (8 * max(len(metas[0].columns), 1)))
    rows = _read._rows(rows_per_partition, "rows_per_partition")
    if rows == 0:
        raise ValueError("rows_per_partition must be at least 1")
    empty = _read.read_sav(paths[0], row_limit=0, **options)[0]
    parts, divisions, first = [], [], 0
    for path, meta in zip(paths, metas):
        starts = list(range(0, meta.row_count, rows))
        marked = meta.compression != "none" and len(starts) > 1
        labelled = options.get("apply_value_labels") and any(c.value_labels for c in meta.columns)
        plan = dask.delayed(_plan, pure=True)(path, starts if marked else None, options) if marked or labelled else None
        for k, start in enumerate(starts):
            count = min(rows, meta.row_count - start)
            # The first partition starts at the start: it need not wait for marks.
            needs = labelled or (marked and k > 0)
            parts.append(dask.delayed(_partition, pure=True)(path, start, count, first + start,
                                                             plan if needs else None, k, options))
            divisions.append(first + start)
        first += meta.row_count
    if not parts:
        return dd.from_pandas(empty, npartitions=1)
    # A file's values without a label become categories too: known only once read.
    empty = clear_known_categories(empty)
    return dd.from_delayed(parts, meta=empty, divisions=divisions + [first - 1], verify_meta=False)


def to_sav(ddf, path, metadata=None, compression="bytecode", encoding=None, **keywords):
    """Writes a Dask DataFrame to one new SPSS system file, partition by
    partition in order, memory bounded by a partition: the file appears
    complete under its name, or whatever was there stays.

    The options are savkit.write_sav's, its keywords included. The columns'
    types and widths are worked out from all partitions first (a small
    summary of each, computed in parallel), so each partition is computed
    twice: persist() a frame that is costly to compute.

        savkit.dask.to_sav(ddf, "all.sav", metadata=meta, compression="zlib")
    """
    if not isinstance(ddf, dd.DataFrame):
        raise TypeError(f"to_sav takes a dask DataFrame, not {type(ddf).__name__}")
    plan = Plan(ddf, path, metadata, compression, encoding, dict(keywords))
    parts = ddf.to_delayed()
    sample = Sample(dask.compute(*[dask.delayed(Sample.of)(p, plan) for p in parts]))
    definitions, data = plan.define(sample.frame)

    def batches():
        for part in parts:
            df = sample.conform(part.compute())
            yield [values_as(plan, d, name, df[name]) for d, name in zip(definitions, plan.names)], len(df)

    plan.write(definitions, data, batches)
