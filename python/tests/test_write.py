"""write_sav: round trips through our reader, files PSPP reads alike, and
nothing left behind when a write fails."""

import csv
import io
import subprocess
from datetime import datetime, timedelta

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import CLI, FILES, peer
from test_read import readable


@pytest.mark.parametrize("path", [p for p in FILES if readable(p)], ids=lambda p: p.name)
def test_files_round_trip_with_their_metadata(tmp_path, path):
    df, meta = savkit.read_sav(path, user_missing=True)
    out = tmp_path / "copy.sav"
    with _quiet():
        savkit.write_sav(df, out, metadata=meta, compression=meta.compression)
        again, again_meta = savkit.read_sav(out, user_missing=True)
    pd.testing.assert_frame_equal(again, df)
    # PSPP shows the copy's values as it shows the original's. Not the bytes
    # of a text that are no UTF-8: PSPP shows "?" for them in the original,
    # and the copy holds the U+FFFD they were read as.
    pspp = peer("pspp-convert")
    shown = []
    for source in (path, out):
        run = subprocess.run([pspp, str(source), str(tmp_path / "shown.csv")], check=True, capture_output=True)
        header, *rows = (tmp_path / "shown.csv").read_bytes().split(b"\n")
        shown.append((header.lower(), rows, run.stderr))
    cut = any("\ufffd" in v for c in df.columns if df[c].dtype == object for v in df[c] if isinstance(v, str))
    # savkit diff finds nothing changed (in the file's own encoding and
    # widths), where the frame holds the file's values.
    if not cut:
        same = subprocess.run([CLI, "diff", str(path), str(out)], capture_output=True, text=True)
        assert same.returncode == 0, same.stdout[-2000:]
    if not cut:
        assert shown[0][1] == shown[1][1]
    # Names compare ignoring case; PSPP lower-cases the short names of files
    # without long ones, and renames names it finds invalid (with a warning).
    if not shown[0][2]:
        assert shown[0][0] == shown[1][0]
    # ReadStat too reads the copy as it reads the original. It refuses the
    # long-string missing values PSPP 1.6.2 writes in their old layout
    # (longmissing.sav and one more); the copy has the layout the newer
    # format guide gives, which ReadStat reads. Its converter refuses the
    # Big5, EUC-KR and GBK originals (and so their copies, in the same
    # encodings): there, PSPP above is the judge.
    readstat = peer("readstat")
    read = []
    for source, csv_out in ((path, tmp_path / "original.csv"), (out, tmp_path / "copy.csv")):
        run = subprocess.run([readstat, str(source), str(csv_out)], capture_output=True)
        read.append(csv_out.read_bytes() if run.returncode == 0 and csv_out.exists() else None)
    assert read[1] is not None or (read[0] is None and meta.encoding.upper() in ("BIG5", "EUC-KR", "GBK"))
    if read[0] is not None and not cut:
        assert read[0] == read[1]
    # What a new file does not carry over: where and when it was written.
    for m in (meta, again_meta):
        m.creation_time, m.product = None, ""
    assert again_meta == meta


class _quiet:
    """Times past what Python holds warn on reading; that is tested elsewhere."""

    def __enter__(self):
        import warnings
        self._w = warnings.catch_warnings()
        self._w.__enter__()
        warnings.simplefilter("ignore", UserWarning)

    def __exit__(self, *exc):
        self._w.__exit__(*exc)


def frame():
    return pd.DataFrame({
        "n": [1.5, np.nan, -2.25, 1e10],
        "i": pd.array([1, 2, None, 40000], dtype="Int64"),
        "flag": [True, False, True, True],
        "s": ["a", "Zoë ünïcode", None, "x" * 300],
        "when": pd.to_datetime(["2020-01-01", "1999-12-31", None, "2262-04-01"]),
        "at": pd.to_datetime(["2020-01-01 12:30:05", "1970-01-01", None, "1900-02-28 23:59:59"]),
        "took": pd.to_timedelta(["1h", "0s", None, "36h 5s"]),
        "colour": pd.Categorical(["red", "blue", None, "red"], categories=["red", "green", "blue"], ordered=True),
    })


