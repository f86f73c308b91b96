/* savkit's SPSS I/O library: the published C interface for reading and writing
 * SPSS system files. Every function returns a status (SPSS_OK, an error code or a
 * negative warning) unless it says otherwise.
 *
 * Threads: any function may run on any thread, and distinct handles may be
 * used on distinct threads at the same time (opening and closing included).
 * One handle is used by one thread at a time: calls on the same handle from
 * two threads at once must be serialized by the caller. */
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
#define SPSS_INVALID_ATTRNAME 75
#define SPSS_INVALID_ATTRDEF 76
#define SPSS_INVALID_ROLE 79
/* savkit's own: the file is encrypted with a password (open it with
 * spssOpenReadWith); the password given does not open it; a new portable
 * file cannot hold what its dictionary holds (spssGetFaultDetail says what). */
#define SPSS_NEEDS_PASSWORD 80
#define SPSS_WRONG_PASSWORD 81
#define SPSS_NOT_PORTABLE 82

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
/* savkit's own: a name in the file could not name a variable and was replaced
 * by a valid unique one (spssOpenRead and the other opening functions). */
#define SPSS_NAME_MENDED (-16)
/* savkit's own: the data end inside a case; the complete cases before it are
 * read (spssOpenRead and the other opening functions). */
#define SPSS_DATA_CUT (-17)

/* Why a text is not a valid variable name (spssValidateVarname). */
#define SPSS_NAME_OK 0
#define SPSS_NAME_SCRATCH 1  /* starts with '#': a scratch variable */
#define SPSS_NAME_SYSTEM 2   /* starts with '$': a system variable */
#define SPSS_NAME_BADLTH 3   /* empty, or longer than 64 bytes */
#define SPSS_NAME_BADCHAR 4  /* a character no name may hold, or broken UTF-8 */
#define SPSS_NAME_RESERVED 5 /* ALL AND BY EQ GE GT LE LT NE NOT OR TO WITH */
#define SPSS_NAME_BADFIRST 6 /* may not start with that character */

/* Measurement levels. */
#define SPSS_MLVL_UNK 0
#define SPSS_MLVL_NOM 1
#define SPSS_MLVL_ORD 2
#define SPSS_MLVL_RAT 3

/* Variable roles (spssGetVarRole, spssSetVarRole). */
#define SPSS_ROLE_INPUT 0
#define SPSS_ROLE_TARGET 1
#define SPSS_ROLE_BOTH 2
#define SPSS_ROLE_NONE 3
#define SPSS_ROLE_PARTITION 4
#define SPSS_ROLE_SPLIT 5

/* Alignments. */
#define SPSS_ALIGN_LEFT 0
#define SPSS_ALIGN_RIGHT 1
#define SPSS_ALIGN_CENTER 2

/* Missing-value types beside 0 to 3 discrete values. */
#define SPSS_NO_MISSVAL 0
#define SPSS_ONE_MISSVAL 1
#define SPSS_TWO_MISSVAL 2
#define SPSS_THREE_MISSVAL 3
#define SPSS_MISS_RANGE (-2)
#define SPSS_MISS_RANGEANDVAL (-3)

/* Compression switches. */
#define SPSS_COMPRESSION_NONE 0
#define SPSS_COMPRESSION_BYTECODE 1
#define SPSS_COMPRESSION_ZLIB 2

/* Format types. */
#define SPSS_FMT_A 1
#define SPSS_FMT_AHEX 2
#define SPSS_FMT_COMMA 3
#define SPSS_FMT_DOLLAR 4
#define SPSS_FMT_F 5
#define SPSS_FMT_IB 6
#define SPSS_FMT_PIBHEX 7
#define SPSS_FMT_P 8
#define SPSS_FMT_PIB 9
#define SPSS_FMT_PK 10
#define SPSS_FMT_RB 11
#define SPSS_FMT_RBHEX 12
#define SPSS_FMT_Z 15
#define SPSS_FMT_N 16
#define SPSS_FMT_E 17
#define SPSS_FMT_DATE 20
#define SPSS_FMT_TIME 21
#define SPSS_FMT_DATE_TIME 22
#define SPSS_FMT_ADATE 23
#define SPSS_FMT_JDATE 24
#define SPSS_FMT_DTIME 25
#define SPSS_FMT_WKDAY 26
#define SPSS_FMT_MONTH 27
#define SPSS_FMT_MOYR 28
#define SPSS_FMT_QYR 29
#define SPSS_FMT_WKYR 30
#define SPSS_FMT_PCT 31
#define SPSS_FMT_DOT 32
#define SPSS_FMT_CCA 33
#define SPSS_FMT_CCB 34
#define SPSS_FMT_CCC 35
#define SPSS_FMT_CCD 36
#define SPSS_FMT_CCE 37
#define SPSS_FMT_EDATE 38
#define SPSS_FMT_SDATE 39
/* Minutes and seconds (MM:SS), and a date and time year first (YYYY-MM-DD
 * HH:MM:SS), with the codes the system-file format guide gives them; a
 * savkit addition. */
