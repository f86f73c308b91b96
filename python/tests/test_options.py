"""The options analysts reach for: pyreadstat's writer keywords, and the
reading options (encoding, dates, metadata alone, labels shown plainly)."""

import csv
import io
import struct
import subprocess
from datetime import datetime, time

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import CLI, DATA, peer


def pspp_tables(tmp_path, path):
    """PSPP's dictionary of a file, as {table title: rows}."""
    syntax = tmp_path / "show.sps"
    syntax.write_text(f"GET FILE='{path}'.\nDISPLAY DICTIONARY.\nDISPLAY DOCUMENTS.\nDISPLAY FILE LABEL.\n")
    out = tmp_path / "show.csv"
    subprocess.run([peer("pspp"), str(syntax), "-o", str(out)], check=True, capture_output=True)
    tables = {}
    for block in out.read_text(encoding="utf-8").split("\n\n"):
        title, _, body = block.partition("\n")
        tables[title.removeprefix("Table: ")] = list(csv.reader(io.StringIO(body)))
    return tables


def survey():
    return pd.DataFrame({"age": [20.0, 35.0, 999.0], "sex": [1.0, 2.0, 1.0], "city": ["Oslo", "n/a", "Bergen"],
                         "at": [time(8, 30), None, time(23, 59, 59, 500000)]})


def test_keywords_reach_the_file_over_the_metadata(tmp_path):
    out = tmp_path / "kw.sav"
    meta = savkit.Metadata(file_label="from metadata", documents=["kept?"],
                           columns=[savkit.Column("age", label="old label", measure="ordinal"),
                                    savkit.Column("city", label="City", value_labels={"Oslo": "capital"})])
    savkit.write_sav(survey(), out, metadata=meta, column_labels=["Age", "Sex", None, "Arrival"],
                     variable_value_labels={"SEX": {1: "male", 2: "female"}},
                     missing_ranges={"age": [{"lo": 900, "hi": 999}], "city": ["n/a"]},
                     variable_measure={"sex": "nominal"}, variable_format={"age": "f5.1", "city": "A12"},
                     variable_display_width={"city": 30}, file_label="Survey", note="wave two " * 12)
    df, back = savkit.read_sav(out, user_missing=True)
    age, sex, city, at = back.columns
    # What a keyword names is replaced; what it leaves is the metadata's.
    assert (age.label, age.format, age.measure, age.missing_range) == ("Age", "F5.1", "ordinal", (900.0, 999.0))
    assert (city.label, city.value_labels, city.missing_values) == ("City", {"Oslo": "capital"}, ["n/a"])
    assert (city.format, city.width, city.display_width) == ("A12", 12, 30)
    assert sex.value_labels == {1.0: "male", 2.0: "female"} and sex.measure == "nominal"
    assert at.format == "TIME11.2" and at.label == "Arrival"
    assert list(df["at"].dt.total_seconds().fillna(-1)) == [30600.0, -1, 86399.5]
    assert back.file_label == "Survey"
    # A long note is wrapped between words into the 80-byte lines of a file.
    assert all(len(line) <= 80 for line in back.documents) and len(back.documents) == 2
    assert " ".join(back.documents).split() == ("wave two " * 12).split()

    tables = pspp_tables(tmp_path, out)
    rows = {r[0]: r for r in tables["Variables"][1:]}
    assert rows["age"][2:4] == ["Age", "Ordinal"] and rows["age"][7] == "F5.1"
    assert rows["age"][9] == "900 THRU 999" and rows["city"][5:8] == ["30", "Left", "A12"]
    assert rows["at"][7] == "TIME11.2" and rows["sex"][3] == "Nominal"
    assert ["Sex", "1", "male"] in tables["Value Labels"] and tables["File Label"] == [["Label", "Survey"]]
    assert "wave two" in tables["Documents"][0][0]