def test_a_new_frame_reads_back_the_same_here_and_in_pspp(tmp_path):
    df = frame()
    out = tmp_path / "new.sav"
    savkit.write_sav(df, out, compression="zlib")
    back, meta = savkit.read_sav(out)
    assert [c.format for c in meta.columns] == ["F8.2", "F5.0", "F1.0", "A300", "DATE11", "DATETIME20", "TIME8",
                                                  "F1.0"]
    assert meta.column("colour").measure == "ordinal" and meta.column("s").measure == "nominal"
    assert meta.compression == "zlib" and meta.column("s").width == 300
    assert meta.column("colour").value_labels == {1.0: "red", 2.0: "green", 3.0: "blue"}
    assert list(back["n"].fillna(-1)) == [1.5, -1, -2.25, 1e10]
    assert list(back["i"].fillna(-1)) == [1, 2, -1, 40000] and list(back["flag"]) == [1, 0, 1, 1]
    assert list(back["s"]) == ["a", "Zoë ünïcode", "", "x" * 300]
    for name in ("when", "at", "took"):
        pd.testing.assert_series_equal(back[name], df[name], check_names=False)
    assert list(back["colour"].fillna(0)) == [1, 3, 0, 1]

    # PSPP's reading of the same file, values as it shows them.
    csv_out = tmp_path / "new.csv"
    subprocess.run([peer("pspp-convert"), str(out), str(csv_out)], check=True, capture_output=True)
    rows = list(csv.reader(io.StringIO(csv_out.read_text(encoding="utf-8"))))
    assert rows[0] == list(df.columns)
    assert rows[1] == ["1.5", "1", "1", "a", "01/01/2020", "01/01/2020 12:30:05", "01:00:00", "1"]
    assert rows[2][0] == " " and rows[2][3] == "Zoë ünïcode" and rows[2][5:] == ["01/01/1970 00:00:00", "00:00:00", "3"]
    assert rows[3] == ["-2.25", " ", "1", "", " ", " ", " ", " "]
    assert rows[4] == ["10000000000", "40000", "1", "x" * 300, "04/01/2262", "02/28/1900 23:59:59", "36:00:05", "1"]


def test_values_a_file_cannot_hold_are_refused_and_nothing_is_left(tmp_path):
    out = tmp_path / "kept.sav"
    savkit.write_sav(frame(), out)
    before = out.read_bytes()
    bad = [
        (pd.DataFrame({"m": [1, "a"]}), None, "number and string values"),
        (pd.DataFrame({"bad name": [1.0]}), None, "not a variable name"),
        (pd.DataFrame({"c": [1j]}), None, "complex"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(columns=[savkit.Column("x", format="Q8")]), "Q8 is no format"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(columns=[savkit.Column("x", missing_values=[1, 2, 3, 4])]),
         "at most three"),
        # An attribute the file cannot hold is refused, never the file written without attributes.
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(file_attributes={"a b": "t"}, columns=[]), "INVALID_ATTRNAME"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(columns=[savkit.Column("x", attributes={"n": "two\nlines"})]),
         "INVALID_ATTRDEF"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(weight="x", mr_sets=[savkit.MRSet("$s", variables=["x", "y"])],
                                                    variable_sets={"v": ["x"]}, columns=[]), None),
    ]
    for df, meta, message in bad:
        if message is None:
            savkit.write_sav(df, tmp_path / "sets.sav", metadata=meta)  # sets naming absent columns are left out
            continue
        with pytest.raises(savkit.Error, match=message):
            savkit.write_sav(df, out, metadata=meta)
        assert out.read_bytes() == before
    # A NUL would cut a name, label or path where the library takes it: refused, naming where.
    for df, meta, where in [
        (pd.DataFrame({"x\0y": [1.0]}), None, "column name"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(columns=[savkit.Column("x", label="a\0b")]), "x"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(columns=[savkit.Column("x", value_labels={1: "a\0b"})]), "x"),
        (pd.DataFrame({"x": [1.0]}), savkit.Metadata(file_label="a\0b", columns=[]), "file"),
    ]:
        with pytest.raises(ValueError, match=f"^{where}: .* holds a NUL character"):
            savkit.write_sav(df, out, metadata=meta)
    with pytest.raises(savkit.DataFileError, match="s: a text holds a NUL character"):
        savkit.write_sav(pd.DataFrame({"s": ["ok", "a\0b"]}), out)
    with pytest.raises(ValueError, match="embedded null byte"):
        savkit.write_sav(frame(), str(tmp_path / "a.sav") + "\0x")
    assert out.read_bytes() == before
    assert sorted(p.name for p in tmp_path.iterdir()) == ["kept.sav", "sets.sav"]
    with pytest.raises(savkit.Error) as missing:
        savkit.write_sav(frame(), tmp_path / "no" / "such.sav")
    assert "no/such.sav" in str(missing.value)
    with pytest.raises(TypeError):
        savkit.write_sav([1, 2], out)