#define SPSS_FMT_MTIME 40
#define SPSS_FMT_YMDHMS 41

/* Sizes of the texts handed out, without the terminating zero byte. Texts are
 * UTF-8; files in other encodings are converted on reading. */
#define SPSS_MAX_VARNAME 64
#define SPSS_MAX_VARLABEL 255
#define SPSS_MAX_IDSTRING 64
#define SPSS_MAX_SYSSTRING 40
#define SPSS_MAX_TEXTINFO 255
#define SPSS_MAX_ENCODING 64
#define SPSS_MAX_SHORTVARNAME 8
#define SPSS_MAX_VALLABEL 120
#define SPSS_MAX_LONGSTRING 32767
/* A string missing value: 8 bytes in the file, up to three times that once
 * converted to UTF-8. Buffers for spssGetVarCMissingValues need this + 1. */
#define SPSS_MAX_MISSVALUE 24

/* No function of this library lets an exception or a signal out: running out
 * of memory gives SPSS_NO_MEMORY, any other internal failure an error status.
 *
 * Opening and closing. At most 128 files are open at once (SPSS_FITAB_FULL).
 * Only regular files open (anything else: SPSS_FILE_OERROR). A warning status
 * from an opening function (SPSS_NAME_MENDED, SPSS_DATA_CUT) leaves the file
 * open, with its handle set. */
int spssOpenRead(const char *fileName, int *handle);
int spssCloseRead(int handle);
/* As spssOpenRead, taking the file's texts to be in encoding ("windows-1252",
 * "Big5", ... as iconv names them) whatever the file says: for a file whose
 * encoding record is missing or wrong. SPSS_INVALID_FILE for an encoding
 * iconv does not know. A savkit addition. */
int spssOpenReadEncoded(const char *fileName, const char *encoding, int *handle);
/* As spssOpenRead, with encoding as spssOpenReadEncoded's (or null for the
 * file's own) and the password of a file encrypted with one (or null).
 * Portable files (.por) open here as with spssOpenRead, by their content.
 * An encrypted file opened without its password gives SPSS_NEEDS_PASSWORD, a
 * wrong one SPSS_WRONG_PASSWORD; only its first 10 bytes count, as SPSS has
 * it. The decrypted bytes are kept in memory, never on disk. A savkit
 * addition. */
int spssOpenReadWith(const char *fileName, const char *encoding, const char *password, int *handle);

/* File facts. */
int spssGetNumberofVariables(int handle, int *numVars);
int spssGetNumberofCases(int handle, long *numCases);
int spssGetCaseSize(int handle, long *caseSize);
/* The most cases the file's bytes can hold: the declared count, or fewer
 * where the data after the dictionary could not hold that many (an element
 * takes 8 bytes uncompressed, a byte at least in bytecode; deflate packs at
 * most 1032 bytes into one). What a reader makes room for: a header may claim
 * any count. For a file being written, the cases written. A savkit addition. */
int spssGetMostCases(int handle, long long *mostCases);
int spssGetCompression(int handle, int *compSwitch);
int spssGetSystemString(int handle, char *sysName);
int spssGetReleaseInfo(int handle, int relInfo[8]);
int spssGetTimeStamp(int handle, char *fileDate, char *fileTime);
int spssGetIdString(int handle, char *id);
/* The file label whole: in a file in a code page its 64 bytes may take more
 * in UTF-8 than spssGetIdString gives. Cut to size - 1 bytes between
 * characters; length gets its whole length. A savkit addition. */
