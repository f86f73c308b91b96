* Small files with a bit of every dictionary entry, in three compressions:
* the starting inputs of the fuzz targets. Regenerate with make-fixtures.sh.
DATA LIST LIST NOTABLE
  /id (F4.0) AVeryLongVariableNameForTheScore (F8.2) name (A8) comment (A20) when (DATE11)
   wt (F4.1) c1 (F1.0) c2 (F1.0) d1 (F1.0) d2 (F1.0) s1 (A3) s2 (A3).
BEGIN DATA.
1 10.5 Alice "a first comment" 01-JAN-2020 1 1 2 1 0 yes no
2 -3.25 "Zoë" none 29-FEB-2000 2.5 2 3 0 1 no yes
3 . "" "" . 1 . . . . "" ""
END DATA.
STRING big (A300).
COMPUTE big = CONCAT(RPAD(name, 290, '.'), 'END-OF-BIG').
VARIABLE LABELS id 'Identifier' name 'Given name'.
VALUE LABELS id 1 'one' 2 'two' /name 'Alice' 'Ms A' /c1 c2 1 'red' 2 'green' /big 'x' 'long'.
MISSING VALUES id (999) AVeryLongVariableNameForTheScore (LO THRU 0).
MISSING VALUES comment ('none').
MISSING VALUES big ('n/a').
VARIABLE LEVEL id (NOMINAL) AVeryLongVariableNameForTheScore (SCALE).
VARIABLE ALIGNMENT name (CENTER).
VARIABLE WIDTH comment (30).
WEIGHT BY wt.
DOCUMENT savkit fuzz seed.
DATAFILE ATTRIBUTE ATTRIBUTE=Origin('seed').
VARIABLE ATTRIBUTE VARIABLES=id ATTRIBUTE=Source('survey').
MRSETS
  /MCGROUP NAME=$colors LABEL='Chosen colors' VARIABLES=c1 c2
  /MDGROUP NAME=$owns LABEL='Ownership' VARIABLES=d1 d2 VALUE=1
  /MDGROUP NAME=$strs VARIABLES=s1 s2 VALUE='yes'.
FILE LABEL 'savkit seed'.
SAVE OUTFILE='small.sav' /COMPRESSED.
SAVE OUTFILE='small-uncompressed.sav' /UNCOMPRESSED.
SAVE OUTFILE='small.zsav' /ZCOMPRESSED.
