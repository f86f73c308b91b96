* A portable file with every dictionary record PSPP's EXPORT writes: labels,
* value labels of numbers and strings, every kind of missing value, a
* weight, documents, dates and times. Regenerate with make-fixtures.sh.
DATA LIST LIST NOTABLE
  /id (F4.0) score (F8.2) name (A8) code (A3) when (DATE11) clock (TIME8)
   stamp (DATETIME20) wt (F4.1) lo (F8.0) hi (F8.0) rng (F8.0) big (E10.3).
BEGIN DATA.
1 10.5 Alice abc 01-JAN-2020 12:30:05 "01-JAN-2020 12:30:00" 1 1 -5 100 1.5e300
2 -3.25 "Bob" zzz 29-FEB-2000 00:00:00 "31-DEC-1999 23:59:59" 2.5 2 10 -100 -2.5e-300
3 . "" "" . . . 1 . . . .
4 123456.78 "O'Brien" x 15-OCT-1582 23:59:59 "15-OCT-1582 00:00:01" 0.5 3 1 1 0.1
5 0 a bc 01-JAN-1970 1:00:00 "01-JAN-1970 00:00:00" 3 4 3 4 123456789
END DATA.
VARIABLE LABELS id 'Identifier' score 'Score (points)' name 'Given name'.
VALUE LABELS id 1 'one' 2 'two' /score 10.5 'ten and a half' -3.25 'negative'
  /name 'Alice' 'Ms A' 'Bob' 'Mr B' /code 'abc' 'ABC code'.
MISSING VALUES id (999) score (LO THRU 0) lo (1 THRU 2) rng (1 THRU 5, 99).
MISSING VALUES code ('zzz').
MISSING VALUES hi (7, 8, 9).
WEIGHT BY wt.
DOCUMENT A first line of documentation.
DOCUMENT A second, with 'quotes' & signs: <>=+-*/.
EXPORT OUTFILE='portable.por'.
SAVE OUTFILE='portable.sav'.
