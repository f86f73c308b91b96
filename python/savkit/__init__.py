"""SPSS system files (.sav, .zsav) into pandas and back, on the savkit library.

    df, meta = savkit.read_sav("survey.sav")
    savkit.write_sav(df, "copy.sav", metadata=meta)
    with savkit.File("survey.sav") as f:
        f.set_value(0, "age", 41)
        f.save()
"""

from ._savkit import __version__
from ._errors import DamagedFileWarning, DataFileError, Error, FileError, TextCutWarning
from ._file import File, Variable
from ._metadata import Column, Metadata, MRSet
from ._read import Chunks, read_metadata, read_por, read_sav, read_sav_chunks
from ._write import write_por, write_sav

__all__ = ["Chunks", "Column", "DamagedFileWarning", "DataFileError", "Error", "File", "FileError", "Metadata", "MRSet", "TextCutWarning",
           "read_metadata", "read_por", "read_sav", "read_sav_chunks", "Variable", "write_por", "write_sav"]
