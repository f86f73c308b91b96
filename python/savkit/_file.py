"""Editing a file in place through the object model."""

import codecs
import os
import warnings

from . import _savkit
from ._errors import TextCutWarning
from ._metadata import from_library
from ._read import opened


def _say_cut(text, limit, encoding, where):
    """A text the format holds only cut is said to be, naming where."""
    try:
        codec = codecs.lookup(encoding or "utf-8").name
    except LookupError:
        codec = "utf-8"
    if len(str(text).encode(codec, "replace")) > limit:
        warnings.warn(f"{where}: cut to {limit} bytes", TextCutWarning, stacklevel=4)


class Variable:
    """One variable of an open File. Setting a property changes the file's
    dictionary when the file is saved."""

    def __init__(self, file, vid):
        self._file = file
        self._id = vid

    def _get(self, key):
        return self._file._f.column(self._id)[key]

    def _set(self, key, value):
        self._file._f.set(self._id, key, value)

    @property
    def index(self):
        return self._file._f.index_of(self._id)

    type = property(lambda self: self._get("type"), doc='"numeric" or "string"')
    width = property(lambda self: self._get("width"), doc="bytes of a string; 0 for a number")
    role = property(lambda self: self._get("role"))
    attributes = property(lambda self: self._get("attributes"))
    name = property(lambda self: self._get("name"), lambda self, v: self._set("name", v))
    label = property(lambda self: self._get("label"), lambda self, v: self._set("label", v))
    format = property(lambda self: self._get("format"), lambda self, v: self._set("format", v),
                      doc='print and write format, as "F8.2"')
    measure = property(lambda self: self._get("measure"), lambda self, v: self._set("measure", v))
    alignment = property(lambda self: self._get("alignment"), lambda self, v: self._set("alignment", v))
    display_width = property(lambda self: self._get("display_width"),
                             lambda self, v: self._set("display_width", v))
    value_labels = property(lambda self: self._get("value_labels"),
                            lambda self, v: self._set_value_labels(dict(v)),
                            doc="{value: label}; assign a whole dict to change them")

    def _set_value_labels(self, labels):
        for value, label in labels.items():
            _say_cut(label, 120, self._file._encoding, f"{self.name}: the label of {value!r}")
        self._set("value_labels", labels)

    @property
    def missing_values(self):
        return self._get("missing_values")

    @missing_values.setter
    def missing_values(self, values):
        self._set("missing", {"missing_values": list(values), "missing_range": None})

    @property
    def missing_range(self):
        return self._get("missing_range")

    def set_missing(self, values=(), range=None):
        """Up to three missing values, or a range (low, high) and at most one more."""
        self._set("missing", {"missing_values": list(values), "missing_range": None if range is None else tuple(range)})

    def values(self):
        """Every case's value: a float64 array (system-missing NaN) or a list of str."""
        return self._file._f.values(self._id)

    def __repr__(self):
        return f"<savkit.Variable {self.name} {self.format}>"


class File:
    """An SPSS system file opened for editing; ``save`` writes every change
    at once and keeps everything else the file holds. Cases count from 0.

        with savkit.File("survey.sav") as f:
            f.set_value(0, "age", 41)
            f["age"].label = "Age in years"
            f.save()

    Leaving the ``with`` block closes the file; changes not saved are dropped.
    ``encoding`` reads its texts in that encoding whatever the file says; a
    save then writes the file in it, saying so: the way to mend a file whose
    encoding record is missing or wrong.
    """

    def __init__(self, path, encoding=None, password=None):
        path = os.fspath(path)
        self._f = opened(encoding, lambda e, p: _savkit.File(path, e, p), password)
        self._encoding = self._f.metadata()["encoding"]  # what the format's byte limits count in

    def close(self):
        self._f.close()

    @property
    def closed(self):
        return self._f.closed

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    @property
    def path(self):
        return self._f.path

    @property
    def n_cases(self):
        return self._f.cases()

    def __len__(self):
        return self._f.cases()

    @property
    def variables(self):
        return [Variable(self, self._f.id_of(i)) for i in range(self._f.variables())]

    def variable(self, key):
        """A variable by name (any letter case) or index."""
        return Variable(self, self._f.id_of(key))

    __getitem__ = variable

    @property
    def metadata(self):
        return from_library(self._f.metadata())

    @property
    def file_label(self):
        return self._f.file_label()

    @file_label.setter
    def file_label(self, label):
        _say_cut(label, 64, self._encoding, "file label")
        self._f.set_file_label(label)

    def _id(self, variable):
        return variable._id if isinstance(variable, Variable) else self._f.id_of(variable)

    def get_value(self, case, variable):
        """A number (system-missing NaN) or a str without its padding."""
        return self._f.get_value(case, self._id(variable))

    def set_value(self, case, variable, value):
        """None or NaN makes a number system-missing."""
        self._f.set_value(case, self._id(variable), value)

    def add_variable(self, name, type="numeric", width=8):
        """A new variable at the end; ``width`` is a string's, in bytes."""
        return Variable(self, self._f.add_variable(name, type, width))

    def delete_variable(self, variable):
        self._f.delete_variable(self._id(variable))

    def add_case(self):
        """A new case at the end, all missing; returns its index."""
        return self._f.add_case()

    def delete_case(self, case):
        self._f.delete_case(case)

    def save(self):
        self._f.save()

    def save_as(self, path):
        """Writes the file with every change under another name, and goes on
        with that file."""
        self._f.save_as(os.fspath(path))

    def __repr__(self):
        state = "closed" if self.closed else f"{self.n_cases} cases"
        return f"<savkit.File {self.path!r} {state}>"
