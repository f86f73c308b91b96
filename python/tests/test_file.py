"""savkit.File: edits saved in place keep everything else; failures are
savkit errors that leave the file as it was."""

import shutil
import subprocess

import numpy as np
import pandas as pd
import pytest

import savkit
from conftest import DATA, FILES
from test_read import readable


@pytest.fixture
def copy(tmp_path):
    path = tmp_path / "full.sav"
    shutil.copyfile(DATA / "full.sav", path)
    return path


def test_edits_saved_in_place_change_only_what_was_edited(cli, copy):
    with savkit.File(copy) as f:
        f.set_value(0, "name", "Bob")
        f.set_value(1, "id", None)
        score = f["AVeryLongVariableNameForTheScore"]
        score.label = "Score"
        score.value_labels = {1: "low", 9.5: "high"}
        score.set_missing(range=(-10, -5), values=[99])
        f["code"].missing_values = ["zz"]
        extra = f.add_variable("extra", "string", 12)
        f.set_value(2, extra, "new text")
        f.delete_case(4)
        assert f.add_case() == 4 and len(f) == 5
        f.save()
    diff = subprocess.run([cli, "diff", str(DATA / "full.sav"), str(copy)], capture_output=True, text=True)
    assert diff.returncode == 1
    changed = [line.strip() for line in diff.stdout.splitlines() if line.startswith("  ")]
    assert "variable extra: only in " + str(copy) in changed
    assert 'variable AVeryLongVariableNameForTheScore: label: "Score in € — ünïcode" -> "Score"' in changed
    assert all(line.split(":")[0].split()[-1] in ("AVeryLongVariableNameForTheScore", "code", "extra", "1", "2", "5")
               for line in changed), changed
    df, meta = savkit.read_sav(copy, user_missing=True)
    assert df["name"][0] == "Bob" and np.isnan(df["id"][1]) and df["extra"][2] == "new text"
    assert meta.column("AVeryLongVariableNameForTheScore").missing_range == (-10.0, -5.0)
    assert meta.column("code").missing_values == ["zz"]
    assert meta.documents == savkit.read_sav(DATA / "full.sav", row_limit=0)[1].documents != []


def test_refusals_raise_savkit_errors_and_change_nothing(copy, tmp_path):
    before = copy.read_bytes()
    with savkit.File(copy) as f:
        bad = [
            (lambda: f.get_value(5, "id"), "case 5 is not valid"),
            (lambda: f.set_value(0, "id", "text"), "id holds numbers"),
            (lambda: f.set_value(0, "name", 3), "name holds texts"),
            (lambda: f.set_value(0, "name", "x" * 9), "a text of 9 bytes"),
            (lambda: f.variable("nosuch"), "no variable nosuch"),
            (lambda: f.add_variable("id"), "has a variable of that name"),
            (lambda: f.add_variable("bad name"), "not a variable name"),
            (lambda: setattr(f["id"], "format", "A8"), "A8 is no format for numbers"),
            (lambda: setattr(f["id"], "measure", "loud"), "measure loud"),
            (lambda: f["id"].set_missing(values=[1, 2, 3, 4]), "at most three"),
        ]
        for action, message in bad:
            with pytest.raises(savkit.DataFileError, match=message):
                action()
        gone = f.add_variable("gone")
        f.delete_variable(gone)
        with pytest.raises(savkit.DataFileError, match="deleted"):
            gone.label = "x"
        with pytest.raises(savkit.Error):
            f.save_as(tmp_path / "no" / "such.sav")
    with pytest.raises(savkit.DataFileError, match="closed"):
        f.get_value(0, "id")
    assert copy.read_bytes() == before
    assert sorted(p.name for p in tmp_path.iterdir()) == ["full.sav"]


def test_save_as_leaves_the_original(copy, tmp_path):
    other = tmp_path / "other.zsav"
    shutil.copyfile(DATA / "full.zsav", other)
    before = other.read_bytes()
    with savkit.File(other) as f:
        f.file_label = "renamed"
        f.save_as(tmp_path / "saved.zsav")
        assert f.path.endswith("saved.zsav")
    assert other.read_bytes() == before
    _, meta = savkit.read_sav(tmp_path / "saved.zsav")
    assert meta.file_label == "renamed" and meta.compression == "zlib"


