#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <set>

#include "savkit/datafile_exception.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

using namespace savkit;

TEST(CheckSuccess, RaisesExactlyForTheListedErrors) {
  const std::set<int> raising = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
                                 27, 28, 30, 31, 33, 41, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 70, 71, 72,
                                 // savkit's attribute and role statuses: a failure is never a success
                                 75, 76, 79,
                                 // savkit's: a password needed or wrong, a dictionary a portable file cannot hold
                                 80, 81, 82};
  for (int code = -20; code <= 200; ++code) {
    if (!raising.count(code)) {
      EXPECT_NO_THROW(CheckSuccess(code)) << code;
      continue;
    }
    try {
      CheckSuccess(code);
      ADD_FAILURE() << "no exception for " << code;
    } catch (const ESPSSDataFileException& e) {
      EXPECT_EQ(e.ErrorCode(), code);
      EXPECT_EQ(e.what(), std::string(LibraryErrorMessage(code)));
    }
  }
  EXPECT_NO_THROW(CheckSuccess(INT32_MIN));
  EXPECT_NO_THROW(CheckSuccess(INT32_MAX));
}

TEST(CheckSuccess, MessagesReadLetterForLetter) {
  auto messageOf = [](int code) {
    try {
      CheckSuccess(code);
    } catch (const ESPSSDataFileException& e) {
      return std::string(e.what());
    }
    return std::string("<none>");
  };
  EXPECT_EQ(messageOf(SPSS_DUP_MRSETNAME), "SPSS Error DUP_MRSETNAME");
  EXPECT_EQ(messageOf(SPSS_INVALID_ATTRDEF), "SPSS Error INVALID_ATTRDEF");
  EXPECT_EQ(messageOf(SPSS_INVALID_VARTYPE), "Invalid length code");
  EXPECT_EQ(messageOf(SPSS_INVALID_HANDLE), "The file handle  is not valid");
  EXPECT_EQ(messageOf(SPSS_DICT_COMMIT), "Dictionary has already been writtten with spssCommitheader");
  EXPECT_EQ(messageOf(SPSS_DICT_NOTCOMMIT),
            "Dictionary of the output file has not yet been written  with spssCommitHeader");
  EXPECT_EQ(messageOf(SPSS_INVALID_CASE),
            "Current case is not valid.This may be because no spssRead CaseRecord calls have been made yet "
            "or because most recent call failed with error or encountered the end of file");
  EXPECT_EQ(std::string(cresSPSS_InvalidDecimalValue), "The decimal value of string variables has to be 0 ");
  EXPECT_EQ(std::string(cresSPSS_ErrorSavingFile), "An error occured while saving the file");
  EXPECT_EQ(std::string(cresSPSS_SomeVariablesareInvalid), "Variable(s)  %s  in the caching list are not valid");
  EXPECT_EQ(std::string(cresSPSS_NO_MULTRESP), "There is no multiple response");
}

TEST(ResourceStrings, EveryIdentifierIsReachableOnce) {
  std::set<std::string_view> ids;
  for (const ResourceString& r : ResourceStrings()) {
    EXPECT_TRUE(ids.insert(r.identifier).second) << r.identifier;
    EXPECT_EQ(r.identifier.substr(0, 9), "cresSPSS_");
    EXPECT_EQ(FindResourceString(r.identifier), r.text);
  }
  EXPECT_EQ(ids.size(),
            46u + 6u + 14u + 36u);  // the published errors, savkit's own errors, warnings, own texts
  EXPECT_EQ(FindResourceString("cresSPSS_FileIsNotExist"), "File %s does not exist");
  EXPECT_TRUE(FindResourceString("cresSPSS_Nothing").empty());
}

TEST(ESPSSDataFileException, OwnChecksCarryCodeZero) {
  try {
    throw ESPSSDataFileException(std::string(cresSPSS_NoFileIsOpened));
  } catch (const Exception& e) {  // caught as the framework's base exception
    EXPECT_STREQ(e.what(), "Datafile is not opened yet");
    EXPECT_EQ(dynamic_cast<const ESPSSDataFileException&>(e).ErrorCode(), 0);
  }
}

TEST(SpssValues, SystemMissingAndRangeEnds) {
  EXPECT_EQ(spssSysmisVal(), -DBL_MAX);
  double lo = 0, hi = 0;
  EXPECT_EQ(spssLowHighVal(&lo, &hi), SPSS_OK);
  EXPECT_EQ(hi, DBL_MAX);
  EXPECT_EQ(lo, std::nextafter(-DBL_MAX, 0.0));
  EXPECT_GT(lo, spssSysmisVal());
}