int spssGetIdStringLong(int handle, char *id, int size, int *length);
int spssGetTextInfo(int handle, char *textInfo);
int spssGetCaseWeightVar(int handle, char *varName);
/* The character set the file's texts are stored in, as iconv names it
 * ("UTF-8", "WINDOWS-1252", ...); encoding holds SPSS_MAX_ENCODING + 1 bytes. */
int spssGetFileEncoding(int handle, char *encoding);

/* The dictionary. Lists handed out belong to the caller, who gives them back
 * with the matching spssFree... function. */
int spssGetVarNames(int handle, int *numVars, char ***varNames, int **varTypes);
int spssFreeVarNames(char **varNames, int *varTypes, int numVars);
int spssGetVarHandle(int handle, const char *varName, double *varHandle);
int spssGetVarPrintFormat(int handle, const char *varName, int *printType, int *printDec, int *printWid);
int spssGetVarWriteFormat(int handle, const char *varName, int *writeType, int *writeDec, int *writeWid);
int spssGetVarColumnWidth(int handle, const char *varName, int *columnWidth);
int spssGetVarAlignment(int handle, const char *varName, int *alignment);
int spssGetVarMeasureLevel(int handle, const char *varName, int *measureLevel);
int spssGetVarLabel(int handle, const char *varName, char *varLabel);
/* The whole label, however long: at most lenBuff bytes are written, the NUL
 * included, cut between characters; lenLabel gets the whole label's length
 * in bytes. */
int spssGetVarLabelLong(int handle, const char *varName, char *labelBuff, int lenBuff, int *lenLabel);
/* A string variable's width in the file's own bytes (0 for a number). The
 * width the other functions give is that of its values in UTF-8: three times
 * this, up to 32767, in a file in another encoding. A savkit addition. */
int spssGetVarFileWidth(int handle, const char *varName, int *fileWidth);
int spssGetVarNMissingValues(int handle, const char *varName, int *missingFormat, double *missingVal1,
                             double *missingVal2, double *missingVal3);
int spssGetVarCMissingValues(int handle, const char *varName, int *missingFormat, char *missingVal1, char *missingVal2,
                             char *missingVal3);
int spssGetVarNValueLabels(int handle, const char *varName, double **values, char ***labels, int *numLabels);
int spssFreeVarNValueLabels(double *values, char **labels, int numLabels);
int spssGetVarCValueLabels(int handle, const char *varName, char ***values, char ***labels, int *numLabels);
int spssFreeVarCValueLabels(char **values, char **labels, int numLabels);
int spssGetVariableSets(int handle, char **varSets);
int spssFreeVariableSets(char *varSets);
int spssGetMultRespDefs(int handle, char **mrespDefs);
int spssFreeMultRespDefs(char *mrespDefs);
/* Attributes: an attribute with one value is named as it is; the values of an
 * array are named name[1], name[2], ... Texts are UTF-8, without the quotes
 * the file keeps around each value. Reserved attributes (a name beginning
 * "$@", such as a variable's role "$@Role") are handed out too. With none,
 * SPSS_OK, a count of 0 and null lists.
 *
 * The setters work on a file being written, before spssCommitHeader, and
 * replace the file's or the variable's attributes with those given (a count
 * of 0 removes them), except that reserved attributes the lists do not name
 * stay. Names are variable names, or "$@" and a name; the elements of an
 * array must run from [1] without a gap (else SPSS_INVALID_ATTRNAME or
 * SPSS_INVALID_ATTRDEF). A value may not hold a line feed (the file format
 * cannot carry one: SPSS_INVALID_ATTRDEF); in a copy of a file in another
 * encoding, a character that encoding lacks gives SPSS_EXC_STRVALUE. A copy
 * whose attributes are not set writes them as it read them. */
int spssGetFileAttributes(int handle, char ***attribNames, char ***attribText, int *nAttributes);
int spssGetVarAttributes(int handle, const char *varName, char ***attribNames, char ***attribText, int *nAttributes);
int spssSetFileAttributes(int handle, char **attribNames, char **attribText, int nAttributes);
int spssSetVarAttributes(int handle, const char *varName, char **attribNames, char **attribText, int nAttributes);
/* A variable's role, SPSS_ROLE_INPUT to SPSS_ROLE_SPLIT, kept in its "$@Role"
 * attribute; SPSS_ROLE_INPUT where it has none. Setting one outside that
 * range gives SPSS_INVALID_ROLE. */
