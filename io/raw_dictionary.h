// The records of a system file's dictionary as they stand in the file, before
// names, encodings and very long strings are resolved.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dictionary.h"

namespace savkit::io {

struct RawVariable {
  std::uint64_t offset = 0;  // of its record, in the file
  int type = 0;              // 0 number, 1..255 string width, -1 continuation
  std::uint32_t print = 0, write = 0;
  std::string name;   // 8 bytes, trailing blanks removed
  std::string label;  // bytes as stored
  int missingCount = 0;
  std::array<std::array<std::uint8_t, 8>, 3> missing{};
};

struct RawValueLabels {
  std::vector<std::pair<std::array<std::uint8_t, 8>, std::string>> labels;
  std::vector<std::int32_t> indexes;  // 1-based dictionary indexes
};

struct RawDictionary {
  bool swap = false;
  bool zlib = false;
  int compression = 0;
  std::int32_t weightIndex = 0;
  std::int32_t cases = -1;
  double bias = 100;
  std::string product, date, time, fileLabel;
  std::vector<RawVariable> variables;
  std::vector<RawValueLabels> valueLabels;
  std::vector<std::string> documents;  // 80-byte lines
  std::vector<RawRecord> extensions;   // in file order
  std::uint64_t dataOffset = 0;
};

// Reads the header and every dictionary record; returns an I/O status, with
// the fault noted in OpenFault().
int ReadRawDictionary(int fd, std::uint64_t fileSize, RawDictionary& raw);

// Resolves a raw dictionary into what the API hands out, its texts taken in
// encoding where one is given; returns a status, with the fault noted in
// OpenFault().
int BuildDictionary(const RawDictionary& raw, Dictionary& dict, const char* encoding = nullptr);

}  // namespace savkit::io
