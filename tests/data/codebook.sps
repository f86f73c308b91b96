* The codebook fixture: 240 cases of scale, ordinal, date and string
* variables with user-missing values, value labels, a weight with zero and
* missing values, and two multiple-response sets. Regenerate with
* make-fixtures.sh.
INPUT PROGRAM.
LOOP id = 1 TO 240.
END CASE.
END LOOP.
END FILE.
END INPUT PROGRAM.
FORMATS id (F5.0).
COMPUTE score = MOD(id * 37, 101) / 3.
IF (MOD(id, 17) = 0) score = $SYSMIS.
FORMATS score (F8.2).
COMPUTE grade = MOD(id * 7, 5) + 1.
FORMATS grade (F2.0).
COMPUTE wt = 0.5 + MOD(id, 4) * 0.5.
IF (MOD(id, 97) = 0) wt = 0.
IF (id = 13) wt = $SYSMIS.
FORMATS wt (F6.2).
COMPUTE born = DATE.DMY(1, 1, 1990) + MOD(id * 13, 3650) * 86400.
FORMATS born (DATE11).
STRING city (A10).
RECODE id (1 THRU 60 = 'Oslo') (61 THRU 130 = 'Bergen') (131 THRU 200 = 'Tromsø') (ELSE = 'none') INTO city.
COMPUTE q1 = MOD(id, 2).
COMPUTE q2 = MOD(id, 3) = 0.
COMPUTE q3 = MOD(id, 5) = 0.
COMPUTE c1 = MOD(id, 4) + 1.
COMPUTE c2 = MOD(id, 3) + 1.
FORMATS q1 q2 q3 c1 c2 (F1.0).
VARIABLE LABELS score 'Test score' grade 'Grade' born 'Date of birth' city 'Home town'.
VALUE LABELS grade 1 'poor' 2 'fair' 3 'good' 4 'very good' 5 'no answer'
  /c1 c2 1 'red' 2 'green' 3 'blue' 4 'black'.
MISSING VALUES score (LO THRU 1) grade (5).
MISSING VALUES city ('none').
VARIABLE LEVEL grade (ORDINAL) score born (SCALE).
MRSETS
  /MDGROUP NAME=$owns LABEL='Owns' VARIABLES=q1 q2 q3 VALUE=1
  /MCGROUP NAME=$colors LABEL='Colours' VARIABLES=c1 c2.
DOCUMENT savkit codebook fixture.
DATAFILE ATTRIBUTE ATTRIBUTE=Origin('codebook fixture').
FILE LABEL 'Codebook fixture'.
WEIGHT BY wt.
SAVE OUTFILE='codebook.sav' /COMPRESSED.
WEIGHT OFF.
SAVE OUTFILE='codebook-unweighted.sav' /COMPRESSED.
