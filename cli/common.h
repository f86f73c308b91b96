// Shared pieces of the savkit command: how values are shown, CSV, JSON and
// the terminal.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "savkit/model/datafile.h"

namespace savkit::cli {

// A failure to report as "savkit: <what>: <why>" with exit code 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command line that cannot be carried out as given: exit code 2.
struct UsageError : Failure {
  using Failure::Failure;
};

// Refuses to write over the input: the same file (device and inode, links
// followed) under whatever name.
void RefuseInputAsOutput(const std::string& in, const std::string& out);

// "F8.2", "DATE11", "A20".
std::string FormatName(int type, int width, int decimals);
// A variable's print format, AHEX at two digits a byte of its string.
std::string PrintFormatName(const TSPSSVariable& v);
// The other way: false for a text that names no format.
bool ParseFormatName(std::string_view text, int& type, int& width, int& decimals);
bool IsDateFormat(int type);      // a calendar date
bool IsDateTimeFormat(int type);  // a date with a time of day
bool IsTimeFormat(int type);      // a time of day or a duration

// A quick hash of a text for tables in memory: eight bytes a step, mixed at
// the end so that every bit of the result depends on every byte.
inline std::uint64_t TextHash(std::string_view key) {
  std::uint64_t h = key.size();
  std::size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, key.data() + i, 8);
    h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
  }
  if (i < key.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, key.data() + i, key.size() - i);
    h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
  }
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  return h ^ (h >> 29);
}

// A variable's user-missing values: up to three values, or a range and one value.
class MissingSpec {
 public:
  explicit MissingSpec(const TSPSSVariable& v);
  bool Number(double x) const {
    switch (type_) {
      case 0: return false;
      case 1: return x == values_[0];
      case 2: return x == values_[0] || x == values_[1];
      case 3: return x == values_[0] || x == values_[1] || x == values_[2];
      default: return (x >= low_ && x <= high_) || (type_ == -3 && x == values_[2]);
    }
  }
  bool Text(std::string_view trimmed) const;
  bool Any() const { return type_ != 0; }

 private:
  int type_ = 0;
  double values_[3] = {};
  double low_ = 0, high_ = 0;
  std::string texts_[3];
};

// A number as the shortest text that reads back as the same double.
std::string NumberText(double value);
// A value for a person or a CSV file: numbers shortest, SYSMIS empty, dates
// in ISO 8601 where the variable's format is a date format, strings without
// their padding blanks.
std::string ValueText(const TSPSSVariable& v, const Variant& value, double sysmis);
std::string TrimRight(std::string text);
std::string MissingText(const TSPSSVariable& v);
const char* LevelName(TSPSSLevel level);
const char* AlignName(TSPSSAlign align);
// Variable roles by their codes, SPSS_ROLE_INPUT to SPSS_ROLE_SPLIT.
inline constexpr const char* kRoleNames[] = {"input", "target", "both", "none", "partition", "split"};

// RFC 4180: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);
// Reads one record; false at the end of the input.
bool ReadCsvRecord(std::istream& in, std::vector<std::string>& fields);

// A JSON string literal of text; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);

// Columns of the terminal on stdout, or 100 when it is not one.
int TerminalWidth();
bool StderrIsTerminal();

// Runs work; a failure that does not say which file it is about is said to
// be about path (the output, where the output could not be written).
template <class Work>
auto AboutFile(const std::string& path, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure(path + ": " + e.what());
  }
}

// Adds a variable under any name a file can hold. Add takes short names
// only, so the variable comes in under a placeholder no variable (nor the
// name) has, and is then named.
TSPSSVariable* AddVariable(TSPSSDatafile& d, const std::string& name, bool numeric, int width);

// Opens a file for reading through the component; failures name the file.
void OpenForReading(TSPSSDatafile& data, const std::string& path);

// Parses "A:B" (either side may be empty) into a 1-based inclusive range.
void ParseRange(const std::string& text, int count, int& first, int& last);

}  // namespace savkit::cli
