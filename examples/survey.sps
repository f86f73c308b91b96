* The sample file that run-sample.sh describes. Regenerate with
*   pspp survey.sps
DATA LIST LIST NOTABLE /id (F4.0) age (F3.0) city (A12) income (DOLLAR10.2) joined (DATE11) happy (F1.0).
BEGIN DATA.
1 34 "Amsterdam" 52000.50 12-MAR-2019 4
2 27 "Zürich" 61000.00 01-JUL-2021 5
3 45 "São Paulo" 38000.75 23-NOV-2015 3
4 . "Köln" . 30-JAN-2020 2
5 61 "Oslo" 71000.00 05-MAY-2008 9
END DATA.
VARIABLE LABELS id 'Respondent' age 'Age in years' city 'City of residence'
  income 'Yearly income' joined 'Date joined' happy 'Happiness'.
VALUE LABELS happy 1 'Very unhappy' 3 'Neutral' 5 'Very happy' 9 'No answer'.
MISSING VALUES happy (9).
VARIABLE LEVEL happy (ORDINAL) city (NOMINAL).
FILE LABEL 'savkit sample survey'.
SAVE OUTFILE='survey.sav' /COMPRESSED.
