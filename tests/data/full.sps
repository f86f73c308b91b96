* The main reader fixture: every kind of dictionary entry PSPP writes, in
* three compressions. Regenerate with make-fixtures.sh.
DATA LIST LIST NOTABLE
  /id (F4.0) AVeryLongVariableNameForTheScore (F8.2) name (A8) code (A3) comment (A20)
   when (DATE11) clock (TIME8) stamp (DATETIME20) wt (F4.1) c1 (F1.0) c2 (F1.0)
   d1 (F1.0) d2 (F1.0) s1 (A3) s2 (A3) rng (F8.0) lohi (F8.0) hilo (F8.0).
BEGIN DATA.
1 10.5 Alice abc "a first comment" 01-JAN-2020 12:30:05 "01-JAN-2020 12:30:00" 1 1 2 1 0 yes no 1 -5 100
2 -3.25 "Zoë" zzz none 29-FEB-2000 00:00:00 "31-DEC-1999 23:59:59" 2.5 2 3 0 1 no yes 5 10 -100
3 . "" "" "" . . . 1 . . . . "" "" . . .
4 123456.78 "日本" x "ünïcode ßtraße" 15-OCT-1582 23:59:59 "15-OCT-1582 00:00:01" 0.5 3 1 1 1 yes yes 99 0 1e10
5 0 a bc "trailing   " 01-JAN-1970 1:00:00 "01-JAN-1970 00:00:00" 3 1 1 0 0 no no 2 3 4
END DATA.
STRING big (A1000) /huge (A20000).
COMPUTE big = CONCAT(RPAD(name, 990, '.'), 'END-OF-BIG').
COMPUTE huge = CONCAT(RPAD(comment, 19992, '-'), 'END-HUGE').
VARIABLE LABELS id 'Identifier'
  AVeryLongVariableNameForTheScore 'Score in € — ünïcode'
  name 'Given name'.
* A label longer than the 255 bytes handed out.
VARIABLE LABELS comment 'Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode Ünïcode end'.
VALUE LABELS id 1 'one' 2 'two'
  /AVeryLongVariableNameForTheScore 10.5 'ten and a half' -3.25 'negative'
  /name 'Alice' 'Ms A' 'Zoë' 'Ms Z'
  /code 'abc' 'ABC code'
  /comment 'a first comment' 'First comment label'
  /c1 c2 1 'red' 2 'green' 3 'blue'
  /d1 d2 1 'yes' 0 'no'.
* One command a string variable: PSPP drops what follows a string in one command.
MISSING VALUES id (999) AVeryLongVariableNameForTheScore (LO THRU 0) rng (1 THRU 5, 99)
  lohi (10 THRU HI) hilo (LO THRU -100) c1 c2 (9).
MISSING VALUES code ('zzz').
MISSING VALUES comment ('none').
MISSING VALUES s1 ('no', 'n/a').
VARIABLE LEVEL id (NOMINAL) code (ORDINAL) AVeryLongVariableNameForTheScore (SCALE).
VARIABLE ALIGNMENT name (CENTER) id (LEFT).
VARIABLE WIDTH comment (30) id (5).
WEIGHT BY wt.
DOCUMENT savkit reader fixture.
DATAFILE ATTRIBUTE ATTRIBUTE=Origin('fixture').
VARIABLE ATTRIBUTE VARIABLES=id ATTRIBUTE=Source('survey').
MRSETS
  /MCGROUP NAME=$colors LABEL='Chosen colors' VARIABLES=c1 c2
  /MDGROUP NAME=$owns LABEL='Ownership' VARIABLES=d1 d2 VALUE=1
  /MDGROUP NAME=$counted CATEGORYLABELS=COUNTEDVALUES LABEL='Counted' VARIABLES=d1 d2 VALUE=1
  /MDGROUP NAME=$strs VARIABLES=s1 s2 VALUE='yes'.
FILE LABEL 'savkit fixture: ünïcode'.
SAVE OUTFILE='full.sav' /COMPRESSED.
SAVE OUTFILE='full-uncompressed.sav' /UNCOMPRESSED.
SAVE OUTFILE='full.zsav' /ZCOMPRESSED.