def test_broken_files_raise_and_never_crash(tmp_path):
    # Inputs that once crashed the library's fuzzers: read or refused, nothing else.
    for path in (DATA.parent / "fuzz" / "regressions").glob("*.sav"):
        try:
            savkit.read_sav(path)
        except savkit.Error:
            pass
    whole = (DATA / "full.sav").read_bytes()
    for cut in range(0, len(whole), max(1, len(whole) // 60)):
        broken = tmp_path / f"cut{cut}.sav"
        broken.write_bytes(whole[:cut])
        with pytest.raises(savkit.Error):
            savkit.read_sav(broken)
    with pytest.raises(OSError, match="not a regular file") as directory:
        savkit.read_sav(tmp_path)
    assert isinstance(directory.value, savkit.FileError) and directory.value.status == 1
    assert str(directory.value) == directory.value.message and directory.value.errno is None
    with pytest.raises(savkit.FileError, match="no such file"):
        savkit.File(tmp_path / "missing.sav")


def test_damage_is_named_in_errors_and_warnings(tmp_path):
    whole = bytearray((DATA.parent.parent / "examples" / "survey.sav").read_bytes())
    # The header declares its 5 cases: reading the last one fails, saying where.
    declared = tmp_path / "declared.sav"
    declared.write_bytes(whole[:-13])
    with pytest.raises(savkit.FileError, match=r"declared\.sav: .*case 5, which starts here, is cut short.*\(byte \d+\)"):
        savkit.read_sav(declared)
    # A file that does not say how many: the complete cases, and a warning.
    whole[80:84] = (-1).to_bytes(4, "little", signed=True)
    undeclared = tmp_path / "undeclared.sav"
    undeclared.write_bytes(whole[:-13])
    with pytest.warns(savkit.DamagedFileWarning, match=r"4 complete cases, then damaged: case 5, which starts here"):
        df, meta = savkit.read_sav(undeclared)
    assert len(df) == meta.row_count == 4
    with pytest.raises(savkit.FileError, match=r"text\.sav: .*does not start with \$FL2 or \$FL3 \(byte 0\)"):
        (tmp_path / "text.sav").write_text("x" * 300)
        savkit.read_sav(tmp_path / "text.sav")


def test_texts_past_what_the_format_holds_are_said_and_long_labels_kept(tmp_path):
    path = tmp_path / "f.sav"
    savkit.write_sav(pd.DataFrame({"x": [1.0, 2.0]}), path)
    with savkit.File(path) as f:
        f["x"].label = "L" * 300  # the format holds it whole: no cut, no warning
        with pytest.warns(savkit.TextCutWarning, match="x: the label of 1.0: cut to 120 bytes"):
            f["x"].value_labels = {1.0: "v" * 130}
        with pytest.warns(savkit.TextCutWarning, match="file label: cut to 64 bytes"):
            f.file_label = "f" * 65
        f.save()
    meta = savkit.read_sav(path)[1]
    assert meta.column("x").label == "L" * 300
    assert meta.column("x").value_labels == {1.0: "v" * 120}


@pytest.mark.parametrize("path", [p for p in FILES if readable(p)], ids=lambda p: p.name)
def test_every_front_door_writes_a_file_back_as_it_was(cli, tmp_path, path):
    # Through File (one label changed), savkit convert and savkit edit: savkit
    # diff finds the one change, or none.
    with savkit.File(path) as f:
        first = f.variables[0]
        name, label = first.name, first.label
        first.label = "changed"
        f.save_as(tmp_path / "file.sav")
    diff = subprocess.run([cli, "diff", str(path), str(tmp_path / "file.sav")], capture_output=True, text=True)
    changed = [line.strip() for line in diff.stdout.splitlines() if line.startswith("  ")]
    assert changed == [f'variable {name}: label: {savkit_quote(label)} -> "changed"'], diff.stdout[-1500:]
    for args in (["convert", str(path), str(tmp_path / "convert.sav")],
                 ["edit", str(path), "-o", str(tmp_path / "edit.sav"), "--file-label", file_label(path)]):
        run = subprocess.run([cli] + args, capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        out = args[2] if args[0] == "convert" else args[3]
        same = subprocess.run([cli, "diff", str(path), out], capture_output=True, text=True)
        assert same.returncode == 0, (args[0], same.stdout[-1500:])


def file_label(path):
    return savkit.read_sav(path, row_limit=0)[1].file_label


def savkit_quote(text):
    return '"' + text + '"'