@pytest.mark.parametrize("keywords, error, says", [
    (dict(column_labels={"nope": "x"}), KeyError, "column_labels: the DataFrame has no column 'nope'"),
    (dict(column_labels=["a"]), ValueError, "column_labels: a list of 1 for 4 columns"),
    (dict(column_labels="Age"), TypeError, "column_labels: a dict by column name or a list by position"),
    (dict(column_labels={"age": 5}), TypeError, "column_labels: age: label is a str"),
    (dict(variable_measure={"age": "big"}), ValueError, "variable_measure: age: 'big'; use nominal"),
    (dict(variable_format={"age": "A8"}), ValueError, "variable_format: age: A8 is no format for a column of numbers"),
    (dict(variable_format={"city": "F8.2"}), ValueError, "variable_format: city: F8.2 is no format for a column of texts"),
    (dict(variable_format={"age": "8.2"}), ValueError, "variable_format: age: '8.2' is no format"),
    (dict(missing_ranges={"age": [1, 2, {"lo": 3, "hi": 4}]}), ValueError, "missing_ranges: age: at most three"),
    (dict(missing_ranges={"age": [{"low": 3}]}), ValueError, "missing_ranges: age: a range is"),
    (dict(missing_ranges={"age": 9}), TypeError, "missing_ranges: age: a list"),
    (dict(variable_value_labels={"sex": [1, 2]}), TypeError, "variable_value_labels: sex: a dict"),
    (dict(variable_display_width={"city": -1}), ValueError, "variable_display_width: city: -1"),
    (dict(note=5), TypeError, "note: a str or a list of str"),
    (dict(file_label=["x"]), TypeError, "file_label: a str"),
])
def test_bad_keywords_are_refused_by_name_and_nothing_is_written(tmp_path, keywords, error, says):
    out = tmp_path / "bad.sav"
    with pytest.raises(error) as caught:
        savkit.write_sav(survey(), out, **keywords)
    assert says in str(caught.value)
    assert not out.exists()


def _without_encoding_record(source, target, code_page):
    """source with its encoding record renamed to a subtype no reader knows
    and its character code set to code_page: a file that says nothing true
    of its encoding."""
    data = bytearray(source.read_bytes())
    at = data.find(struct.pack("<iii", 7, 20, 1))
    assert at > 0
    data[at + 4:at + 8] = struct.pack("<i", 99)
    info = data.find(struct.pack("<iiii", 7, 3, 4, 8))
    assert info > 0
    data[info + 16 + 28:info + 16 + 32] = struct.pack("<i", code_page)
    target.write_bytes(bytes(data))


def test_encoding_names_what_a_file_leaves_out(tmp_path):
    original = DATA / "codepage-cp1251.sav"
    bare = tmp_path / "bare.sav"
    _without_encoding_record(original, bare, 1252)
    truth, truth_meta = savkit.read_sav(original, user_missing=True)
    guessed, _ = savkit.read_sav(bare, user_missing=True)
    texts = [c for c in truth.columns if truth[c].dtype == object]
    assert not guessed[texts].equals(truth[texts])  # read as the Western code page it claims
    df, meta = savkit.read_sav(bare, encoding="windows-1251", user_missing=True)
    pd.testing.assert_frame_equal(df, truth)
    assert meta.encoding == "windows-1251" and meta.columns == truth_meta.columns
    assert savkit.read_metadata(bare, encoding="windows-1251").columns == truth_meta.columns
    chunks = list(savkit.read_sav_chunks(bare, 1, encoding="windows-1251", user_missing=True))
    pd.testing.assert_frame_equal(pd.concat(chunks), truth)
    # Written back, the copy says its encoding, and reads alike without help.
    copy = tmp_path / "copy.sav"
    savkit.write_sav(df, copy, metadata=meta)
    pd.testing.assert_frame_equal(savkit.read_sav(copy, user_missing=True)[0], truth)
    # Mended in place: saved, the file says the encoding it is in.
    with savkit.File(bare, encoding="windows-1251") as f:
        assert f.metadata.encoding == "windows-1251"
        f.save()
    pd.testing.assert_frame_equal(savkit.read_sav(bare, user_missing=True)[0], truth)
    with pytest.raises(ValueError, match="encoding='no-such': not an encoding iconv knows"):
        savkit.File(bare, encoding="no-such")
    with pytest.raises(ValueError, match="encoding='no-such': not an encoding iconv knows"):
        savkit.read_sav(bare, encoding="no-such")
    with pytest.raises(TypeError, match="encoding=5"):
        savkit.read_metadata(bare, encoding=5)
    with pytest.raises(TypeError, match="dates='no': True"):
        savkit.read_sav(bare, dates="no")