def test_python_times_and_numbers_in_object_columns(tmp_path):
    df = pd.DataFrame({"d": [datetime(1582, 10, 15), None], "t": [timedelta(days=400000), None],
                       "n": [np.int64(3), None]}, dtype=object)
    savkit.write_sav(df, tmp_path / "o.sav")
    back, meta = savkit.read_sav(tmp_path / "o.sav")
    assert back["d"][0] == datetime(1582, 10, 15) and back["d"][1] is None
    assert back["t"][0] == timedelta(days=400000) and list(back["n"].fillna(-1)) == [3, -1]
    assert [c.format for c in meta.columns] == ["DATE11", "TIME8", "F1.0"]


@pytest.mark.parametrize("meta, error, message", [
    (savkit.Metadata(file_label=5), TypeError, "file_label: the file label is a str, not int 5"),
    (savkit.Metadata(weight=5), TypeError, "weight: "),
    (savkit.Metadata(variable_sets={"v": "x"}), TypeError, "variable set v: its members are a list"),
    (savkit.Metadata(file_attributes={"a": 5}), TypeError, r"file_attributes: file_attributes\['a'\] is a str"),
    (savkit.Metadata(columns=["x"]), TypeError, "columns: each item is a savkit.Column"),
    (savkit.Metadata(columns=[savkit.Column("x", label=5)]), TypeError, "x: label is a str, not int 5"),
    (savkit.Metadata(columns=[savkit.Column("x", alignment=3)]), TypeError, "x: alignment is None or a str"),
    (savkit.Metadata(columns=[savkit.Column("x", display_width="w")]), TypeError, "x: display_width is None or an int"),
    (savkit.Metadata(columns=[savkit.Column("x", value_labels=[1, 2])]), TypeError, "x: value_labels is a dict"),
    (savkit.Metadata(columns=[savkit.Column("x", value_labels={1: 2})]), TypeError, "x: the label of 1 is a str"),
    (savkit.Metadata(columns=[savkit.Column("x", missing_range=(1,))]), TypeError, r"x: missing_range is \(low, high\)"),
    (savkit.Metadata(columns=[savkit.Column("x", attributes={"a": 1})]), TypeError, r"x: attributes\['a'\] is a str"),
    (savkit.Metadata(columns=[savkit.Column("x", value_labels={"a": "b"})]), ValueError, "x: 'a' is no number"),
    (savkit.Metadata(columns=[savkit.Column("x", missing_values=["z"])]), ValueError, "x: 'z' is no number"),
    (savkit.Metadata(columns=[savkit.Column("x", label="\udc80")]), ValueError, "x: .* lone surrogate"),
    (savkit.Metadata(columns=[savkit.Column("x", width=-5)]), ValueError, "x: width -5 is below 0"),
    (savkit.Metadata(columns=[savkit.Column("x", display_width=-3)]), ValueError, "x: display_width -3 is below 0"),
    (savkit.Metadata(file_attributes={"1bad": "v"}), savkit.Error, "file attributes: SPSS Error INVALID_ATTRNAME"),
    (savkit.Metadata(columns=[savkit.Column("x", attributes={"a b": "v"})]), savkit.Error,
     "x: attributes: SPSS Error INVALID_ATTRNAME"),
], ids=lambda p: p if isinstance(p, str) else "")
def test_metadata_of_the_wrong_kind_is_named_and_nothing_is_written(tmp_path, meta, error, message):
    # Each a TypeError or ValueError naming the column or field, never a failure of the module's own.
    out = tmp_path / "x.sav"
    with pytest.raises(error, match=message):
        savkit.write_sav(pd.DataFrame({"x": [1.0, 2.0]}), out, metadata=meta)
    assert not out.exists()


def test_times_long_labels_and_documents_come_back_as_the_file_has_them(tmp_path):
    # MTIME durations, YMDHMS moments and documents, as PSPP wrote them. (Labels
    # past 255 bytes, which SPSS writes, come back in the round trip of 024_nhtsa.)
    df, meta = savkit.read_sav(readable_fixture("time-formats.sav"))
    assert str(df["lap"].dtype) == "timedelta64[ns]" and str(df["stamp"].dtype) == "datetime64[ns]"
    assert df["lap"][0] == timedelta(seconds=75.5)
    assert [c.format for c in meta.columns] == ["MTIME9.1", "YMDHMS19"]
    assert "Laps timed by hand." in meta.documents[0]
    out = tmp_path / "copy.sav"
    savkit.write_sav(df, out, metadata=meta)
    again, again_meta = savkit.read_sav(out)
    pd.testing.assert_frame_equal(again, df)
    assert again_meta.documents == meta.documents
    assert [c.format for c in again_meta.columns] == ["MTIME9.1", "YMDHMS19"]


