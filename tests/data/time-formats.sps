* Durations in MTIME, moments in YMDHMS and documents: what a read and a
* write must give back as they are.
DATA LIST LIST /lap (F8.0) stamp (F8.0).
BEGIN DATA
75.5 13000000000
3600 12000000000
END DATA.
FORMATS lap (MTIME9.1) stamp (YMDHMS19).
VARIABLE LABELS lap 'Lap time'.
DOCUMENT Laps timed by hand.
SAVE OUTFILE='time-formats.sav'.
