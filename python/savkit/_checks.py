"""What write_sav takes of a Metadata, checked before anything is written:
a wrong type is a TypeError naming the column or field, not a failure deep
in the extension module."""

import numbers

from ._metadata import Column, MRSet


def _is_number(value):
    return isinstance(value, numbers.Real) and not isinstance(value, bool)


def _expect(ok, where, what, value):
    if not ok:
        raise TypeError(f"{where}: {what}, not {type(value).__name__} {value!r}")


def _text(value, where, field):
    _expect(isinstance(value, str), where, f"{field} is a str", value)


def _texts(mapping, where, field):
    _expect(isinstance(mapping, dict), where, f"{field} is a dict of str to str", mapping)
    for key, value in mapping.items():
        _text(key, where, f"a name in {field}")
        _text(value, where, f"{field}[{key!r}]")


def check_column(c):
    """Raises TypeError (ValueError) for the first field of c write_sav cannot use."""
    _expect(isinstance(c, Column), "columns", "each item is a savkit.Column", c)
    _text(c.name, "columns", "name")
    where = c.name
    _text(c.label, where, "label")
    for field in ("type", "format", "measure", "alignment", "role"):
        value = getattr(c, field)
        _expect(value is None or isinstance(value, str), where, f"{field} is None or a str", value)
    _expect(c.type in (None, "numeric", "string"), where, "type is \"numeric\" or \"string\"", c.type)
    for field in ("width", "display_width"):
        value = getattr(c, field)
        _expect(value is None or (isinstance(value, numbers.Integral) and not isinstance(value, bool)), where,
                f"{field} is None or an int", value)
        if value is not None and value < 0:
            raise ValueError(f"{where}: {field} {value} is below 0")
    _expect(isinstance(c.value_labels, dict), where, "value_labels is a dict", c.value_labels)
    for value, label in c.value_labels.items():
        _expect(_is_number(value) or isinstance(value, str), where, "a labelled value is a number or a str", value)
        _text(label, where, f"the label of {value!r}")
    _expect(isinstance(c.missing_values, (list, tuple)), where, "missing_values is a list", c.missing_values)
    for value in c.missing_values:
        _expect(_is_number(value) or isinstance(value, str), where, "a missing value is a number or a str", value)
    if c.missing_range is not None:
        ok = isinstance(c.missing_range, (list, tuple)) and len(c.missing_range) == 2
        _expect(ok and all(_is_number(v) for v in c.missing_range), where, "missing_range is (low, high)",
                c.missing_range)
    _texts(c.attributes, where, "attributes")


def check_metadata(meta):
    """Raises TypeError for the first field of meta of a type write_sav cannot use."""
    _expect(isinstance(meta.file_label, str), "file_label", "the file label is a str", meta.file_label)
    _expect(meta.weight is None or isinstance(meta.weight, str), "weight", "the weight is None or a column name",
            meta.weight)
    _texts(meta.file_attributes, "file_attributes", "file_attributes")
    _expect(isinstance(meta.variable_sets, dict), "variable_sets", "a dict of set names to column names",
            meta.variable_sets)
    for name, members in meta.variable_sets.items():
        _text(name, "variable_sets", "a set name")
        _expect(isinstance(members, (list, tuple)) and all(isinstance(m, str) for m in members),
                f"variable set {name}", "its members are a list of column names", members)
    _expect(isinstance(meta.columns, (list, tuple)), "columns", "a list of savkit.Column", meta.columns)
    for c in meta.columns:
        check_column(c)
    _expect(isinstance(meta.mr_sets, (list, tuple)), "mr_sets", "a list of savkit.MRSet", meta.mr_sets)
    for s in meta.mr_sets:
        _expect(isinstance(s, MRSet), "mr_sets", "each item is a savkit.MRSet", s)
        _text(s.name, "mr_sets", "a set name")
        _text(s.label, s.name, "label")
        _expect(isinstance(s.variables, (list, tuple)) and all(isinstance(v, str) for v in s.variables), s.name,
                "its variables are a list of column names", s.variables)

