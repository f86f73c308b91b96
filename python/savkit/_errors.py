"""The exceptions savkit raises."""


class Error(Exception):
    """A failure of the savkit library; ``status`` is the I/O library's
    status code, or 0 where the library's own checks refused."""

    def __init__(self, message, status=0):
        super().__init__(message)
        self.message = message
        self.status = status


class FileError(Error, OSError):
    """The file could not be read or written as asked (``status`` says why).
    An ``OSError``, as Python's own file errors are, so that code catching
    those catches it too."""

    def __new__(cls, message, status=0):
        # Not OSError's (errno, strerror) form: the message is the message.
        return OSError.__new__(cls, message)


class DataFileError(Error):
    """An operation the data file does not allow, such as a case number out
    of range or a value label that is there already."""


class DamagedFileWarning(UserWarning):
    """The file is damaged past its last complete case (cut inside a case):
    the cases before the damage are read, and the message says where it is."""


class TextCutWarning(UserWarning):
    """A text was longer than the file format holds and was written cut,
    between characters: a value label past 120 bytes, a file label past 64.
    The message names the column or the file label."""