int spssGetVarRole(int handle, const char *varName, int *varRole);
int spssSetVarRole(int handle, const char *varName, int varRole);
int spssFreeAttributes(char **attribNames, char **attribText, int nAttributes);
/* The document lines (SPSS's DOCUMENT text), UTF-8 without their padding
 * blanks; with none, SPSS_OK, a count of 0 and a null list. A savkit
 * addition, freed with spssFreeDocuments. */
int spssGetDocuments(int handle, char ***lines, int *numLines);
int spssFreeDocuments(char **lines, int numLines);
/* Sets the document lines of a file being written, before spssCommitHeader,
 * replacing those a copy carries (a count of 0 removes them). A line is at
 * most 80 bytes in the file's encoding, without a line feed; another gives
 * SPSS_EXC_STRVALUE and nothing is changed. A savkit addition. */
int spssSetDocuments(int handle, char **lines, int numLines);

/* Cases. A whole-case record holds the variables in dictionary order, each in
 * a slot of its width rounded up to 8 bytes (numbers: a native double), strings
 * blank-padded; spssGetCaseSize gives its size. */
int spssSeekNextCase(int handle, long caseNumber);
int spssWholeCaseIn(int handle, char *caseRec);
/* A case's place in the data, to go back to on a later opening of the same
 * file without decoding the cases before it, as readers that share a
 * compressed file out among processes need (spssSeekNextCase decodes its way
 * there). spssGetCaseMark gives the number of the next case to read and its
 * mark; spssSeekCaseMark goes back there. A mark of another file, or of this
 * one before it changed, gives SPSS_INVALID_CASE. Savkit additions. */
#define SPSS_CASE_MARK_SIZE 24
int spssGetCaseMark(int handle, long long *caseNumber, unsigned char mark[SPSS_CASE_MARK_SIZE]);
int spssSeekCaseMark(int handle, long long caseNumber, const unsigned char mark[SPSS_CASE_MARK_SIZE]);

/* Value by value: spssReadCaseRecord reads the next case (SPSS_FILE_END after
 * the last) into the handle's own record, and the getters take values from
 * it by the handles spssGetVarHandle gives. Before a case is read, and after
 * the end, they give SPSS_INVALID_CASE; a variable handle the file does not
 * have, SPSS_VAR_NOTFOUND. spssGetValueChar gives the value blank-padded to
 * the variable's width and NUL-terminated, cut to valueSize - 1 bytes between
 * characters. spssSeekNextCase and spssWholeCaseIn move the same position. */
int spssReadCaseRecord(int handle);
int spssGetValueNumeric(int handle, double varHandle, double *value);
int spssGetValueChar(int handle, double varHandle, char *value, int valueSize);

/* Look-ups beside them. spssGetVarInfo: the name (SPSS_MAX_VARNAME + 1 bytes)
 * and type (0 for numbers, else the string width) of the variable at a
 * position from 0. The value-label getters give the label of one value
 * (SPSS_MAX_VALLABEL + 1 bytes, cut between characters), SPSS_NO_LABEL when
 * it has none; string values match whatever their trailing blanks.
 * spssGetVarCompatName: the variable's short name in the file
 * (SPSS_MAX_SHORTVARNAME + 1 bytes; a file being written has them once its
 * header is committed, SPSS_DICT_NOTCOMMIT before). */
int spssGetVarInfo(int handle, int iVar, char *varName, int *varType);
int spssGetVarNValueLabel(int handle, const char *varName, double value, char *label);
int spssGetVarCValueLabel(int handle, const char *varName, const char *value, char *label);
int spssGetVarCompatName(int handle, const char *longName, char *shortName);

