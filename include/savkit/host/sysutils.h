// Text, number and file functions of the framework layer. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace savkit {

// Raises EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
bool TryStrToInt(std::string_view text, std::int32_t& value);
std::string IntToStr(std::int64_t value);

// ASCII letters only, as for identifiers and keywords.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Every letter, under the user's locale.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);

// Removes blanks and control characters (code 32 and below) at the ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Case-insensitive comparison under the user's locale: negative, 0 or positive.
// Two texts compare equal exactly when their Unicode case foldings are equal;
// texts that are not valid UTF-8 compare equal only when their bytes are.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// Case-sensitive, byte by byte.
int CompareStr(std::string_view a, std::string_view b);
// ASCII case-insensitive equality, for identifiers.
bool SameText(std::string_view a, std::string_view b);

bool FileExists(const std::string& path);  // a file, not a directory
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);              // false when it could not be deleted
std::string ExpandFileName(const std::string& path);   // absolute, without . and ..
std::string ExtractFilePath(const std::string& path);  // up to and with the last '/'
std::string ExtractFileName(const std::string& path);  // after the last '/'
std::string ExtractFileExt(const std::string& path);   // from the last '.' of the name

}  // namespace savkit
