// How a file's values and properties read as text: numbers shortest, dates
// in ISO 8601, missing-value specifications, measures, alignments and roles.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "savkit/model/variable.h"

namespace savkit::front {

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

// The number that stands for system-missing in whole-case records.
double Sysmis();
// A number as the shortest text that reads back as the same double.
std::string NumberText(double value);
// A value for a person or a CSV file: numbers shortest, SYSMIS empty, dates
// in ISO 8601 where the variable's format is a date format, strings without
// their padding blanks.
std::string ValueText(const TSPSSVariable& v, const Variant& value, double sysmis);
// Seconds since 14 Oct 1582, as files keep dates, of a day and a time of
// day; false for a day or time that is none.
bool SpssDateTime(int year, int month, int day, int hour, int minute, double second, double& out);
std::string MissingText(const TSPSSVariable& v);
const char* LevelName(TSPSSLevel level);
const char* AlignName(TSPSSAlign align);
// Variable roles by their codes, SPSS_ROLE_INPUT to SPSS_ROLE_SPLIT.
inline constexpr const char* kRoleNames[] = {"input", "target", "both", "none", "partition", "split"};
// The code of a role's name, or -1.
int RoleCode(std::string_view name);

}  // namespace savkit::front
