"""The dictionary of a file as plain Python values."""

from dataclasses import dataclass, field, replace
from datetime import datetime, timedelta
from typing import Dict, List, Optional, Tuple, Union

Value = Union[float, str]


@dataclass
class Column:
    """One variable: how it is stored, shown and labelled."""

    # A field left None is not given: write_sav works it out from the data,
    # as it does for a column the metadata does not name. read_sav gives all.
    name: str
    label: str = ""
    type: Optional[str] = None  # "numeric" or "string"
    width: Optional[int] = None  # a string's, in the file's own bytes; 0 for numbers
    format: Optional[str] = None  # print format, as "F8.2", "A20", "DATE11"
    measure: Optional[str] = None  # "nominal", "ordinal", "scale" or "unknown"
    alignment: Optional[str] = None  # "left", "right" or "center"
    display_width: Optional[int] = None
    value_labels: Dict[Value, str] = field(default_factory=dict)
    missing_values: List[Value] = field(default_factory=list)
    missing_range: Optional[Tuple[float, float]] = None
    role: Optional[str] = None  # "input", "target", "both", "none", "partition", "split"
    attributes: Dict[str, str] = field(default_factory=dict)


@dataclass
class MRSet:
    """A multiple-response set: a dichotomy set counts counted_value in each
    variable; a category set counts the categories its variables hold."""

    name: str
    label: str = ""
    kind: str = "dichotomy"  # or "category"
    counted_value: Optional[Value] = None
    variables: List[str] = field(default_factory=list)


@dataclass
class Metadata:
    """What a file says besides its values. ``columns`` follows the columns
    of the DataFrame it came with; sets and the weight are kept where every
    variable they name is among them."""

    file_label: str = ""
    encoding: str = "UTF-8"  # write_sav writes in it where every text fits
    compression: str = "bytecode"  # of the file read: "none", "bytecode" or "zlib"
    creation_time: Optional[datetime] = None
    product: str = ""
    row_count: int = 0  # cases in the file
    weight: Optional[str] = None
    documents: List[str] = field(default_factory=list)  # lines of at most 80 bytes
    file_attributes: Dict[str, str] = field(default_factory=dict)
    columns: List[Column] = field(default_factory=list)
    variable_sets: Dict[str, List[str]] = field(default_factory=dict)
    mr_sets: List[MRSet] = field(default_factory=list)

    @property
    def column_names(self) -> List[str]:
        return [c.name for c in self.columns]

    @property
    def column_labels(self) -> Dict[str, str]:
        return {c.name: c.label for c in self.columns}

    def column(self, name: str) -> Optional[Column]:
        """The column of that name, ignoring letter case as SPSS does."""
        key = str(name).upper()
        for c in self.columns:
            if c.name.upper() == key:
                return c
        return None

    def __str__(self):
        lines = [f"file label   {self.file_label}", f"encoding     {self.encoding}",
                 f"compression  {self.compression}", f"created      {self.creation_time}",
                 f"rows         {self.row_count}", f"weight       {self.weight or '(none)'}", ""]
        for c in self.columns:
            lines.append(f"{c.name:<12} {c.format:<10} {c.measure:<8} {c.label}")
            for v, label in c.value_labels.items():
                lines.append(f"{'':<12}   {v!r} = {label.rstrip(' ')}")
        for name, members in self.variable_sets.items():
            lines.append(f"variable set {name}: {' '.join(members)}")
        for s in self.mr_sets:
            lines.append(f"{s.kind} set {s.name}: {' '.join(s.variables)} ({s.label})")
        return "\n".join(lines)


_DAY_ZERO = datetime(1899, 12, 30)


def within(meta: Metadata, names) -> Metadata:
    """meta with the weight and the sets kept where every variable they name
    is among names (letter case aside)."""
    names = {str(n).upper() for n in names}

    def kept(members):
        return all(m.upper() in names for m in members)

    return replace(meta, weight=meta.weight if meta.weight and kept([meta.weight]) else None,
                   variable_sets={k: list(v) for k, v in meta.variable_sets.items() if kept(v)},
                   mr_sets=[s for s in meta.mr_sets if kept(s.variables)])


def from_library(raw: dict) -> Metadata:
    """Metadata from what the extension module reports, for the columns it
    selected."""
    columns = [Column(**c) for c in raw["columns"]]
    if raw.get("selected") is not None:
        by_name = {c.name: c for c in columns}
        columns = [by_name[n] for n in raw["selected"]]
    created = raw["creation_time"]
    meta = Metadata(
        file_label=raw["file_label"], encoding=raw["encoding"], compression=raw["compression"],
        creation_time=_DAY_ZERO + timedelta(days=created) if created else None,
        product=raw["product"], row_count=raw["row_count"], documents=list(raw["documents"]),
        file_attributes=dict(raw["file_attributes"]), weight=raw["weight"], columns=columns,
        variable_sets=dict(raw["variable_sets"]), mr_sets=[MRSet(**s) for s in raw["mr_sets"]])
    return within(meta, [c.name for c in columns])
