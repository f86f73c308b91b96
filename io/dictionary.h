// The dictionary of a system file as the reader hands it to the API: names,
// labels and string values already in UTF-8, very long strings whole.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "attributes.h"
#include "labels.h"

namespace savkit::io {

struct Format {
  int type = 0;
  int width = 0;
  int decimals = 0;
  bool operator==(const Format&) const = default;
};

struct MissingValues {
  int type = 0;  // 0, 1..3 discrete, -2 range, -3 range plus one value
  double number[3] = {0, 0, 0};
  std::string text[3];
};

struct Variable {
  std::string name;       // long name, UTF-8
  std::string shortName;  // the variable record's name, UTF-8, upper case as stored
  int width = 0;          // 0 for numbers; the string width as the API reports it
  int fileWidth = 0;      // the string width in the file
  Format print, write;
  int measure = 0;  // 0 unknown, 1 nominal, 2 ordinal, 3 scale
  int columns = 8;
  int alignment = 0;  // 0 left, 1 right, 2 centre
  std::string label;
  MissingValues missing;
  LabelList<double> numberLabels;
  LabelList<std::string> textLabels;
  AttributeSet attributes;  // in UTF-8; see Dictionary::variableAttributesSet

  int copiedFrom = -1;  // a copy's variable defined anew: the set-aside one it carries on

  int dictIndex = 0;       // index of its first variable record
  int firstElement = 0;    // first 8-byte element of the case in the file
  int elements = 0;        // 8-byte elements it spans, all segments together
  int segments = 1;        // more than one for very long strings
  std::size_t offset = 0;  // slot in the whole-case record
  std::size_t slot = 0;    // slot size: width rounded up to 8, 8 for numbers

  bool IsNumeric() const { return width == 0; }
};

// The display width a variable has when its file gives none.
inline int DefaultColumns(int width) { return width == 0 ? 8 : width < 32 ? width : 32; }

// An extension record kept as it was, for copying into new files.
struct RawRecord {
  std::uint64_t offset = 0;  // where its data starts in the file it was read from
  int subtype = 0;
  int size = 0;
  int count = 0;
  std::vector<std::uint8_t> data;
};

struct Dictionary {
  bool swap = false;    // file byte order differs from ours
  bool zlib = false;    // $FL3
  int compression = 0;  // 0 none, 1 bytecode, 2 zlib
  double bias = 100;
  std::int64_t cases = -1;  // -1 while unknown
  std::string product;      // header product name after "@(#) SPSS DATA FILE"
  std::string date, time;   // "dd Mmm yy", "hh:mm:ss"
  std::string fileLabel;
  bool hasReleaseInfo = false;
  std::int32_t releaseInfo[8] = {};
  std::string textInfo;
  std::string encoding;  // source encoding of texts; empty when UTF-8
  std::vector<Variable> variables;
  int weight = -1;  // index into variables
  bool hasVariableSets = false;
  std::string variableSets;  // one line per set, members by long name
  bool hasMultResp = false;
  std::string multResp;  // definition lines, members by long name
  std::vector<std::string> documents;
  AttributeSet fileAttributes;  // as read, in UTF-8; a copy writes its kept record
  // Set through the API: the records are written from the texts above, in
  // place of the kept ones.
  bool fileAttributesSet = false;
  bool variableAttributesSet = false;
  bool namesMended = false;  // a name in the file could not name a variable
  // Whether the file has these records; a copy of a file without them leaves
  // them out too, as readers assume other things in their absence.
  bool hasDisplay = true;
  // Whether the display record gives widths; one that gives only measure and
  // alignment is written back so while every width is the default, as
  // readers take other defaults than ours.
  bool displayWidths = true;
  bool hasLongNames = true;
  bool portable = false;   // read from a portable file
  bool encrypted = false;  // read from a file encrypted with a password

  int elementsPerCase = 0;             // 8-byte elements of one case in the file
  std::vector<std::uint8_t> numeric;   // per element: 1 when it holds a number
  std::size_t caseSize = 0;            // bytes of the whole-case record
  std::uint64_t dataOffset = 0;        // first byte after the dictionary
  std::uint64_t extendedCountAt = 0;   // the extended case count in the file, 0 when none
  std::vector<RawRecord> keptRecords;  // attributes and unknown extensions
};

// The slot of a variable in the whole-case record: its width rounded up to
// 8 bytes, 8 for a number.
inline std::size_t SlotSize(int width) { return width == 0 ? 8 : (static_cast<std::size_t>(width) + 7) / 8 * 8; }

// Lays the variables out one after the other in the whole-case record.
inline void LayOutSlots(Dictionary& dict) {
  std::size_t offset = 0;
  for (Variable& v : dict.variables) {
    v.offset = offset;
    v.slot = SlotSize(v.width);
    offset += v.slot;
  }
  dict.caseSize = offset;
}

}  // namespace savkit::io
