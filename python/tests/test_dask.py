"""savkit.dask: files as Dask frames that equal read_sav's, on a cluster
too, and Dask frames written into one file, all or nothing."""

import shutil
import subprocess

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import CLI, DATA, optional

dask = optional("dask")
import dask.dataframe as dd  # noqa: E402
import savkit.dask  # noqa: E402

FULL = ["full.sav", "full-uncompressed.sav", "full.zsav"]


def numbered(tmp_path, rows, compression):
    """A file of rows cases whose labelled column has values without a label."""
    path = tmp_path / f"n-{compression}.sav"
    df = pd.DataFrame({"i": np.arange(rows, dtype="f8"), "s": [f"t{i % 13}" * (i % 5) for i in range(rows)],
                       "q": np.arange(rows) % 4 + 1.0})
    meta = savkit.Metadata(columns=[savkit.Column("q", value_labels={1.0: "low", 2.0: "high"}, measure="ordinal")])
    savkit.write_sav(df, path, metadata=meta, compression=compression)
    return path


@pytest.mark.parametrize("name", FULL)
@pytest.mark.parametrize("rows", [1, 2, 4, 7])
def test_partitions_read_what_read_sav_reads(name, rows):
    ddf = savkit.dask.read_sav(DATA / name, rows_per_partition=rows, user_missing=True, apply_value_labels=True)
    whole, _ = savkit.read_sav(DATA / name, user_missing=True, apply_value_labels=True)
    assert ddf.divisions == tuple(list(range(0, 5, rows)) + [4])
    assert list(ddf.columns) == list(whole.columns)
    pd.testing.assert_frame_equal(ddf.compute(), whole)


@pytest.mark.parametrize("compression", ["none", "bytecode", "zlib"])
def test_a_glob_of_files_reads_as_their_cases_one_after_another(tmp_path, compression):
    source = numbered(tmp_path, 1000, compression)
    for k in range(3):
        shutil.copy(source, tmp_path / f"part{k}.sav")
    ddf = savkit.dask.read_sav(str(tmp_path / "part*.sav"), rows_per_partition=333, apply_value_labels=True)
    assert ddf.npartitions == 12 and ddf.divisions[-1] == 2999
    one, _ = savkit.read_sav(source, apply_value_labels=True)
    expected = pd.concat([one] * 3, ignore_index=True)
    got = ddf.compute()
    pd.testing.assert_frame_equal(got, expected)
    # Every partition's Categorical has all the file's categories, in read_sav's order.
    assert list(got["q"].cat.categories) == ["low", "high", 3.0, 4.0] and got["q"].cat.ordered
    # Each file parts at 0, 333, 666 and 999: partition 5 is the second file's second.
    pd.testing.assert_frame_equal(ddf.partitions[5].compute(), expected.iloc[1333:1666])
    files = [tmp_path / f"part{k}.sav" for k in range(3)]
    pd.testing.assert_frame_equal(savkit.dask.read_sav(files, rows_per_partition=1000).compute(),
                                  pd.concat([savkit.read_sav(f)[0] for f in files], ignore_index=True))


def test_partitions_read_on_a_cluster_of_processes(tmp_path):
    distributed = optional("distributed")
    path = numbered(tmp_path, 5000, "bytecode")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster):
        got = savkit.dask.read_sav(path, rows_per_partition=777).compute()
    pd.testing.assert_frame_equal(got, savkit.read_sav(path)[0])


def test_a_frame_of_many_partitions_writes_one_equal_file(tmp_path):
    for name in FULL:
        meta = savkit.read_metadata(DATA / name)
        out = tmp_path / name
        savkit.dask.to_sav(savkit.dask.read_sav(DATA / name, rows_per_partition=2, user_missing=True), out,
                           metadata=meta, compression=meta.compression)
        same = subprocess.run([CLI, "diff", str(DATA / name), str(out)], capture_output=True, text=True)
        assert same.returncode == 0, same.stdout
    # A frame made in Dask: widths, formats and categories come from every partition.
    df = pd.DataFrame({"n": [1.0, 2.0, 3.5, -40.0, 5.0, 6.0], "s": ["a", "bb", None, "dddd" * 30, "e", "ü"],
                       "when": pd.to_datetime(["2020-01-01", None, "2021-02-03 04:05:06", "1999-01-01", None, None]),
                       "c": pd.Categorical(["x", "y", "x", "z", "y", "x"])})
    out = tmp_path / "made.sav"
    savkit.dask.to_sav(dd.from_pandas(df, npartitions=3), out, column_labels={"n": "Number"}, compression="zlib")
    back, meta = savkit.read_sav(out, apply_value_labels=True)
    assert [c.format for c in meta.columns] == ["F8.2", "A120", "DATETIME20", "F1.0"]
    assert meta.column("n").label == "Number" and meta.compression == "zlib"
    assert list(back["c"]) == list(df["c"]) and list(back["s"]) == ["a", "bb", "", "dddd" * 30, "e", "ü"]
    pd.testing.assert_series_equal(back["when"], df["when"])


def test_a_failing_write_leaves_no_file_and_keeps_the_old_one(tmp_path):
    def fail_late(part):
        if part.index[0] >= 4:
            raise RuntimeError("partition three failed")
        return part

    ddf = dd.from_pandas(pd.DataFrame({"x": np.arange(6.0)}), npartitions=3).map_partitions(fail_late)
    out = tmp_path / "new.sav"
    with pytest.raises(RuntimeError, match="partition three failed"):
        savkit.dask.to_sav(ddf, out)
    assert not out.exists() and list(tmp_path.iterdir()) == []
    kept = tmp_path / "kept.sav"
    shutil.copy(DATA / "full.sav", kept)
    mixed = dd.from_pandas(pd.DataFrame({"m": [1, 2, "a", "b"]}, dtype=object), npartitions=2)
    with pytest.raises(savkit.Error, match="m: a column of number and string values"):
        savkit.dask.to_sav(mixed, kept)
    assert kept.read_bytes() == (DATA / "full.sav").read_bytes()


def test_bad_arguments_are_named(tmp_path):
    with pytest.raises(TypeError, match="no option 'chunksize'"):
        savkit.dask.read_sav(DATA / "full.sav", chunksize=3)
    with pytest.raises(FileNotFoundError, match="no file matches"):
        savkit.dask.read_sav(str(tmp_path / "*.sav"))
    with pytest.raises(ValueError, match="rows_per_partition must be at least 1"):
        savkit.dask.read_sav(DATA / "full.sav", rows_per_partition=0)
    with pytest.raises(ValueError, match="are not those of"):
        savkit.dask.read_sav([DATA / "full.sav", DATA / "small.sav"])
    with pytest.raises(TypeError, match="to_sav takes a dask DataFrame"):
        savkit.dask.to_sav(pd.DataFrame({"x": [1]}), tmp_path / "x.sav")
    # A file changed after its partitions were planned is not read wrongly.
    path = numbered(tmp_path, 100, "bytecode")
    ddf = savkit.dask.read_sav(path, rows_per_partition=10)
    plan = savkit.dask._plan(str(path), list(range(0, 100, 10)), {})
    numbered(tmp_path, 120, "bytecode")
    with pytest.raises(savkit.Error, match="the mark of case 50 is not of this file as it is now"):
        savkit.dask._partition(str(path), 50, 10, 50, plan, 5, {})
    assert len(ddf.compute()) == 100  # planned afresh: the file's first 100 cases
