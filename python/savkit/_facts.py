"""Facts of the file format that reading and writing share."""

import re

# 1 Jan 1970 in the file's seconds, which count from 14 Oct 1582.
SECONDS_TO_1970 = 12219379200


def format_type(fmt):
    """The letters of a format, upper case: "F" of "F8.2", "ADATE" of "adate10"."""
    return re.match(r"[A-Za-z]*", fmt).group(0).upper()