/* Writing. A new file is written to a scratch file beside it and takes its
 * name when spssCloseWrite completes it; until then, and if anything fails,
 * the named file is left as it was. The dictionary is defined with the
 * spssSet... functions and fixed by spssCommitHeader; cases follow, built with
 * spssSetValueNumeric/spssSetValueChar and spssCommitCaseRecord, or given
 * whole with spssWholeCaseOut. Every value starts system-missing (blank for
 * strings) and keeps what was set until set again, in new files and appends
 * alike.
 *
 * Texts are UTF-8. New files are written in UTF-8. A copy (spssOpenWriteCopy)
 * is written in the encoding of the file it copies, as an append is, so that
 * what fit there still fits: a text or string value with a character that
 * encoding lacks, or too long for its place once encoded, is refused
 * (SPSS_EXC_STRVALUE; names SPSS_INVALID_VARNAME); dictionary texts the file
 * kept are written back whole. A file has one append handle at a time (a second
 * gets SPSS_FILE_OERROR). Print and write formats must suit the variable and
 * be at least as wide as the format needs (DATE9, TIME5, F2.1, ...).
 * Multiple-response sets need two members or more, all numbers or all strings.
 *
 * New files get the mode 0666 less the umask; a file replaced keeps its mode
 * (and owner and group where the process may set them); a symbolic link is
 * followed and the file it names replaced. Nothing of a file that is not
 * complete is ever seen under a name, even if the process is killed.
 *
 * Compression 0 none, 1 bytecode (the default), 2 ZLIB. */
int spssOpenWrite(const char *fileName, int *handle);
int spssOpenWriteCopy(const char *fileName, const char *dictFileName, int *handle);
/* As spssOpenWriteCopy, with the dictionary of a file open for reading: the
 * one its cases are read with, whatever lies under its name now. */
int spssOpenWriteCopyHandle(const char *fileName, int dictHandle, int *handle);
int spssOpenAppend(const char *fileName, int *handle);
int spssCloseWrite(int handle);
int spssCloseAppend(int handle);
/* Lets a file opened for writing or appending go without completing it: a
 * new file never takes its name, and the cases appended are taken out again,
 * the file left byte for byte as it was. */
int spssDiscardWrite(int handle);

/* Why a file is bad, beside the status that says it is: the first fault met
 * on a handle (a case cut short, a block that does not inflate, data that end
 * before the declared cases), or with handle -1 why the last open on this
 * thread failed (spssOpenRead, spssOpenWrite, ...: a record that runs past
 * the end of the file, a count that cannot be, a folder given for a file). The
 * text, in English and UTF-8, goes to text, cut to at most size - 1 bytes on
 * a character boundary; offset, when not null, gets the byte of the file
 * where the fault lies, or -1 where no one byte is to blame. Both are empty
 * (an empty text, -1) when nothing was met. SPSS_INVALID_HANDLE for a handle
 * not open; SPSS_BUFFER_SHORT when text is null or size is below 1. */
int spssGetFaultDetail(int handle, char *text, int size, long long *offset);

/* A name is valid when it is 1 to 64 bytes of UTF-8, starts with an ASCII
 * letter, '@' or a character beyond ASCII that shows (a letter of any script,
 * a symbol such as an emoji: not a blank, a control or a formatting mark),
 * goes on with those, ASCII digits and . _ $ # @, and is not a reserved word; names are unique ignoring letter case in
 * every script. spssSetVarName refuses any other (SPSS_INVALID_VARNAME, SPSS_DUP_VAR). */
int spssValidateVarname(const char *varName);

int spssSetCompression(int handle, int compSwitch);
/* The new file is written as a portable file (.por) rather than a system
 * file: by its variables' short names, its strings up to 255 bytes, its texts
 * in the portable character set. Before spssCommitHeader, which refuses with
 * SPSS_NOT_PORTABLE a dictionary the file cannot hold (spssGetFaultDetail
 * names what), as spssCommitCaseRecord refuses with it a text holding a
 * character the set lacks (nothing of that case is written). Attributes, sets, measure, roles and
 * display widths have no place in it. A savkit addition. */
int spssSetPortable(int handle);
/* The new system file is encrypted with password (AES-256, as SPSS does
 * with SAVE /PASSWORD): it is made in memory and reaches the disk only
 * encrypted, when closed. Before spssCommitHeader; not for portable files
 * (SPSS_NOT_PORTABLE). A savkit addition. */
int spssSetPassword(int handle, const char *password);
/* Which kind of file a handle reads: SPSS_KIND_SYSTEM or SPSS_KIND_PORTABLE,
 * plus SPSS_KIND_ENCRYPTED for one opened with its password. A savkit
 * addition. */
