* PSPP's portable files of fixtures above, for reading: each must read as
* the system file it was exported from. Regenerate with make-fixtures.sh.
GET FILE='latin1.sav'.
EXPORT OUTFILE='latin1.por'.
GET FILE='time-formats.sav'.
EXPORT OUTFILE='time-formats.por'.
GET FILE='codebook.sav'.
EXPORT OUTFILE='codebook.por'.
