// Reading a portable file: its header and character table, its dictionary
// records made into the dictionary the API hands out, and its cases counted.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "io/format.h"
#include "io/names.h"
#include "portable.h"
#include "portable_cases.h"
#include "portable_fields.h"
#include "portable_records.h"
#include "portable_format.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::io {

namespace {

using Map = std::array<std::uint8_t, 256>;

// The local byte of each byte of the file: what the character table says it
// is, as windows-1252 ('?' where that has none), the lowest position where a
// byte stands for several (undefined positions repeat position 64's '0').
// Bytes the table does not give stand for themselves.
Map MapFromTable(const std::uint8_t* table) {
  Map map;
  for (int b = 0; b < 256; ++b) map[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
  for (int pos = portable::kLastCharacter; pos >= portable::kFirstCharacter; --pos) {
    const std::uint8_t local = portable::Windows1252(portable::kCharacters[static_cast<std::size_t>(pos)]);
    map[table[pos]] = local ? local : '?';
  }
  return map;
}

// The header in view, with the map its character table makes; null where
// the file is too short or does not say SPSSPORT in its own characters.
const std::uint8_t* ReadHeader(PortableText& text, Map& map) {
  std::size_t count = 0;
  const std::uint8_t* h = text.At(0, portable::kHeaderSize, count);
  if (!h || count < portable::kHeaderSize) return nullptr;
  map = MapFromTable(h + portable::kVanitySize);
  for (std::size_t i = 0; i < 8; ++i)
    if (map[h[portable::kTagOffset + i]] != static_cast<std::uint8_t>(portable::kTag[i])) return nullptr;
  return h;
}

// "dd Mmm yy" and "hh:mm:ss" from the file's YYYYMMDD and HHMMSS.
void SetTimeStamp(const PorDictionary& d, Dictionary& dict) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const auto digits = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (d.date.size() == 8 && digits(d.date)) {
    const int month = std::stoi(d.date.substr(4, 2));
    if (month >= 1 && month <= 12)
      dict.date = d.date.substr(6, 2) + " " + kMonths[month - 1] + " " + d.date.substr(2, 2);
  }
  if (d.time.size() == 6 && digits(d.time))
    dict.time = d.time.substr(0, 2) + ":" + d.time.substr(2, 2) + ":" + d.time.substr(4, 2);
}

std::string Padded(std::string text, int width) {
  if (text.size() < static_cast<std::size_t>(width)) text.resize(static_cast<std::size_t>(width), ' ');
  while (text.size() > static_cast<std::size_t>(width) && text.back() == ' ') text.pop_back();
  return text;
}

// Names as the API hands them out: valid and unique; a repeated one gets
// _1, _2 ..., one that is no name VAR001 and on.
void MendNames(Dictionary& dict) {
  std::set<std::string> taken;
  int generated = 0;
  for (Variable& v : dict.variables) {
    std::string name = v.name;
    if (ValidateName(name) != SPSS_NAME_OK) {
      char made[16];
      do std::snprintf(made, sizeof made, "VAR%03d", ++generated);
      while (taken.count(FoldName(made)));
      name = made;
    }
    for (int k = 1; taken.count(FoldName(name)); ++k) name = v.name + "_" + std::to_string(k);
    if (name != v.name) dict.namesMended = true;
    v.name = name;
    taken.insert(FoldName(name));
  }
}

// A dictionary text: PSPP writes these in UTF-8 whatever its data's
// encoding, so one that is valid UTF-8 is taken as such; values (labels'
// and missing values) are in the data's encoding, whose bytes they match.
std::string Utf8Text(const std::string& text, TextCodec& codec) { return ValidUtf8(text) ? text : codec.ToUtf8(text); }

Variable MakeVariable(const PorVariable& p, TextCodec& codec, bool widen) {
  Variable v;
  v.name = v.shortName = Utf8Text(p.name, codec);
  v.fileWidth = p.width;
  v.width = p.width == 0 ? 0 : widen ? std::min(3 * p.width, kMaxStringWidth) : p.width;
  v.print = Format{p.print[0], p.print[1], p.print[2]};
  v.write = Format{p.write[0], p.write[1], p.write[2]};
  for (Format* f : {&v.print, &v.write}) {
    if (v.width == 0 && !ValidFormat(f->type, f->width, f->decimals, 0)) *f = Format{SPSS_FMT_F, 8, 2};
    if (v.width > 0) {
      f->type = f->type == SPSS_FMT_AHEX ? SPSS_FMT_AHEX : SPSS_FMT_A;
      f->width = f->type == SPSS_FMT_AHEX ? std::min(2 * v.width, kMaxStringWidth) : v.width;
      f->decimals = 0;
    }
  }
  v.label = Utf8Text(p.label, codec);
  v.columns = DefaultColumns(v.width);
  v.alignment = v.width == 0 ? SPSS_ALIGN_RIGHT : SPSS_ALIGN_LEFT;
  v.missing = p.missing;
  for (std::string& t : v.missing.text)
    if (!t.empty()) t = codec.ToUtf8(Padded(t, std::min(p.width, kMaxShortString)));
  for (const auto& [value, label] : p.numberLabels) v.numberLabels.Set(value, Utf8Text(label, codec));
  for (const auto& [value, label] : p.textLabels)
    v.textLabels.Set(codec.ToUtf8(Padded(value, p.width)), Utf8Text(label, codec));
  return v;
}

int BuildPortableDictionary(const PorDictionary& d, const char* encoding, bool utf8, Dictionary& dict, Fault& fault) {
  // A file all in ASCII or valid UTF-8 is UTF-8; one with other bytes was
  // most likely written on Windows, unless the caller says otherwise.
  const std::string chosen = encoding ? encoding : utf8 ? "" : "windows-1252";
  TextCodec codec;
  if (!codec.Open(chosen)) {
    fault.Note(-1, "the encoding " + chosen + " is not one iconv knows");
    return SPSS_INVALID_FILE;
  }
  const bool widen = !codec.Identity();
  dict.encoding = widen ? chosen : std::string();
  dict.portable = true;
  dict.compression = kUncompressed;
  dict.product = Utf8Text(d.product, codec);
  dict.textInfo = Utf8Text(d.subproduct, codec);
  dict.fileLabel = Utf8Text(std::string(trim::Padding(d.vanityLabel)), codec);
  SetTimeStamp(d, dict);
  int element = 0;
  for (const PorVariable& p : d.variables) {
    Variable v = MakeVariable(p, codec, widen);
    v.dictIndex = v.firstElement = element;
    v.elements = ElementsFor(p.width);
    element += v.elements;
    for (int k = 0; k < v.elements; ++k) dict.numeric.push_back(p.width == 0 ? 1 : 0);
    if (!d.weight.empty() && p.name == d.weight && p.width == 0) dict.weight = static_cast<int>(dict.variables.size());
    dict.variables.push_back(std::move(v));
  }
  dict.elementsPerCase = element;
  for (const std::string& line : d.documents)
    dict.documents.push_back(Utf8Text(std::string(trim::Padding(line)), codec));
  MendNames(dict);
  LayOutSlots(dict);
  return SPSS_OK;
}

}  // namespace

