// Every message the library can report, by identifier. The texts are fixed
// English and read exactly as the applications that compare them expect,
// oddities included; do not "fix" them.
#pragma once

#include <span>
#include <string_view>

namespace savkit {

// X(identifier, text)
#define SAVKIT_LIBRARY_ERROR_MESSAGES(X)                                                                           \
  X(cresSPSS_FILE_OERROR, "Error opening file")                                                                    \
  X(cresSPSS_FILE_WERROR, "File write error")                                                                      \
  X(cresSPSS_FILE_RERROR, "Error reading file")                                                                    \
  X(cresSPSS_FITAB_FULL, "File table full(too many open SPSS data files)")                                         \
  X(cresSPSS_INVALID_HANDLE, "The file handle  is not valid")                                                      \
  X(cresSPSS_INVALID_FILE, "File is not a valid SPSS file")                                                        \
  X(cresSPSS_NO_MEMORY, "Insufficient memory")                                                                     \
  X(cresSPSS_OPEN_RDMODE, "File is open for reading, not for appending case")                                      \
  X(cresSPSS_OPEN_WRMODE, "File is open for writing, not for reading")                                             \
  X(cresSPSS_INVALID_VARNAME, "The variable name is not valid")                                                    \
  X(cresSPSS_DICT_EMPTY, "No variables defined in the dictionary")                                                 \
  X(cresSPSS_VAR_NOTFOUND, "A variable with the given name does not exist")                                        \
  X(cresSPSS_DUP_VAR, "There already is a variable with the same name")                                            \
  X(cresSPSS_NUME_EXP, "Variable associated with the handle is not numeric")                                       \
  X(cresSPSS_STR_EXP, "Variable associated with the handle is not a string")                                       \
  X(cresSPSS_SHORTSTR_EXP, "The variable is a long string")                                                        \
  X(cresSPSS_INVALID_VARTYPE, "Invalid length code")                                                               \
  X(cresSPSS_INVALID_MISSFOR, "Invalid missing values specification")                                              \
  X(cresSPSS_INVALID_COMPSW, "Invalid compression switch(other than 0 or 1)")                                      \
  X(cresSPSS_INVALID_PRFOR, "The print format specification is invalid or is incompatible with the variable type") \
  X(cresSPSS_INVALID_WRFOR, "The write format specification is invalid or is incompatible with the variable type") \
  X(cresSPSS_INVALID_DATE, "Invalid date")                                                                         \
  X(cresSPSS_INVALID_TIME, "Invalid time")                                                                         \
  X(cresSPSS_NO_VARIABLES, "Number of variables is zero or negative")                                              \
  X(cresSPSS_DUP_VALUE, "The list of values contains duplicates")                                                  \
  X(cresSPSS_INVALID_CASEWGT,                                                                                      \
    "The given case weight variable is invalid. This error signals an internal problem in "                        \
    "the implementation of the DLL and should never occur")                                                        \
  X(cresSPSS_DICT_COMMIT, "Dictionary has already been writtten with spssCommitheader")                            \
  X(cresSPSS_DICT_NOTCOMMIT, "Dictionary of the output file has not yet been written  with spssCommitHeader")      \
  X(cresSPSS_NO_TYPE2, "File is not a valid SPSS data file(no type 2 record)")                                     \
  X(cresSPSS_NO_TYPE73, "There is no type7,subtype3 record present.")                                              \
  X(cresSPSS_INVALID_DATEINFO, "The date variable information is invalid")                                         \
  X(cresSPSS_NO_TYPE999, "File is not a valid SPSS data file(missing type 999 record)")                            \
  X(cresSPSS_EXC_STRVALUE, "The value is longer than the length of variable")                                      \
  X(cresSPSS_CANNOT_FREE,                                                                                          \
    "Unable to free because arguments are illegal or inconsistent(for example ,negative "                          \
    "numLabels)")                                                                                                  \
  X(cresSPSS_BUFFER_SHORT, "Buffer value is too short to hold the value")                                          \
  X(cresSPSS_INVALID_CASE,                                                                                         \
    "Current case is not valid.This may be because no spssRead CaseRecord calls have been "                        \
    "made yet or because most recent call failed with error or encountered the end of file")                       \
  X(cresSPSS_INTERNAL_VLABS, "Internal data structures of the DLL are invalid. This signals an error in the DLL.") \
  X(cresSPSS_INCOMPAT_APPEND, "File created on an incompatible system")                                            \
  X(cresSPSS_INTERNAL_D_A, "SPSS Error INTERNAL_D_A")                                                              \
  X(cresSPSS_FILE_BADTEMP, "SPSS Error FILE_BADTEMP")                                                              \
  X(cresSPSS_DEW_NOFIRST, "SPSS Error DEW_NOFIRST")                                                                \
  X(cresSPSS_INVALID_MEASURELEVEL, "SPSS Error INVALID_MEASURELEVEL")                                              \
  X(cresSPSS_INVALID_7SUBTYPE, "SPSS Error INVALID_7SUBTYPE")                                                      \
  X(cresSPSS_INVALID_MRSETDEF, "SPSS Error INVALID_MRSETDEF")                                                      \
  X(cresSPSS_INVALID_MRSETNAME, "SPSS Error INVALID_MRSETNAME")                                                    \
  X(cresSPSS_DUP_MRSETNAME, "SPSS Error DUP_MRSETNAME")                                                            \
  X(cresSPSS_INVALID_ATTRNAME, "SPSS Error INVALID_ATTRNAME")                                                      \
  X(cresSPSS_INVALID_ATTRDEF, "SPSS Error INVALID_ATTRDEF")                                                        \
  X(cresSPSS_INVALID_ROLE, "SPSS Error INVALID_ROLE")                                                              \
  X(cresSPSS_NEEDS_PASSWORD, "The file is encrypted: it opens with its password")                                  \
  X(cresSPSS_WRONG_PASSWORD, "The password does not open the file")                                                \
  X(cresSPSS_NOT_PORTABLE, "A portable file cannot hold this")

#define SAVKIT_LIBRARY_WARNING_MESSAGES(X)                                            \
  X(cresSPSS_EXC_LEN64, "Label length exceeds 64. truncated and used")                \
  X(cresSPSS_EXC_VARLABEL, "SPSS Warning EXC_VARLABEL")                               \
  X(cresSPSS_EXC_VALLABEL, "SPSS Warning EXC_VALLABEL")                               \
  X(cresSPSS_FILE_END, "SPSS Warning FILE_END")                                       \
  X(cresSPSS_NO_VARSETS, "There is no variable set information in the file")          \
  X(cresSPSS_EMPTY_VARSETS, "The variable sets information is empty")                 \
  X(cresSPSS_NO_LABELS, "The variable has no labels")                                 \
  X(cresSPSS_NO_LABEL, "There is no label for the given value")                       \
  X(cresSPSS_NO_CASEWGT, "A case weight variable has not been defined for this file") \
  X(cresSPSS_NO_DATEINFO, "There is no TRENDS date variable information in the file") \
  X(cresSPSS_NO_MULTRESP, "There is no multiple response")                            \
  X(cresSPSS_EMPTY_MULTRESP, "SPSS Warning EMPTY_MULTRESP")                           \
  X(cresSPSS_NO_DEW, "SPSS Warning NO_DEW")                                           \
  X(cresSPSS_EMPTY_DEW, "SPSS Warning EMPTY_DEW")

#define SAVKIT_OWN_MESSAGES(X)                                                                                        \
  X(cresSPSS_LongVariableName, "Variable name can not be greater than 8 char")                                        \
  X(cresSPSS_InvalidDecimalValue, "The decimal value of string variables has to be 0 ")                               \
  X(cresSPSS_FileCannotOpenInthisMode, "The file cannot be created when WriteDirect is False")                        \
  X(cresSPSS_NoFileIsOpened, "Datafile is not opened yet")                                                            \
  X(cresSPSS_FileCanOnlyBeSavedInWriteDirectMode, "Saving cases is allowed only in WriteDirect mode")                 \
  X(cresSPSS_FileCannotSavedInThisMode, "The file cannot be saved in this mode")                                      \
  X(cresSPSS_CaseWeightCannotSet, "Case weightvariable cannot be changed in this mode")                               \
  X(cresSPSS_FileLabelCannotSet, "File label cannot be changed in this mode")                                         \
  X(cresSPSS_TextInfoCannotSet, "Text info of the datafile cannot be changed in this mode")                           \
  X(cresSPSS_DateTimeFormatInvalid, "Date and time formats are invalid")                                              \
  X(cresSPSS_SomeVariablesareInvalid, "Variable(s)  %s  in the caching list are not valid")                           \
  X(cresSPSS_VarnameCannotBeEmpty, "A variablename cannot be empty")                                                  \
  X(cresSPSS_SaveDictionaryCannotWithWriteDirect,                                                                     \
    "Saving the dictionary is not allowed when the file is not in WriteDirect mode")                                  \
  X(cresSPSS_InvalidShortString, "Width of string is greater than 8")                                                 \
  X(cresSPSS_DictReadOnlyCompCannotBeSet,                                                                             \
    "Compression cannot be switched on for this datafile since the dictionary is already "                            \
    "committed")                                                                                                      \
  X(cresSPSS_TooManyVariablesCreatedInOneSession, "You cannot create more than 32568 variables in one session")       \
  X(cresSPSS_ErrorSavingFile, "An error occured while saving the file")                                               \
  X(cresSPSS_VarAlreadyExists, "The variable %s already exists in the datafile")                                      \
  X(cresSPSS_VarSetNameAlreadyExists, "The variableset %s already exists in the datafile")                            \
  X(cresSPSS_MRMDSetNameAlreadyExists, "The MRMD set %s already exists in the datafile")                              \
  X(cresSPSS_InvalidVarName, "Variablename %s is not valid")                                                          \
  X(cresSPSS_FileCannotOpenAsReading, "File is either already open or not closed properly")                           \
  X(cresSPSS_VarFormatTypeCodesareInvalid, "Printtype code is wrong or not suitable for this variabletype")           \
  X(cresSPSS_VariableNrIsNotValid, "Variablenumber is not valid")                                                     \
  X(cresSPSS_ValueLabelAlreadyExists, "This valuelabel already exists for this variable")                             \
  X(cresSPSS_ValueLabelIndexIsNotValid, "Valuelabel Index number is not valid")                                       \
  X(cresSPSS_VariableSetIndexIsNotValid, "Variableset index number is not valid")                                     \
  X(cresSPSS_MRMDSetIndexIsNotValid, "MRMD set index number is not valid")                                            \
  X(cresSPSS_WriteDirectisTrue, "This action is not allowed when WriteDirect is True")                                \
  X(cresSPSS_WriteDirectCannotBeSet, "WriteDirect can only be set if the datafile is closed")                         \
  X(cresSPSS_CaseNrIsNotValid, "Casenumber is not valid")                                                             \
  X(cresSPSS_FileIsNotExist, "File %s does not exist")                                                                \
  X(cresSPSS_InvalidMisValueType, "Missingvalue type is invalid for variabletype")                                    \
  X(cresSPSS_FileChangedSinceOpened, "File %s was changed by another program since it was opened; nothing was saved") \
  X(cresSPSS_FileIsBeingSaved, "File %s is being written by another program; nothing was saved")                      \
  X(cresSPSS_TooManyCases, "File %s has more cases than can be edited (at most 2147483647)")

#define SAVKIT_DECLARE_MESSAGE(id, text) inline constexpr std::string_view id = text;
SAVKIT_LIBRARY_ERROR_MESSAGES(SAVKIT_DECLARE_MESSAGE)
SAVKIT_LIBRARY_WARNING_MESSAGES(SAVKIT_DECLARE_MESSAGE)
SAVKIT_OWN_MESSAGES(SAVKIT_DECLARE_MESSAGE)
#undef SAVKIT_DECLARE_MESSAGE

struct ResourceString {
  std::string_view identifier;
  std::string_view text;
};

// Every message, for applications that load or translate them by identifier.
std::span<const ResourceString> ResourceStrings();
// The text of an identifier, or an empty view for an unknown one.
std::string_view FindResourceString(std::string_view identifier);

// The message that a library status raises, or an empty view when the status
// does not raise (success, warnings, codes without a message).
std::string_view LibraryErrorMessage(int status);

// Raises ESPSSDataFileException for a library error status; returns on success,
// on warnings (negative statuses) and on codes that carry no message.
void CheckSuccess(int status);
// As CheckSuccess, with why the file is bad after the published text, as the
// library says it for handle (-1: the open on this thread that failed):
// "File is not a valid SPSS file: ... (byte 659)".
void CheckSuccess(int status, int handle);
// That reason alone, or an empty text when the library knows none.
std::string FaultDetail(int handle);

}  // namespace savkit
