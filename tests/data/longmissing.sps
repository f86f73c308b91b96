* Long strings with two and three missing values. PSPP 1.6.2 writes them in
* an older layout (a length before every value) that ReadStat refuses; the
* format guide gives one length for all. Regenerate with make-fixtures.sh.
DATA LIST LIST NOTABLE /id (F2.0) answer (A20) code (A12).
BEGIN DATA.
1 "yes" "abc"
2 "refused" "n/a"
3 "unknown" "zzz"
END DATA.
MISSING VALUES answer ('refused', 'unknown').
MISSING VALUES code ('n/a', 'zzz', 'none').
SAVE OUTFILE='longmissing.sav'.
