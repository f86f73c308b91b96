/* savkit's SPSS I/O library: the published C interface for reading and writing
 * SPSS system files. Every function returns a status (SPSS_OK, an error code or a
 * negative warning) unless it says otherwise. */
#ifndef SAVKIT_SPSSIO_H
#define SAVKIT_SPSSIO_H

#ifdef __cplusplus
extern "C" {
#endif

/* Success. */
#define SPSS_OK 0

/* Errors. */
#define SPSS_FILE_OERROR 1
#define SPSS_FILE_WERROR 2
#define SPSS_FILE_RERROR 3
#define SPSS_FITAB_FULL 4
#define SPSS_INVALID_HANDLE 5
#define SPSS_INVALID_FILE 6
#define SPSS_NO_MEMORY 7
#define SPSS_OPEN_RDMODE 8
#define SPSS_OPEN_WRMODE 9
#define SPSS_INVALID_VARNAME 10
#define SPSS_DICT_EMPTY 11
#define SPSS_VAR_NOTFOUND 12
#define SPSS_DUP_VAR 13
#define SPSS_NUME_EXP 14
#define SPSS_STR_EXP 15
#define SPSS_SHORTSTR_EXP 16
#define SPSS_INVALID_VARTYPE 17
#define SPSS_INVALID_MISSFOR 18
#define SPSS_INVALID_COMPSW 19
#define SPSS_INVALID_PRFOR 20
#define SPSS_INVALID_WRFOR 21
#define SPSS_INVALID_DATE 22
#define SPSS_INVALID_TIME 23
#define SPSS_NO_VARIABLES 24
#define SPSS_DUP_VALUE 27
#define SPSS_INVALID_CASEWGT 28
#define SPSS_DICT_COMMIT 30
#define SPSS_DICT_NOTCOMMIT 31
#define SPSS_NO_TYPE2 33
#define SPSS_NO_TYPE73 41
#define SPSS_INVALID_DATEINFO 45
#define SPSS_NO_TYPE999 46
#define SPSS_EXC_STRVALUE 47
#define SPSS_CANNOT_FREE 48
#define SPSS_BUFFER_SHORT 49
#define SPSS_INVALID_CASE 50
#define SPSS_INTERNAL_VLABS 51
#define SPSS_INCOMPAT_APPEND 52
#define SPSS_INTERNAL_D_A 53
#define SPSS_FILE_BADTEMP 54
#define SPSS_DEW_NOFIRST 55
#define SPSS_INVALID_MEASURELEVEL 56
#define SPSS_INVALID_7SUBTYPE 57
#define SPSS_INVALID_MRSETDEF 70
#define SPSS_INVALID_MRSETNAME 71
#define SPSS_DUP_MRSETNAME 72

/* Warnings: the operation went through. */
#define SPSS_EXC_LEN64 (-1)
#define SPSS_EXC_VARLABEL (-2)
#define SPSS_EXC_VALLABEL (-4)
#define SPSS_FILE_END (-5)
#define SPSS_NO_VARSETS (-6)
#define SPSS_EMPTY_VARSETS (-7)
#define SPSS_NO_LABELS (-8)
#define SPSS_NO_LABEL (-9)
#define SPSS_NO_CASEWGT (-10)
#define SPSS_NO_DATEINFO (-11)
#define SPSS_NO_MULTRESP (-12)
#define SPSS_EMPTY_MULTRESP (-13)
#define SPSS_NO_DEW (-14)
#define SPSS_EMPTY_DEW (-15)

/* The system-missing value: the most negative double. */
double spssSysmisVal(void);

/* The values that stand for LO and HI in missing-value ranges. */
int spssLowHighVal(double *lowest, double *highest);

#ifdef __cplusplus
}
#endif

#endif
