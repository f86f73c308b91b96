"""Portable files and encrypted files from Python: read_por and read_sav
on PSPP's EXPORT, write_por read back by savkit and PSPP, and passwords."""

import subprocess
import warnings

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import DATA, peer

ENCRYPTED = DATA / "peers" / "018_hotel-encrypted.sav"  # SPSS 22, password "pspp"


def test_portable_reads_as_psspps_system_file_of_the_same_data():
    por, pmeta = savkit.read_por(DATA / "portable.por", user_missing=True)
    sav, smeta = savkit.read_sav(DATA / "portable.sav", user_missing=True)
    assert list(por.columns) == [c.upper() for c in sav.columns]
    sav.columns = por.columns
    # PSPP writes 1.5e300 with the digits it keeps: close, not equal.
    pd.testing.assert_frame_equal(por, sav, check_exact=False, rtol=1e-13)
    assert list(pmeta.column_labels.values()) == list(smeta.column_labels.values())
    assert pmeta.weight == "WT"
    assert pmeta.column("NAME").value_labels == {"Alice": "Ms A", "Bob": "Mr B"}
    assert savkit.read_metadata(DATA / "portable.por").row_count == 5


def test_write_por_round_trips_and_pspp_reads_it(tmp_path):
    df = pd.DataFrame({"x": [1.5, -3.25, np.nan, 1e-5, 123456789.123],
                       "LongerName": ["a", "x ± £", "", "q", "z"]})
    out = tmp_path / "out.por"
    with pytest.warns(UserWarning, match="LongerName are written by short names"):
        savkit.write_por(df, out, column_labels={"x": "The x"}, variable_value_labels={"x": {1.5: "one and a half"}})
    back, meta = savkit.read_por(out)
    assert list(back.columns) == ["X", "LONGERNA"]
    np.testing.assert_array_equal(back["X"].to_numpy(), df["x"].to_numpy())
    assert list(back["LONGERNA"]) == list(df["LongerName"])
    assert meta.column_labels["X"] == "The x"
    assert meta.column("X").value_labels == {1.5: "one and a half"}
    csv = tmp_path / "pspp.csv"
    subprocess.run([peer("pspp-convert"), str(out), str(csv)], check=True, capture_output=True)
    assert csv.read_text().splitlines()[1] == "1.5,a"


def test_write_por_says_what_it_fits(tmp_path):
    df = pd.DataFrame({"a": [1.0]})
    with pytest.warns(UserWarning, match=r"labels past 255 bytes keep their first 255 \(a\)"):
        savkit.write_por(df, tmp_path / "l.por", column_labels={"a": "x" * 300})
    assert savkit.read_metadata(tmp_path / "l.por").column_labels["A"] == "x" * 255


def test_write_por_refuses_what_it_cannot_hold_and_leaves_nothing(tmp_path):
    out = tmp_path / "bad.por"
    with pytest.raises(savkit.Error, match="case 1, a: the character U\\+65E5 has no place"):
        savkit.write_por(pd.DataFrame({"a": ["日本"]}), out)
    with pytest.raises(savkit.Error, match="a is a string of 300 bytes; a portable file holds strings of up to 255"):
        savkit.write_por(pd.DataFrame({"a": ["x" * 300]}), out)
    assert not out.exists()
    with pytest.raises(TypeError, match="no option 'compression'"):
        savkit.write_por(pd.DataFrame({"a": [1]}), out, compression="zlib")


def test_passwords_open_encrypted_files_and_wrong_ones_are_told():
    with pytest.raises(savkit.FileError, match="encrypted: it opens with its password"):
        savkit.read_sav(ENCRYPTED)
    with pytest.raises(savkit.FileError, match="The password does not open the file") as wrong:
        savkit.read_sav(ENCRYPTED, password="guess")
    assert "guess" not in str(wrong.value)
    df, meta = savkit.read_sav(ENCRYPTED, password="pspp")
    assert len(df) == 17 and meta.row_count == 17
    assert savkit.read_metadata(ENCRYPTED, password="pspp").row_count == 17
    chunks = list(savkit.read_sav_chunks(ENCRYPTED, 10, password="pspp"))
    assert sum(len(c) for c in chunks) == 17
    with pytest.raises(TypeError, match="password"):
        savkit.read_sav(ENCRYPTED, password=b"pspp")


def test_file_saves_an_encrypted_file_encrypted(tmp_path):
    path = tmp_path / "hotel.sav"
    path.write_bytes(ENCRYPTED.read_bytes())
    with savkit.File(path, password="pspp") as f:
        f["v1"].label = "Satisfied"
        f.save()
    assert path.read_bytes()[8:20] == b"ENCRYPTEDSAV"
    assert savkit.read_metadata(path, password="pspp").column_labels["v1"] == "Satisfied"


def test_dask_reads_portable_and_encrypted_files():
    dask = pytest.importorskip("savkit.dask")
    por = dask.read_sav(DATA / "portable.por", rows_per_partition=2).compute(scheduler="synchronous")
    pd.testing.assert_frame_equal(por, savkit.read_por(DATA / "portable.por")[0])
    enc = dask.read_sav(ENCRYPTED, rows_per_partition=5, password="pspp").compute(scheduler="synchronous")
    pd.testing.assert_frame_equal(enc, savkit.read_sav(ENCRYPTED, password="pspp")[0])