#define SPSS_KIND_SYSTEM 0
#define SPSS_KIND_PORTABLE 1
#define SPSS_KIND_ENCRYPTED 2
int spssGetFileKind(int handle, int *kind);
int spssSetIdString(int handle, const char *id);
int spssSetTextInfo(int handle, const char *textInfo);
int spssSetVarName(int handle, const char *varName, int varLength);
int spssSetVarPrintFormat(int handle, const char *varName, int printType, int printDec, int printWid);
int spssSetVarWriteFormat(int handle, const char *varName, int writeType, int writeDec, int writeWid);
int spssSetVarColumnWidth(int handle, const char *varName, int columnWidth);
int spssSetVarAlignment(int handle, const char *varName, int alignment);
int spssSetVarMeasureLevel(int handle, const char *varName, int measureLevel);
int spssSetVarLabel(int handle, const char *varName, const char *varLabel);
/* As spssSetVarLabel, without its cut at SPSS_MAX_VARLABEL bytes: SPSS writes
 * longer labels, and other readers take them. At most 65535 bytes in the
 * file's encoding, else SPSS_EXC_STRVALUE and the label stays as it was. A
 * savkit addition. */
int spssSetVarLabelLong(int handle, const char *varName, const char *varLabel);
/* A new file written in another encoding than UTF-8 ("windows-1252",
 * "Big5", ... as iconv names them), set before any variable is defined
 * (else SPSS_DICT_COMMIT; SPSS_INVALID_FILE for an encoding iconv does not
 * know). Texts stay UTF-8 at the interface; each is refused, as in a copy,
 * where the encoding lacks a character or it does not fit its place encoded.
 * spssSetVarFileWidth gives a string variable its width in the file's bytes,
 * where it is to differ from its width in UTF-8 (as spssGetVarFileWidth gives
 * it on reading). Savkit additions. */
int spssSetFileEncoding(int handle, const char *encoding);
int spssSetVarFileWidth(int handle, const char *varName, int fileWidth);
int spssSetVarNMissingValues(int handle, const char *varName, int missingFormat, double missingVal1, double missingVal2,
                             double missingVal3);
int spssSetVarCMissingValues(int handle, const char *varName, int missingFormat, const char *missingVal1,
                             const char *missingVal2, const char *missingVal3);
int spssSetVarNValueLabel(int handle, const char *varName, double value, const char *label);
int spssSetVarCValueLabel(int handle, const char *varName, const char *value, const char *label);
int spssSetCaseWeightVar(int handle, const char *varName);
int spssSetVariableSets(int handle, const char *varSets);
int spssSetMultRespDefs(int handle, const char *mrespDefs);
/* Changing the dictionary of a copy (spssOpenWriteCopy, before
 * spssCommitHeader) without losing what the setters do not reach: documents,
 * file and variable attributes and the other records a copy keeps.
 * spssRestartCopiedVars sets the copied variables aside; the variables then
 * defined with spssSetVarName and the setters make the dictionary, in their
 * order. spssSetVarCopiedFrom, called right after spssSetVarName, says that
 * varName carries on the copied variable copiedName (renamed or not): it keeps
 * that variable's attributes, its short name while the name is the same and
 * its width in the file while the width is. Copied variables nothing carries
 * on are left out, their attributes with them. SPSS_VAR_NOTFOUND when either
 * name is unknown, SPSS_DUP_VAR when copiedName is carried on already;
 * SPSS_INVALID_HANDLE from either function for a handle that is no copy. */
int spssRestartCopiedVars(int handle);
int spssSetVarCopiedFrom(int handle, const char *varName, const char *copiedName);
int spssCommitHeader(int handle);

int spssSetValueNumeric(int handle, double varHandle, double value);
int spssSetValueChar(int handle, double varHandle, const char *value);
int spssCommitCaseRecord(int handle);
int spssWholeCaseOut(int handle, const char *caseRec);

/* Values and dates. A date value counts seconds since 14 October 1582. */
double spssSysmisVal(void);
int spssLowHighVal(double *lowest, double *highest);
int spssConvertDate(int day, int month, int year, double *spssDate);
int spssConvertTime(long day, int hour, int minute, double second, double *spssTime);
int spssConvertSPSSDate(int *day, int *month, int *year, double spssDate);
int spssConvertSPSSTime(long *day, int *hourh, int *minute, double *second, double spssTime);

#ifdef __cplusplus
}
#endif

#endif