def test_read_metadata_is_read_savs_without_the_cases(tmp_path):
    for name in ("full.sav", "full.zsav", "time-formats.sav", "latin1.sav"):
        _, meta = savkit.read_sav(DATA / name)
        assert savkit.read_metadata(DATA / name) == meta
    _, some = savkit.read_sav(DATA / "full.sav", usecols=["c1", "id"])
    assert savkit.read_metadata(DATA / "full.sav", usecols=["c1", "id"]) == some


def test_dates_false_gives_the_files_numbers_and_they_write_back(tmp_path):
    for name in ("full.sav", "time-formats.sav"):
        df, meta = savkit.read_sav(DATA / name, dates=False, user_missing=True)
        assert all(df[c].dtype == np.float64 for c in df.columns if meta.column(c).type == "numeric")
        out = tmp_path / name
        savkit.write_sav(df, out, metadata=meta, compression=meta.compression)
        same = subprocess.run([CLI, "diff", str(DATA / name), str(out)], capture_output=True, text=True)
        assert same.returncode == 0, same.stdout
    df, _ = savkit.read_sav(DATA / "full.sav", dates=False)
    dated, _ = savkit.read_sav(DATA / "full.sav")
    # Seconds since 14 Oct 1582, and from midnight for a time of day.
    assert df["when"][0] == (datetime(2020, 1, 1) - datetime(1582, 10, 14)).total_seconds()
    assert df["clock"][0] == 12 * 3600 + 30 * 60 + 5
    assert dated["when"][0] == pd.Timestamp("2020-01-01")


def test_labels_show_without_padding_and_write_back_exactly(tmp_path):
    padded = tmp_path / "padded.sav"
    meta = savkit.Metadata(columns=[savkit.Column("q", value_labels={1.0: "agree     ", 2.0: "disagree  "},
                                                  measure="ordinal")])
    savkit.write_sav(pd.DataFrame({"q": [1.0, 2.0, 1.0]}), padded, metadata=meta)
    df, back = savkit.read_sav(padded, apply_value_labels=True)
    assert list(df["q"].cat.categories) == ["agree", "disagree"] and list(df["q"]) == ["agree", "disagree", "agree"]
    assert back.column("q").value_labels == {1.0: "agree     ", 2.0: "disagree  "}
    assert "agree" in str(back) and "agree     " not in str(back)
    copy = tmp_path / "copy.sav"
    savkit.write_sav(df, copy, metadata=back)
    same = subprocess.run([CLI, "diff", str(padded), str(copy)], capture_output=True, text=True)
    assert same.returncode == 0, same.stdout


def test_chunks_share_their_columns_categories():
    chunks = list(savkit.read_sav_chunks(DATA / "full.sav", 2, apply_value_labels=True, usecols=["c1", "d1"]))
    whole = pd.concat(chunks)
    for name in ("c1", "d1"):
        assert isinstance(whole[name].dtype, pd.CategoricalDtype)
        assert [list(c[name].cat.categories) for c in chunks] == [list(whole[name].cat.categories)] * len(chunks)
    assert list(whole["c1"].cat.categories) == ["red", "green", "blue"]