def test_texts_past_what_the_format_holds_are_said_or_refused(tmp_path):
    df = pd.DataFrame({"x": [1.0, 2.0]})
    out = tmp_path / "out.sav"
    _, meta = savkit.read_sav(_written(tmp_path / "base.sav", df))
    meta.column("x").value_labels = {1.0: "é" * 70}  # 140 bytes
    meta.file_label = "f" * 70
    with pytest.warns(savkit.TextCutWarning) as said:
        savkit.write_sav(df, out, metadata=meta)
    assert any("x: the label of 1.0" in str(w.message) for w in said)
    assert any("file label" in str(w.message) for w in said)
    _, again = savkit.read_sav(out)
    assert len(again.column("x").value_labels[1.0].encode()) == 120  # cut between characters
    meta.file_label, meta.column("x").value_labels = "", {}
    meta.documents = ["d" * 81]
    with pytest.raises(ValueError, match="documents: line 1"):
        savkit.write_sav(df, tmp_path / "never.sav", metadata=meta)
    assert not (tmp_path / "never.sav").exists()


def readable_fixture(name):
    return next(p for p in FILES if p.name == name)


def _written(path, df):
    savkit.write_sav(df, path)
    return path


def test_partial_metadata_completes_what_the_data_say(tmp_path):
    df = pd.DataFrame({"when": pd.to_datetime(["2024-01-02", "2024-03-04"]), "city": ["Oslo", "Rome"],
                       "n": [1, 2]})
    meta = savkit.Metadata(columns=[savkit.Column(name="when", label="Day"),
                                    savkit.Column(name="city", value_labels={"Oslo": "Norway"}),
                                    savkit.Column(name="n", label="Count")])
    out = tmp_path / "out.sav"
    savkit.write_sav(df, out, metadata=meta)
    again, read = savkit.read_sav(out)
    assert str(again["when"].dtype) == "datetime64[ns]" and read.column("when").label == "Day"
    assert read.column("city").value_labels == {"Oslo": "Norway"} and read.column("city").type == "string"
    assert read.column("n").format == "F1.0" and read.column("n").measure == "scale"
    # A type the data contradict leaves the column's formats and labels out, as for a column not named.
    meta.columns[2] = savkit.Column(name="n", type="string", format="A8", value_labels={"x": "y"})
    savkit.write_sav(df, out, metadata=meta)
    assert savkit.read_sav(out)[1].column("n").value_labels == {}
    meta.weight = "city"
    with pytest.raises(savkit.DataFileError, match="weight: city holds texts"):
        savkit.write_sav(df, tmp_path / "never.sav", metadata=meta)


def test_names_spss_writes_are_names_here_too(tmp_path, cli):
    out = tmp_path / "emoji.sav"
    savkit.write_sav(pd.DataFrame({"Größe😀": [1.0], "x": ["a"]}), out)
    again, meta = savkit.read_sav(out)
    assert list(again.columns) == ["Größe😀", "x"]
    copy = tmp_path / "copy.sav"
    savkit.write_sav(again, copy, metadata=meta)
    assert subprocess.run([cli, "diff", str(out), str(copy)], capture_output=True).returncode == 0
    with pytest.raises(savkit.Error, match="not a variable name"):
        savkit.write_sav(pd.DataFrame({"a b": [1.0]}), tmp_path / "never.sav")


def test_a_missing_folder_is_named_as_such(tmp_path):
    with pytest.raises(savkit.FileError, match="no folder .*missing to write it in") as raised:
        savkit.write_sav(pd.DataFrame({"x": [1.0]}), tmp_path / "missing" / "x.sav")
    assert isinstance(raised.value, OSError)


@pytest.mark.parametrize("frame, message", [
    (pd.DataFrame({"\ud800": [1.0]}), "column name: .* lone surrogate"),
    (pd.DataFrame({"x": ["a\ud800"]}), "x: a text holds a lone surrogate"),
    (pd.DataFrame({"x": ["a", pd.NA, "b\ud800"]}), "x: a text holds a lone surrogate"),
], ids=["name", "text", "with NA"])
def test_texts_no_file_can_hold_are_named(tmp_path, frame, message):
    with pytest.raises(ValueError, match=message):
        savkit.write_sav(frame, tmp_path / "never.sav")
    assert not (tmp_path / "never.sav").exists()
