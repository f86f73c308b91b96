ASCII SPSS PORT FILE                    ASCII SPSS PORT FILE                    
ASCII SPSS PORT FILE                    ASCII SPSS PORT FILE                    
ASCII SPSS PORT FILE                    0000000000000000000000000000000000000000
0000000000000000000000000123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrst
uvwxyz .<(+|&[]!$*);^-/|,%_>?`:$@'="000000~-0000123456789000-()0{}\0000000000000
00000000000000000000000000000000000000000000000000000000SPSSPORTA8/202612096/063
8091E/GNU pspp 1.6.23J/x86_64-pc-linux-gnu62/WT4B/5B/70/2/ID5/5/0/5/5/0/70/5/SCO
RE5/8/2/5/8/2/91/CA/Test score70/5/GRADE5/2/0/5/2/0/85/C5/Grade70/2/WT5/6/2/5/6/
2/70/4/BORNK/B/0/K/B/0/CD/Date of birth7A/4/CITY1/A/0/1/A/0/88/none    C9/Home t
own70/2/Q15/1/0/5/1/0/70/2/Q25/1/0/5/1/0/70/2/Q35/1/0/5/1/0/70/2/C15/1/0/5/1/0/7
0/2/C25/1/0/5/1/0/D1/5/GRADE5/1/4/poor2/4/fair3/4/good4/9/very good5/9/no answer
D1/2/C14/1/3/red2/5/green3/4/blue4/5/blackD1/2/C24/1/3/red2/5/green3/4/blue4/5/b
lackE2/13/DOCUMENT savkit codebook fixture.O/   (Entered 08 Dec 2026)F1/C.A/3/1/
HIQ7600/A/Oslo      1/0/0/2/2/2/O.K/5/1.F/HIRIO00/A/Oslo      0/0/0/3/3/3/3.A/2/
2/HIT0C00/A/Oslo      1/1/0/4/1/4/F.K/4/.F/HJ0C+3/A/Oslo      0/0/0/1/2/5/S/1/1/
HJ1NI00/A/Oslo      1/0/1/2/3/6/6.K/3/1.F/HJ35600/A/Oslo      0/1/0/3/1/7/J/5/2/
HJ4GO00/A/Oslo      1/0/0/4/2/8/11.A/2/.F/HJ5SC00/A/Oslo      0/0/0/1/3/9/A/4/1/
HJ7A+3/A/Oslo      1/1/0/2/1/A/M.A/1/1.F/HJ8LI00/A/Oslo      0/0/1/3/2/B/1/3/2/H
JA3600/A/Oslo      1/0/0/4/3/C/D.A/5/.F/HJBEO00/A/Oslo      0/1/0/1/1/D/P.K/2/*.
HJCQC00/A/Oslo      1/0/0/2/2/E/4.A/4/1.F/HJE8+3/A/Oslo      0/0/0/3/3/F/G.K/1/2
/HJFJI00/A/Oslo      1/1/1/4/1/G/T/3/.F/HJH1600/A/Oslo      0/0/0/1/2/H/*.5/1/HJ
ICO00/A/Oslo      1/0/0/2/3/I/K/2/1.F/HJJOC00/A/Oslo      0/1/0/3/1/J/12.A/4/2/H
JL6+3/A/Oslo      1/0/0/4/2/K/B/1/.F/HJMHI00/A/Oslo      0/0/1/1/3/L/N.A/3/1/HJN
T600/A/Oslo      1/1/0/2/1/M/2/5/1.F/HJPAO00/A/Oslo      0/0/0/3/2/N/E.A/2/2/HJQ
MC00/A/Oslo      1/0/0/4/3/O/Q.K/4/.F/HJS4+3/A/Oslo      0/1/0/1/1/P/5.A/1/1/HJT
FI00/A/Oslo      1/0/1/2/2/Q/H.K/3/1.F/HK0R600/A/Oslo      0/0/0/3/3/R/10/5/2/HK
28O00/A/Oslo      1/1/0/4/1/S/8.K/2/.F/HK3KC00/A/Oslo      0/0/0/1/2/T/L/4/1/HK5
2+3/A/Oslo      1/0/0/2/3/10/13.A/1/1.F/HK6DI00/A/Oslo      0/1/1/3/1/11/C/3/2/H
K7P600/A/Oslo      1/0/0/4/2/12/O.A/5/.F/HK96O00/A/Oslo      0/0/0/1/3/13/3/2/1/
HKAIC00/A/Oslo      1/1/0/2/1/14/*.4/1.F/HKC+4/A/Oslo      0/0/0/3/2/15/R.K/1/2/
HKDBI00/A/Oslo      1/0/1/4/3/16/6.A/3/.F/HKEN600/A/Oslo      0/1/0/1/1/17/I.K/5
/1/HKG4O00/A/Oslo      1/0/0/2/2/18/11/2/1.F/HKHGC00/A/Oslo      0/0/0/3/3/19/9.
K/4/2/HKIS+3/A/Oslo      1/1/0/4/1/1A/M/1/.F/HKK9I00/A/Oslo      0/0/1/1/2/1B/.K
/3/1/HKLL600/A/Oslo      1/0/0/2/3/1C/D/5/1.F/HKN2O00/A/Oslo      0/1/0/3/1/1D/P
.A/2/2/HKOEC00/A/Oslo      1/0/0/4/2/1E/4/4/.F/HKPQ+3/A/Oslo      0/0/0/1/3/1F/G
.A/1/1/HKR7I00/A/Oslo      1/1/1/2/1/1G/S.K/3/1.F/HKSJ600/A/Oslo      0/0/0/3/2/
1H/7.A/5/2/HL00O00/A/Oslo      1/0/0/4/3/1I/J.K/2/.F/HL1CC00/A/Oslo      0/1/0/1
/1/1J/12/4/1/HL2O+3/A/Oslo      1/0/0/2/2/1K/A.K/1/1.F/HL45I00/A/Oslo      0/0/1
/3/3/1L/*.3/2/HL5H600/A/Oslo      1/1/0/4/1/1M/1.K/5/.F/HL6SO00/A/Oslo      0/0/
0/1/2/1N/E/2/1/HL8AC00/A/Oslo      1/0/0/2/3/1O/Q.A/4/1.F/HL9M+3/A/Oslo      0/1
/0/3/1/1P/5/1/2/HLB3I00/A/Oslo      1/0/1/4/2/1Q/H.A/3/.F/HLCF600/A/Oslo      0/
0/0/1/3/1R/T.K/5/1/HLDQO00/A/Oslo      1/1/0/2/1/1S/8.A/2/1.F/HLF8C00/A/Oslo    
  0/0/0/3/2/1T/K.K/4/2/HLGK+3/A/Oslo      1/0/0/4/3/20/13/1/.F/HLI1I00/A/Oslo   
   0/1/1/1/1/21/B.K/3/1/HLJD600/A/Bergen    1/0/0/2/2/22/O/5/1.F/HLKOO00/A/Berge
n    0/0/0/3/3/23/2.K/2/2/HLM6C00/A/Bergen    1/1/0/4/1/24/F/4/.F/HLNI+3/A/Berge
n    0/0/0/1/2/25/R.A/1/1/HLOTI00/A/Bergen    1/0/1/2/3/26/6/3/1.F/HLQB600/A/Ber
gen    0/1/0/3/1/27/I.A/5/2/HLRMO00/A/Bergen    1/0/0/4/2/28/*.2/.F/HLT4C00/A/Be
rgen    0/0/0/1/3/29/9.A/4/1/HM0G+3/A/Bergen    1/1/0/2/1/2A/L.K/1/1.F/HM1RI00/A
/Bergen    0/0/1/3/2/2B/.A/3/2/HM39600/A/Bergen    1/0/0/4/3/2C/C.K/5/.F/HM4KO00
/A/Bergen    0/1/0/1/1/2D/P/2/1/HM62C00/A/Bergen    1/0/0/2/2/2E/3.K/4/1.F/HM7E+
3/A/Bergen    0/0/0/3/3/2F/G/1/2/HM8PI00/A/Bergen    1/1/1/4/1/2G/S.A/3/.F/HMA76
00/A/Bergen    0/0/0/1/2/2H/7/5/1/HMBIO00/A/Bergen    1/0/0/2/3/2I/J.A/2/1.F/HMD
0C00/A/Bergen    0/1/0/3/1/2J/11.K/4/2/HMEC+3/A/Bergen    1/0/0/4/2/2K/A.A/1/.F/
HMFNI00/A/Bergen    0/0/1/1/3/2L/M.K/3/1/HMH5600/A/Bergen    1/1/0/2/1/2M/1.A/5/
1.F/HMIGO00/A/Bergen    0/0/0/3/2/2N/D.K/2/2/HMJSC00/A/Bergen    1/0/0/4/3/2O/Q/
4/.F/HMLA+3/A/Bergen    0/1/0/1/1/2P/*.1/1/HMMLI00/A/Bergen    1/0/1/2/2/2Q/H/3/
1.F/HMO3600/A/Bergen    0/0/0/3/3/2R/T.A/5/2/HMPEO00/A/Bergen    1/1/0/4/1/2S/8/
2/.F/HMQQC00/A/Bergen    0/0/0/1/2/2T/K.A/4/1/HMS8+3/A/Bergen    1/0/0/2/3/30/12
.K/1/1.F/HMTJI00/A/Bergen    0/1/1/3/1/31/B.A/3/2/HN11600/A/Bergen    1/0/0/4/2/
32/N.K/5/.F/HN2CO00/A/Bergen    0/0/0/1/3/33/2.A/2/1/HN3OC00/A/Bergen    1/1/0/2
/1/34/E.K/4/1.F/HN56+3/A/Bergen    0/0/0/3/2/35/R/1/2/HN6HI00/A/Bergen    1/0/1/
4/3/36/5.K/3/.F/HN7T600/A/Bergen    0/1/0/1/1/37/I/5/0/HN9AO00/A/Bergen    1/0/0
/2/2/38/10.A/2/1.F/HNAMC00/A/Bergen    0/0/0/3/3/39/9/4/2/HNC4+3/A/Bergen    1/1
/0/4/1/3A/L.A/1/.F/HNDFI00/A/Bergen    0/0/1/1/2/3B/0/3/1/HNER600/A/Bergen    1/
0/0/2/3/3C/*.5/1.F/HNG8O00/A/Bergen    0/1/0/3/1/3D/O.K/2/2/HNHKC00/A/Bergen    
1/0/0/4/2/3E/3.A/4/.F/HNJ2+3/A/Bergen    0/0/0/1/3/3F/F.K/1/1/HNKDI00/A/Bergen  
  1/1/1/2/1/3G/S/3/1.F/HNLP600/A/Bergen    0/0/0/3/2/3H/6.K/5/2/HNN6O00/A/Bergen
    1/0/0/4/3/3I/J/2/.F/HNOIC00/A/Bergen    0/1/0/1/1/3J/11.A/4/1/HNQ+4/A/Bergen
    1/0/0/2/2/3K/A/1/1.F/HNRBI00/A/Bergen    0/0/1/3/3/3L/M.A/3/2/HNSN600/A/Berg
en    1/1/0/4/1/3M/1/5/.F/HO04O00/A/Bergen    0/0/0/1/2/3N/D.A/2/1/HO1GC00/A/Ber
gen    1/0/0/2/3/3O/P.K/4/1.F/HO2S+3/A/Bergen    0/1/0/3/1/3P/4.A/1/2/HO49I00/A/
Bergen    1/0/1/4/2/3Q/G.K/3/.F/HO5L600/A/Bergen    0/0/0/1/3/3R/T/5/1/HO72O00/A
/Bergen    1/1/0/2/1/3S/7.K/2/1.F/HO8EC00/A/Bergen    0/0/0/3/2/3T/*.4/2/HO9Q+3/
A/Bergen    1/0/0/4/3/40/12.A/1/.F/HOB7I00/A/Bergen    0/1/1/1/1/41/B/3/1/HOCJ60
0/A/Bergen    1/0/0/2/2/42/N.A/5/1.F/HOE0O00/A/Bergen    0/0/0/3/3/43/2/2/2/HOFC
C00/A/Bergen    1/1/0/4/1/44/E.A/4/.F/HOGO+3/A/Bergen    0/0/0/1/2/45/Q.K/1/1/HO
I5I00/A/Bergen    1/0/1/2/3/46/5.A/3/1.F/HOJH600/A/Bergen    0/1/0/3/1/47/H.K/5/
2/HOKSO00/A/Bergen    1/0/0/4/2/48/10/2/.F/HOMAC00/A/Bergen    0/0/0/1/3/49/8.K/
4/1/HONM+3/A/Bergen    1/1/0/2/1/4A/L/1/1.F/HOP3I00/A/Bergen    0/0/1/3/2/4B/13.
A/3/2/HOQF600/A/Tromsø   1/0/0/4/3/4C/C/5/.F/HORQO00/A/Tromsø   0/1/0/1/1/4D/O
.A/2/1/HOT8C00/A/Tromsø   1/0/0/2/2/4E/3/4/1.F/HP0K+3/A/Tromsø   0/0/0/3/3/4F/
F.A/1/2/HP21I00/A/Tromsø   1/1/1/4/1/4G/*.3/.F/HP3D600/A/Tromsø   0/0/0/1/2/4H
/6.A/5/1/HP4OO00/A/Tromsø   1/0/0/2/3/4I/I.K/2/1.F/HP66C00/A/Tromsø   0/1/0/3/
1/4J/11/4/2/HP7I+3/A/Tromsø   1/0/0/4/2/4K/9.K/1/.F/HP8TI00/A/Tromsø   0/0/1/1
/3/4L/M/3/1/HPAB600/A/Tromsø   1/1/0/2/1/4M/.K/5/1.F/HPBMO00/A/Tromsø   0/0/0/
3/2/4N/D/2/2/HPD4C00/A/Tromsø   1/0/0/4/3/4O/P.A/4/.F/HPEG+3/A/Tromsø   0/1/0/
1/1/4P/4/1/1/HPFRI00/A/Tromsø   1/0/1/2/2/4Q/G.A/3/1.F/HPH9600/A/Tromsø   0/0/
0/3/3/4R/S.K/5/2/HPIKO00/A/Tromsø   1/1/0/4/1/4S/7.A/2/.F/HPK2C00/A/Tromsø   0
/0/0/1/2/4T/J.K/4/1/HPLE+3/A/Tromsø   1/0/0/2/3/50/12/1/1.F/HPMPI00/A/Tromsø  
 0/1/1/3/1/51/A.K/3/2/HPO7600/A/Tromsø   1/0/0/4/2/52/N/5/.F/HPPIO00/A/Tromsø 
  0/0/0/1/3/53/*.2/1/HPR0C00/A/Tromsø   1/1/0/2/1/54/E/4/1.F/HPSC+3/A/Tromsø  
 0/0/0/3/2/55/Q.A/1/2/HPTNI00/A/Tromsø   1/0/1/4/3/56/5/3/.F/HQ15600/A/Tromsø 
  0/1/0/1/1/57/H.A/5/1/HQ2GO00/A/Tromsø   1/0/0/2/2/58/T.K/2/1.F/HQ3SC00/A/Trom
sø   0/0/0/3/3/59/8.A/4/2/HQ5A+3/A/Tromsø   1/1/0/4/1/5A/K.K/1/.F/HQ6LI00/A/Tr
omsø   0/0/1/1/2/5B/13/3/1/HQ83600/A/Tromsø   1/0/0/2/3/5C/B.K/5/1.F/HQ9EO00/A
/Tromsø   0/1/0/3/1/5D/O/2/2/HQAQC00/A/Tromsø   1/0/0/4/2/5E/2.K/4/.F/HQC8+3/A
/Tromsø   0/0/0/1/3/5F/F/1/1/HQDJI00/A/Tromsø   1/1/1/2/1/5G/R.A/3/1.F/HQF1600
/A/Tromsø   0/0/0/3/2/5H/6/5/2/HQGCO00/A/Tromsø   1/0/0/4/3/5I/I.A/2/.F/HQHOC0
0/A/Tromsø   0/1/0/1/1/5J/10.K/4/1/HQJ6+3/A/Tromsø   1/0/0/2/2/5K/*.1/1.F/HQKH
I00/A/Tromsø   0/0/1/3/3/5L/L.K/3/2/HQLT600/A/Tromsø   1/1/0/4/1/5M/.A/5/.F/HQ
NAO00/A/Tromsø   0/0/0/1/2/5N/C.K/2/1/HQOMC00/A/Tromsø   1/0/0/2/3/5O/P/4/1.F/
HQQ4+3/A/Tromsø   0/1/0/3/1/5P/3.K/1/2/HQRFI00/A/Tromsø   1/0/1/4/2/5Q/G/3/.F/
HQSR600/A/Tromsø   0/0/0/1/3/5R/S.A/5/1/HR08O00/A/Tromsø   1/1/0/2/1/5S/7/2/1.
F/HR1KC00/A/Tromsø   0/0/0/3/2/5T/J.A/4/2/HR32+3/A/Tromsø   1/0/0/4/3/60/11.K/
1/.F/HR4DI00/A/Tromsø   0/1/1/1/1/61/A.A/3/1/HR5P600/A/Tromsø   1/0/0/2/2/62/M
.K/5/1.F/HR76O00/A/Tromsø   0/0/0/3/3/63/1.A/2/2/HR8IC00/A/Tromsø   1/1/0/4/1/
64/D.K/4/.F/HRA+4/A/Tromsø   0/0/0/1/2/65/Q/1/1/HRBBI00/A/Tromsø   1/0/1/2/3/6
6/4.K/3/1.F/HRCN600/A/Tromsø   0/1/0/3/1/67/*.5/2/HRE4O00/A/Tromsø   1/0/0/4/2
/68/T.A/2/.F/HRFGC00/A/Tromsø   0/0/0/1/3/69/8/4/1/HRGS+3/A/Tromsø   1/1/0/2/1
/6A/K.A/1/1.F/HRI9I00/A/Tromsø   0/0/1/3/2/6B/12.K/3/2/HRJL600/A/Tromsø   1/0/
0/4/3/6C/B.A/5/.F/HRL2O00/A/Tromsø   0/1/0/1/1/6D/N.K/2/1/HRMEC00/A/Tromsø   1
/0/0/2/2/6E/2.A/4/0/HRNQ+3/A/Tromsø   0/0/0/3/3/6F/E.K/1/2/HRP7I00/A/Tromsø   
1/1/1/4/1/6G/R/3/.F/HRQJ600/A/Tromsø   0/0/0/1/2/6H/5.K/5/1/HRS0O00/A/Tromsø  
 1/0/0/2/3/6I/I/2/1.F/HRTCC00/A/Tromsø   0/1/0/3/1/6J/10.A/4/2/HS0O+3/A/Tromsø
   1/0/0/4/2/6K/9/1/.F/HS25I00/A/Tromsø   0/0/1/1/3/6L/L.A/3/1/HS3H600/A/none  
    1/1/0/2/1/6M/0/5/1.F/HS4SO00/A/none      0/0/0/3/2/6N/C.A/2/2/HS6AC00/A/none
      1/0/0/4/3/6O/*.4/.F/HS7M+3/A/none      0/1/0/1/1/6P/3.A/1/1/HS93I00/A/none
      1/0/1/2/2/6Q/F.K/3/1.F/HSAF600/A/none      0/0/0/3/3/6R/S/5/2/HSBQO00/A/no
ne      1/1/0/4/1/6S/6.K/2/.F/HSD8C00/A/none      0/0/0/1/2/6T/J/4/1/HSEK+3/A/no
ne      1/0/0/2/3/70/11.A/1/1.F/HSG1I00/A/none      0/1/1/3/1/71/A/3/2/HSHD600/A
/none      1/0/0/4/2/72/M.A/5/.F/HSIOO00/A/none      0/0/0/1/3/73/1/2/1/HSK6C00/
A/none      1/1/0/2/1/74/D.A/4/1.F/HSLI+3/A/none      0/0/0/3/2/75/P.K/1/2/HSMTI
00/A/none      1/0/1/4/3/76/4.A/3/.F/HSOB600/A/none      0/1/0/1/1/77/G.K/5/1/HS
PMO00/A/none      1/0/0/2/2/78/T/2/1.F/HSR4C00/A/none      0/0/0/3/3/79/7.K/4/2/
HSSG+3/A/none      1/1/0/4/1/7A/K/1/.F/HSTRI00/A/none      0/0/1/1/2/7B/*.3/1/HT
19600/A/none      1/0/0/2/3/7C/B/5/1.F/HT2KO00/A/none      0/1/0/3/1/7D/N.A/2/2/
HT42C00/A/none      1/0/0/4/2/7E/2/4/.F/HT5E+3/A/none      0/0/0/1/3/7F/E.A/1/1/
HT6PI00/A/none      1/1/1/2/1/7G/Q.K/3/1.F/HT87600/A/none      0/0/0/3/2/7H/5.A/
5/2/HT9IO00/A/none      1/0/0/4/3/7I/H.K/2/.F/HTB0C00/A/none      0/1/0/1/1/7J/1
0/4/1/HTCC+3/A/none      1/0/0/2/2/7K/8.K/1/1.F/HTDNI00/A/none      0/0/1/3/3/7L
/L/3/2/HTF5600/A/none      1/1/0/4/1/7M/13.A/5/.F/HTGGO00/A/none      0/0/0/1/2/
7N/C/2/1/HTHSC00/A/none      1/0/0/2/3/7O/O.A/4/1.F/HTJA+3/A/none      0/1/0/3/1
/7P/3/1/2/HTKLI00/A/none      1/0/1/4/2/7Q/F.A/3/.F/HTM3600/A/none      0/0/0/1/
3/7R/R.K/5/1/HTNEO00/A/none      1/1/0/2/1/7S/*.2/1.F/HTOQC00/A/none      0/0/0/
3/2/7T/I.K/4/2/HTQ8+3/A/none      1/0/0/4/3/80/11/1/.F/HTRJI00/A/none      0/1/1
/1/1/ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ
