"""read_sav and read_sav_chunks against the object model and the command,
over the fixtures and the files from other programs."""

import json
import resource
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import DATA, FILES

UNIX_EPOCH = 12219379200  # 1 Jan 1970 in the file's seconds


def stored(column):
    """A column of read_sav back as the file's numbers (NaN for missing), or str."""
    if pd.api.types.is_datetime64_dtype(column):
        ns = column.to_numpy().view("i8")
        out = np.floor_divide(ns, 10**9) + UNIX_EPOCH + np.remainder(ns, 10**9) / 1e9
        return np.where(column.isna(), np.nan, out)
    if pd.api.types.is_timedelta64_dtype(column):
        return np.where(column.isna(), np.nan, column.to_numpy().view("i8") / 1e9)
    values = column.to_numpy()
    if values.dtype == object and len(values) and any(hasattr(v, "year") or hasattr(v, "days") for v in values):
        from datetime import datetime
        epoch = datetime(1582, 10, 14)
        return np.array([np.nan if v is None else (v - epoch).total_seconds() if hasattr(v, "year")
                         else v.total_seconds() for v in values])
    return values


def readable(path):
    try:
        savkit.File(path).close()
        return True
    except savkit.Error:
        return False


@pytest.mark.parametrize("path", FILES, ids=lambda p: p.name)
def test_values_and_dictionary_agree_with_the_object_model(path):
    if not readable(path):
        with pytest.raises(savkit.FileError) as refused:
            savkit.read_sav(path)
        assert str(path) in str(refused.value) and refused.value.status != 0
        return
    df, meta = savkit.read_sav(path, user_missing=True)
    with savkit.File(path) as f:
        assert len(df) == f.n_cases == meta.row_count
        assert meta == f.metadata
        assert list(df.columns) == [v.name for v in f.variables]
        for v in f.variables:
            mine, model = stored(df[v.name]), v.values()
            if v.type == "string":
                assert list(mine) == list(model), v.name
            else:
                # Times go through nanoseconds: equal to a microsecond.
                assert np.allclose(mine.astype(float), model, rtol=0, atol=1e-6, equal_nan=True), v.name


@pytest.mark.parametrize("path", [p for p in FILES if p.parent == DATA], ids=lambda p: p.name)
def test_dictionary_agrees_with_the_command(cli, path):
    info = json.loads(subprocess.run([cli, "info", "--json", str(path)], capture_output=True, check=True).stdout)
    _, meta = savkit.read_sav(path, row_limit=0)
    assert meta.file_label == info["label"] and meta.row_count == info["cases"] and meta.weight == info["weight"]
    assert meta.compression == info["compression"]
    for c, v in zip(meta.columns, info["variables"], strict=True):
        assert (c.name, c.format, c.label, c.measure, c.alignment, len(c.value_labels)) == \
               (v["name"], v["format"], v["label"], v["measure"], v["align"], v["valueLabels"])
    assert {k: m for k, m in meta.variable_sets.items()} == {s["name"]: s["members"] for s in info["variableSets"]}
    assert [(s.name, s.kind, s.variables) for s in meta.mr_sets] == \
           [(s["name"], s["kind"], s["members"]) for s in info["multipleResponseSets"]]


def test_missing_values_labels_and_times():
    df, meta = savkit.read_sav(DATA / "full.sav")
    raw, _ = savkit.read_sav(DATA / "full.sav", user_missing=True)
    # id has 999 missing; the score LO thru 0; code "x" is a missing text.
    score = "AVeryLongVariableNameForTheScore"
    low, high = meta.column(score).missing_range
    assert low < -1e300 and high == 0.0
    assert df[score].isna().sum() > raw[score].isna().sum()
    assert all(np.isnan(df[score][raw[score] <= 0]))
    code = meta.column("code")
    assert code.missing_values and all(pd.isna(df["code"][raw["code"].isin(code.missing_values)]))
    assert raw["name"][0] == "Alice" and not raw["name"][0].endswith(" ")
    # 1582 is before what datetime64[ns] reaches: Python date-times then.
    assert df["when"].dtype == object and df["when"][3].year == 1582 and df["when"][2] is None
    assert pd.api.types.is_timedelta64_dtype(df["clock"])

    labelled, _ = savkit.read_sav(DATA / "full.sav", apply_value_labels=True)
    ids = labelled["id"]
    assert isinstance(ids.dtype, pd.CategoricalDtype)
    assert list(ids.cat.categories[:2]) == ["one", "two"] and ids[0] == "one" and ids[2] == 3.0
    assert labelled["name"][0] == "Ms A" and labelled["code"].dtype == "category"


def test_columns_rows_and_chunks_select_the_same_values():
    path = DATA / "full.sav"
    whole, meta = savkit.read_sav(path, user_missing=True)
    some, some_meta = savkit.read_sav(path, usecols=["NAME", "id"], row_offset=1, row_limit=3, user_missing=True)
    assert list(some.columns) == ["id", "name"] and some_meta.column_names == ["id", "name"]
    assert some.reset_index(drop=True).equals(whole[["id", "name"]].iloc[1:4].reset_index(drop=True))
    assert savkit.read_sav(path, row_offset=99)[0].shape == (0, len(meta.columns))
    chunks = savkit.read_sav_chunks(path, 2, user_missing=True)
    assert chunks.metadata == meta
    parts = list(chunks)
    assert [len(p) for p in parts] == [2, 2, 1] and list(parts[2].index) == [4]
    pd.testing.assert_frame_equal(pd.concat(parts), whole)
    with pytest.raises(savkit.DataFileError, match="no variable nosuch"):
        savkit.read_sav(path, usecols=["nosuch"])
    with pytest.raises(ValueError):
        savkit.read_sav(path, row_limit=-1)
    with pytest.raises(ValueError):
        savkit.read_sav_chunks(path, 0)


def test_a_header_claiming_two_billion_cases_costs_only_what_the_file_holds(tmp_path, cli):
    # Each reader makes room for the cases the file's bytes can hold: in a
    # process of 3 GB, room for 2e9 claimed cases would be a MemoryError.
    for name in ("small-uncompressed.sav", "small.sav", "small.zsav"):
        data = bytearray((DATA / name).read_bytes())
        data[80:84] = (2_000_000_000).to_bytes(4, "little")
        claim = tmp_path / name
        claim.write_bytes(bytes(data))
        script = (
            "import resource, savkit\n"
            "resource.setrlimit(resource.RLIMIT_AS, (3 << 30, 3 << 30))\n"
            f"p = {str(claim)!r}\n"
            "for read in (lambda: savkit.read_sav(p), lambda: list(savkit.read_sav_chunks(p, 1000)),\n"
            "             lambda: savkit.File(p).variable(0).values()):\n"
            "    try:\n"
            "        read()\n"
            "        raise SystemExit('read')\n"
            "    except savkit.FileError as e:\n"
            "        assert 'the data end after 3 of the 2000000000 cases' in str(e) and p in str(e), e\n")
        run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr[-1500:]
        # The command too: each says where the data end, in 1 GB of address space.
        for args, code in ((["verify", claim], 1), (["diff", claim, claim], 2),
                           (["codebook", claim, "-o", tmp_path / "c.html"], 1), (["export", claim], 1)):
            done = subprocess.run([cli] + [str(a) for a in args], capture_output=True, text=True,
                                  preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30)))
            assert done.returncode == code and "the data end after 3 of the 2000000000" in done.stderr, \
                (args[0], done.stderr)
