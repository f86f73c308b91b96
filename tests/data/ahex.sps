* A string shown in hexadecimal: its format is twice its width.
* Regenerate with make-fixtures.sh.
DATA LIST LIST NOTABLE /code (A4) n (F4.0) tail (A3).
BEGIN DATA.
abcd 1 xyz
"AB" 2 end
END DATA.
FORMATS code (AHEX8).
SAVE OUTFILE='ahex.sav'.
