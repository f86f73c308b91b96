* A file in windows-1252: texts must come back as UTF-8, and string widths
* grow so that no converted character is cut. Regenerate with make-fixtures.sh.
SET LOCALE='windows-1252'.
DATA LIST LIST NOTABLE /name (A6) city (A12) n (F3.0).
BEGIN DATA.
"Zoë" "Köln" 1
"Ærø" "Besançon" 2
"€uro" "São Paulo" 3
END DATA.
VARIABLE LABELS name 'Prénom' city 'Ville — façade'.
VALUE LABELS name 'Zoë' 'Zoë label'.
MISSING VALUES name ('Ærø').
FILE LABEL 'Données'.
SAVE OUTFILE='latin1.sav'.