bool LooksPortable(int fd, std::uint64_t size) {
  PortableText text(fd, size);
  Map map;
  return text.MeasureLines() && ReadHeader(text, map);
}

int OpenPortable(int fd, std::uint64_t size, const char* encoding, Dictionary& dict,
                 std::unique_ptr<ByteSource>& source, Fault& fault) {
  auto text = std::make_unique<PortableText>(fd, size);
  if (!text->MeasureLines()) return fault.Note(0, "the file cannot be read"), SPSS_FILE_RERROR;
  Map map;
  const std::uint8_t* h = ReadHeader(*text, map);
  if (!h) return fault.Note(0, "it is no longer a portable file"), SPSS_INVALID_FILE;  // changed since looked at
  PorDictionary d;
  d.vanityLabel.assign(reinterpret_cast<const char*>(h + portable::kLabelOffset), portable::kLabelLength);
  text->Translate(map, portable::kHeaderSize);

  PortableFields f(*text, portable::kHeaderSize);
  std::string why;
  if (!ReadPortableRecords(f, d, why)) {
    fault.Note(text->FileOffset(f.Pos()), why);
    return text->Failed() ? SPSS_FILE_RERROR : SPSS_INVALID_FILE;
  }
  std::vector<Slot> slots;
  std::size_t offset = 0;
  for (const PorVariable& p : d.variables) {
    const std::size_t bytes = static_cast<std::size_t>(ElementsFor(p.width)) * 8;
    slots.push_back(Slot{p.width, offset, bytes});
    offset += bytes;
  }
  Count c = CountCases(f, slots);
  if (text->Failed()) return fault.Note(text->FileOffset(f.Pos()), "the file cannot be read"), SPSS_FILE_RERROR;
  if (const int status = BuildPortableDictionary(d, encoding, d.allUtf8 && c.allUtf8, dict, fault)) return status;
  dict.cases = c.cases;
  if (!c.why.empty()) fault.Note(text->FileOffset(c.faultAt), c.why);
  const int status = c.why.empty() ? SPSS_OK : SPSS_DATA_CUT;
  source = MakePortableSource(std::move(text), std::move(slots), std::move(c), offset);
  return status;
}

}  // namespace savkit::io
