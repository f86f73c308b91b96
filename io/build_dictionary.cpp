// Resolving the raw dictionary records: encodings, long names, very long
// strings, labels, missing values, display parameters and sets.
#include <algorithm>
#include <cctype>
#include <map>
#include <cstdio>
#include <set>

#include "fault.h"
#include "io/format.h"
#include "mrsets.h"
#include "io/names.h"
#include "raw_dictionary.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"
#include "io/text_codec.h"

namespace savkit::io {

namespace {

constexpr int kMaxWidth = kMaxStringWidth;

std::string Text(const RawRecord& r) { return std::string(r.data.begin(), r.data.end()); }

std::string Trim(std::string_view s) { return std::string(trim::LeadingBlanks(trim::Padding(s))); }

// The pieces between separators: n separators make n + 1 pieces.
std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> pieces;
  std::size_t pos = 0;
  for (std::size_t end; (end = text.find(sep, pos)) != std::string::npos; pos = end + 1)
    pieces.push_back(text.substr(pos, end - pos));
  pieces.push_back(text.substr(pos));
  return pieces;
}

Format Unpack(std::uint32_t v) {
  return Format{static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
}

// A variable record that starts a variable, with the elements it spans.
struct Segment {
  int raw = 0;
  int width = 0;
  int firstElement = 0;
  int elements = 0;
  int measure = 0, columns = -1, alignment = -1;
};

// Reads the fields of a byte record that holds a list of variable entries.
class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& d, bool swap) : d_(d), swap_(swap) {}
  bool Done() const { return pos_ >= d_.size(); }
  bool Int(std::int32_t& v) {
    if (d_.size() - pos_ < 4) return false;
    v = LoadI32(d_.data() + pos_, swap_);
    pos_ += 4;
    return true;
  }
  // The next four bytes as a number, without moving on; -1 when they are not there.
  std::int64_t PeekInt() const { return d_.size() - pos_ < 4 ? -1 : LoadI32(d_.data() + pos_, swap_); }
  bool Byte(std::uint8_t& v) {
    if (d_.size() - pos_ < 1) return false;
    v = d_[pos_++];
    return true;
  }
  bool Bytes(std::string& s, std::int32_t n) {
    if (n < 0 || d_.size() - pos_ < static_cast<std::size_t>(n)) return false;
    s.assign(d_.begin() + static_cast<std::ptrdiff_t>(pos_), d_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += static_cast<std::size_t>(n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& d_;
  bool swap_;
  std::size_t pos_ = 0;
};

class Builder {
 public:
  Builder(const RawDictionary& raw, Dictionary& dict, const char* encoding)
      : raw_(raw), dict_(dict), given_(encoding ? encoding : "") {}
  int Run();

 private:
  static int Bad(const RawVariable& v, const std::string& what) {
    OpenFault().Note(static_cast<std::int64_t>(v.offset), "variable record " + v.name + " " + what);
    return SPSS_INVALID_FILE;
  }
  const RawRecord* Find(int subtype) const {
    for (const RawRecord& r : raw_.extensions)
      if (r.subtype == subtype) return &r;
    return nullptr;
  }
  int ChooseEncoding();
  void ReadHeaderTexts();
  int ReadSegments();
  void ApplyDisplay();
  int ApplyVeryLongStrings();
  void MakeVariables();
  void ApplyLongNames();
  void ApplyValueLabels();
  void ApplyLongStringLabels(const RawRecord& r);
  void ApplyLongStringMissing(const RawRecord& r);
  enum class MissingLayout { Once, EachValue, Guess };
  bool ParseLongStringMissing(const RawRecord& r, MissingLayout layout, bool apply);
  void ReadMultipleResponse(const RawRecord& r, bool newStyle);
  void ReadVariableSets(const RawRecord& r);
  void ReadAttributes();
  AttributeSet InUtf8(AttributeSet set);
  Variable* ByName(const std::string& name);
  std::string ApiName(const std::string& fileName) const;
  std::string Str(std::string_view bytes) { return codec_.ToUtf8(bytes); }

  const RawDictionary& raw_;
  Dictionary& dict_;
  std::string given_;  // the caller's encoding, over whatever the file says
  TextCodec codec_;
  bool widen_ = false;
  std::vector<Segment> segments_;
  std::vector<bool> absorbed_;
  std::map<int, int> byRawIndex_;               // raw record index -> variable
  std::map<std::string, int> byShortName_;      // lower-case short name -> variable
  std::map<std::string, std::string> renamed_;  // long name in the file -> API name
};

int Builder::ChooseEncoding() {
  std::string encoding;
  if (!given_.empty()) {
    // A caller who names the encoding knows better than a record that lies.
    if (!codec_.Open(given_)) {
      OpenFault().Note(-1, "the encoding " + given_ + " is not one iconv knows");
      return SPSS_INVALID_FILE;
    }
    widen_ = !codec_.Identity();
    dict_.encoding = widen_ ? given_ : std::string();
    return SPSS_OK;
  }
  if (const RawRecord* r = Find(kEncoding)) {
    encoding = Trim(Text(*r));
  } else if (const RawRecord* info = Find(kReleaseInfo); info && info->size == 4 && info->count >= 8) {
    encoding = EncodingForCodePage(LoadI32(info->data.data() + 28, raw_.swap));
  } else {
    encoding = EncodingForCodePage(1252);
  }
  if (!codec_.Open(encoding)) {
    // An encoding iconv does not know: read the texts as the Western code page,
    // which maps every byte to a character.
    encoding = EncodingForCodePage(1252);
    codec_.Open(encoding);
  }
  widen_ = !codec_.Identity();
  dict_.encoding = widen_ ? encoding : std::string();
  return SPSS_OK;
}

void Builder::ReadHeaderTexts() {
  std::string product = raw_.product;
  static const std::string kPrefix = "@(#) SPSS DATA FILE";
  if (product.compare(0, kPrefix.size(), kPrefix) == 0) product.erase(0, kPrefix.size());
  // Texts are kept whole; the API cuts what it hands out to its buffers.
  dict_.product = Str(Trim(product));
  dict_.date = raw_.date;
  dict_.time = raw_.time;
  dict_.fileLabel = Str(raw_.fileLabel);
  if (const RawRecord* r = Find(kReleaseInfo); r && r->size == 4 && r->count >= 8) {
    dict_.hasReleaseInfo = true;
    for (int i = 0; i < 8; ++i) dict_.releaseInfo[i] = LoadI32(r->data.data() + 4 * i, raw_.swap);
  }
  if (const RawRecord* r = Find(kTextInfo)) dict_.textInfo = Str(Text(*r));
  // Document lines keep their leading blanks: they indent the text.
  for (const std::string& line : raw_.documents) dict_.documents.push_back(Str(std::string(trim::Padding(line))));
}

int Builder::ReadSegments() {
  int element = 0;
  const auto& vars = raw_.variables;
  for (std::size_t i = 0; i < vars.size();) {
    const RawVariable& v = vars[i];
    if (v.type < 0) return Bad(v, "continues no string variable");
    Segment s;
    s.raw = static_cast<int>(i);
    s.width = v.type;
    s.firstElement = element;
    s.elements = v.type == 0 ? 1 : (v.type + 7) / 8;
    for (int k = 1; k < s.elements; ++k)
      if (i + static_cast<std::size_t>(k) >= vars.size() || vars[i + static_cast<std::size_t>(k)].type != -1)
        return Bad(v, "is a string of width " + std::to_string(v.type) + " without the continuation records it needs");
    std::size_t next = i + static_cast<std::size_t>(s.elements);
    // Continuation records past a string's width are extra positions of it,
    // their bytes unused, as PSPP reads them.
    for (; v.type > 0 && next < vars.size() && vars[next].type == -1; ++next) ++s.elements;
    for (int k = 0; k < s.elements; ++k) dict_.numeric.push_back(v.type == 0 ? 1 : 0);
    element += s.elements;
    i = next;
    segments_.push_back(s);
  }
  dict_.elementsPerCase = element;
  absorbed_.assign(segments_.size(), false);
  return SPSS_OK;
}

void Builder::ApplyDisplay() {
  const RawRecord* r = Find(kDisplay);
  dict_.hasDisplay = r != nullptr;
  if (!r || r->size != 4) return;
  const std::size_t n = segments_.size();
  const std::size_t per = static_cast<std::size_t>(r->count) == 3 * n   ? 3
                          : static_cast<std::size_t>(r->count) == 2 * n ? 2
                                                                        : 0;
  if (per == 0) return;  // does not match the variables: ignored as other readers do
  dict_.displayWidths = per == 3;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = r->data.data() + 4 * per * i;
    segments_[i].measure = LoadI32(p, raw_.swap);
    if (per == 3) segments_[i].columns = LoadI32(p + 4, raw_.swap);
    segments_[i].alignment = LoadI32(p + 4 * (per - 1), raw_.swap);
  }
}

int Builder::ApplyVeryLongStrings() {
  const RawRecord* r = Find(kVeryLongStrings);
  if (!r) return SPSS_OK;
  for (std::string entry : Split(Text(*r), '\t')) {
    while (!entry.empty() && entry.back() == '\0') entry.pop_back();
    const std::size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = LowerAscii(entry.substr(0, eq));
    const long width = std::strtol(entry.c_str() + eq + 1, nullptr, 10);
    if (width <= kSegmentWidth || width > kMaxWidth) continue;
    const int count = SegmentCount(static_cast<int>(width));
    for (std::size_t s = 0; s < segments_.size(); ++s) {
      if (absorbed_[s] || segments_[s].width <= 0 ||
          LowerAscii(raw_.variables[static_cast<std::size_t>(segments_[s].raw)].name) != key)
        continue;
      // Every segment but the last is 255 bytes wide, and the last holds the
      // rest of the text; the case layout relies on both.
      const RawVariable& named = raw_.variables[static_cast<std::size_t>(segments_[s].raw)];
      const std::string why = "is a string of width " + std::to_string(width) + " (very long string record) without ";
      if (s + static_cast<std::size_t>(count) > segments_.size())
        return Bad(named, why + "its " + std::to_string(count) + " segments");
      for (int k = 0; k < count; ++k) {
        const int w = segments_[s + static_cast<std::size_t>(k)].width;
        const bool fits = w > 0 && (k + 1 == count || w == kSegmentWidth) &&
                          segments_[s + static_cast<std::size_t>(k)].elements == ElementsFor(w) &&
                          (k + 1 < count || w >= width - static_cast<long>(kSegmentWidth) * (count - 1));
        if (!fits) return Bad(named, why + "the segments such a string has (segment " + std::to_string(k + 1) + ")");
      }
      Segment& first = segments_[s];
      for (int k = 1; k < count; ++k) {
        first.elements += segments_[s + static_cast<std::size_t>(k)].elements;
        absorbed_[s + static_cast<std::size_t>(k)] = true;
      }
      first.width = -static_cast<int>(width);  // negative: a very long string of this width
      break;
    }
  }
  return SPSS_OK;
}

void Builder::MakeVariables() {
  for (std::size_t s = 0; s < segments_.size(); ++s) {
    if (absorbed_[s]) continue;
    const Segment& seg = segments_[s];
    const RawVariable& rv = raw_.variables[static_cast<std::size_t>(seg.raw)];
    Variable v;
    v.shortName = Str(rv.name);
    v.name = v.shortName;
    v.fileWidth = seg.width < 0 ? -seg.width : seg.width;
    v.segments = seg.width < 0 ? SegmentCount(v.fileWidth) : 1;
    v.width = v.fileWidth == 0 ? 0 : widen_ ? std::min(3 * v.fileWidth, kMaxWidth) : v.fileWidth;
    v.print = Unpack(rv.print);
    v.write = Unpack(rv.write);
    // A number's format that no reader can use becomes F8.2, as PSPP makes
    // it, so that the dictionary can be written again; a string's (A, AHEX)
    // would make the number a string. A code no program defines is kept as
    // the file has it: copies and saves write it back.
    for (Format* f : {&v.print, &v.write})
      if (v.fileWidth == 0 && KnownFormatType(f->type) && !ValidFormat(f->type, f->width, f->decimals, 0))
        *f = Format{SPSS_FMT_F, 8, 2};
    if (v.width > 0) {
      // String formats follow the width the API reports.
      for (Format* f : {&v.print, &v.write}) {
        f->type = f->type == 2 ? 2 : 1;
        f->width = f->type == 2 ? std::min(2 * v.width, kMaxWidth) : v.width;
        f->decimals = 0;
      }
    }
    v.dictIndex = seg.raw;
    v.firstElement = seg.firstElement;
    v.elements = seg.elements;
    v.label = Str(rv.label);
    v.measure = seg.measure >= 0 && seg.measure <= 3 ? seg.measure : 0;
    v.columns = seg.columns >= 0 ? seg.columns : DefaultColumns(v.width);
    v.alignment = seg.alignment >= 0 && seg.alignment <= 2 ? seg.alignment : v.width == 0 ? 1 : 0;
    v.missing.type = rv.missingCount;
    const int nMissing = rv.missingCount < 0 ? -rv.missingCount : rv.missingCount;
    for (int i = 0; i < nMissing; ++i) {
      const auto& bytes = rv.missing[static_cast<std::size_t>(i)];
      if (v.width == 0) {
        v.missing.number[i] = LoadF64(bytes.data(), raw_.swap);
      } else {
        const std::size_t len = static_cast<std::size_t>(std::min(v.fileWidth, 8));
        v.missing.text[i] = Str(std::string_view(reinterpret_cast<const char*>(bytes.data()), len));
      }
    }
    if (v.width > 0 && v.missing.type < 0) v.missing.type = 0;  // strings have no ranges
    const int index = static_cast<int>(dict_.variables.size());
    byRawIndex_[seg.raw] = index;
    byShortName_.emplace(LowerAscii(v.shortName), index);
    dict_.variables.push_back(std::move(v));
  }
}

void Builder::ApplyLongNames() {
  dict_.hasLongNames = Find(kLongNames) != nullptr;
  if (const RawRecord* r = Find(kLongNames)) {
    for (const std::string& entry : Split(Text(*r), '\t')) {
      const std::size_t eq = entry.find('=');
      if (eq == std::string::npos) continue;
      const auto it = byShortName_.find(LowerAscii(Str(entry.substr(0, eq))));
      const std::string longName = Str(entry.substr(eq + 1));
      if (it == byShortName_.end() || longName.empty()) continue;
      // A long name no variable may bear is mended below (the records that
      // name the variable by it still find it); one too long is cut there.
      dict_.variables[static_cast<std::size_t>(it->second)].name = longName;
    }
  }
  // Names handed out are valid, unique ignoring case and at most 64 bytes,
  // whatever the file holds, so that the dictionary can be written again. As
  // PSPP does, a long name that cannot be used gives way to the short name,
  // and a short name that cannot to VAR001, VAR002 and on.
  std::set<std::string> taken;
  const auto usable = [&](const std::string& name) {
    return ValidateName(name) == SPSS_NAME_OK && !taken.count(FoldName(name));
  };
  int generated = 0;
  for (Variable& v : dict_.variables) {
    const std::string original = v.name;
    CutUtf8(v.name, SPSS_MAX_VARNAME);
    if (!usable(v.name)) {
      dict_.namesMended = true;
      if (v.name != v.shortName && usable(v.shortName)) {
        v.name = v.shortName;
      } else {
        char name[16];
        do std::snprintf(name, sizeof name, "VAR%03d", ++generated);
        while (!usable(name));
        v.name = name;
      }
    }
    taken.insert(FoldName(v.name));
    if (v.name != original) renamed_[original] = v.name;
  }
}

std::string Builder::ApiName(const std::string& fileName) const {
  const auto it = renamed_.find(fileName);
  return it == renamed_.end() ? fileName : it->second;
}

Variable* Builder::ByName(const std::string& name) {
  const std::string key = LowerAscii(name);
  for (Variable& v : dict_.variables)
    if (LowerAscii(v.name) == key) return &v;
  for (Variable& v : dict_.variables)
    if (LowerAscii(v.shortName) == key) return &v;
  return nullptr;
}

void Builder::ApplyValueLabels() {
  for (const RawValueLabels& vl : raw_.valueLabels) {
    for (const std::int32_t index : vl.indexes) {
      if (index < 1) continue;  // variables are counted from 1
      const auto it = byRawIndex_.find(index - 1);
      if (it == byRawIndex_.end()) continue;  // not the first record of a variable
      Variable& v = dict_.variables[static_cast<std::size_t>(it->second)];
      if (v.fileWidth > 8) continue;  // long strings have their own record
      for (const auto& [value, label] : vl.labels) {
        if (v.IsNumeric())
          v.numberLabels.Append(LoadF64(value.data(), raw_.swap), Str(label));
        else
          // The value fills 8 bytes; a narrower string's value is only its width of them.
          v.textLabels.Append(
              Str(std::string_view(reinterpret_cast<const char*>(value.data()), static_cast<std::size_t>(v.fileWidth))),
              Str(label));
      }
    }
  }
}

void Builder::ApplyLongStringLabels(const RawRecord& r) {
  Cursor c(r.data, raw_.swap);
  while (!c.Done()) {
    std::int32_t nameLen, width, count;
    std::string name;
    if (!c.Int(nameLen) || !c.Bytes(name, nameLen) || !c.Int(width) || !c.Int(count) || count < 0) return;
    Variable* v = ByName(ApiName(Str(name)));
    for (std::int32_t i = 0; i < count; ++i) {
      std::int32_t valueLen, labelLen;
      std::string value, label;
      if (!c.Int(valueLen) || !c.Bytes(value, valueLen) || !c.Int(labelLen) || !c.Bytes(label, labelLen)) return;
      if (v && !v->IsNumeric()) v->textLabels.Append(Str(value), Str(label));
    }
  }
}

// Per variable: its name, a one-byte count, one value length, then the
// values. Some PSPP versions wrote a length before every value instead; a
// record that does not parse to its end one way is read the other way, and
// one that parses neither way is read entry by entry, each as it fits.
void Builder::ApplyLongStringMissing(const RawRecord& r) {
  for (const MissingLayout layout : {MissingLayout::Once, MissingLayout::EachValue})
    if (ParseLongStringMissing(r, layout, false)) {
      ParseLongStringMissing(r, layout, true);
      return;
    }
  ParseLongStringMissing(r, MissingLayout::Guess, true);
}

bool Builder::ParseLongStringMissing(const RawRecord& r, MissingLayout layout, bool apply) {
  Cursor c(r.data, raw_.swap);
  while (!c.Done()) {
    std::int32_t nameLen, len = 0;
    std::uint8_t count;
    std::string name;
    if (!c.Int(nameLen) || !c.Bytes(name, nameLen) || !c.Byte(count)) return false;
    // The value length comes once, even for no values, except in the older layout.
    if ((count > 0 || layout != MissingLayout::EachValue) && !c.Int(len)) return false;
    MissingValues m;
    bool sound = len >= 0 && static_cast<std::size_t>(len) <= kMissingValueBytes;
    for (int i = 0; i < count; ++i) {
      const bool lengthFirst =
          i > 0 && (layout == MissingLayout::EachValue || (layout == MissingLayout::Guess && c.PeekInt() == len));
      std::int32_t own = len;
      std::string value;
      if ((lengthFirst && !c.Int(own)) || !c.Bytes(value, own)) return false;
      sound = sound && own == len;
      if (i < 3) m.text[i] = Str(value);
    }
    m.type = std::min<int>(count, 3);
    Variable* v = ByName(ApiName(Str(name)));
    // Only strings wider than 8 bytes keep their missing values here.
    if (apply && sound && v && v->fileWidth > kMaxShortString && m.type > 0) v->missing = m;
  }
  return true;
}

void Builder::ReadMultipleResponse(const RawRecord& r, bool newStyle) {
  dict_.multResp += MrLinesFromRecord(
      Text(r), newStyle, [this](std::string_view bytes) { return Str(bytes); },
      [this](const std::string& word) {
        const auto it = byShortName_.find(LowerAscii(word));
        return it != byShortName_.end() ? dict_.variables[static_cast<std::size_t>(it->second)].name : word;
      });
  dict_.hasMultResp = true;
}

void Builder::ReadVariableSets(const RawRecord& r) {
  dict_.hasVariableSets = true;
  const std::string text = Str(Text(r));
  if (renamed_.empty()) {
    dict_.variableSets = text;
    return;
  }
  // Members by the names the API hands out.
  std::string out;
  const std::vector<std::string> lines = Split(text, '\n');
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      out += line;
    } else {
      out += line.substr(0, eq + 1);
      const std::vector<std::string> words = Split(line.substr(eq + 1), ' ');
      for (std::size_t w = 0; w < words.size(); ++w) {
        out += words[w].empty() || words[w] == "\r" ? words[w] : ApiName(words[w]);
        if (w + 1 < words.size()) out += ' ';
      }
    }
    if (i + 1 < lines.size()) out += '\n';
  }
  dict_.variableSets = out;
}

void Append(AttributeSet& to, AttributeSet more) {
  to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

AttributeSet Builder::InUtf8(AttributeSet set) {
  for (Attribute& a : set) {
    a.name = Str(a.name);
    for (std::string& value : a.values) value = Str(value);
  }
  return set;
}

// Attributes are kept as read for copies; these are the parsed texts the API
// hands out. A record that does not parse is kept, but shows nothing.
void Builder::ReadAttributes() {
  std::map<std::string, Variable*> byName;
  for (Variable& v : dict_.variables) byName.emplace(LowerAscii(v.name), &v);
  for (const RawRecord& r : dict_.keptRecords) {
    if (r.size != 1) continue;
    const std::string_view text(reinterpret_cast<const char*>(r.data.data()), r.data.size());
    if (r.subtype == kFileAttributes) {
      AttributeSet set;
      if (ParseAttributeSet(text, set)) Append(dict_.fileAttributes, InUtf8(std::move(set)));
    } else if (r.subtype == kVariableAttributes) {
      std::vector<std::pair<std::string, AttributeSet>> sets;
      ParseVariableAttributeSets(text, sets);
      for (auto& [name, set] : sets) {
        const auto it = byName.find(LowerAscii(ApiName(Str(name))));
        if (it != byName.end()) Append(it->second->attributes, InUtf8(std::move(set)));
      }
    }
  }
}

int Builder::Run() {
  dict_.swap = raw_.swap;
  dict_.zlib = raw_.zlib;
  dict_.compression = raw_.compression;
  dict_.bias = raw_.bias;
  dict_.dataOffset = raw_.dataOffset;
  if (const int status = ChooseEncoding()) return status;
  ReadHeaderTexts();
  if (const int status = ReadSegments()) return status;
  ApplyDisplay();
  if (const int status = ApplyVeryLongStrings()) return status;
  MakeVariables();
  ApplyLongNames();
  ApplyValueLabels();
  for (const RawRecord& r : raw_.extensions) {
    switch (r.subtype) {
      case kLongStringLabels: ApplyLongStringLabels(r); break;
      case kLongStringMissing: ApplyLongStringMissing(r); break;
      case kMultRespOld: ReadMultipleResponse(r, false); break;
      case kMultRespNew: ReadMultipleResponse(r, true); break;
      case kVariableSets: ReadVariableSets(r); break;
      case kReleaseInfo:
      case kFloatInfo:
      case kTextInfo:
      case kDisplay:
      case kLongNames:
      case kVeryLongStrings:
      case kCaseCount:
      case kEncoding: break;
      default: dict_.keptRecords.push_back(r);  // attributes and records we do not know
    }
  }
  if (raw_.weightIndex > 0) {
    const auto it = byRawIndex_.find(raw_.weightIndex - 1);
    if (it != byRawIndex_.end() && dict_.variables[static_cast<std::size_t>(it->second)].IsNumeric())
      dict_.weight = it->second;
  }
  ReadAttributes();
  if (dict_.hasMultResp) dict_.multResp = ValidMrLines(dict_.multResp, dict_);
  dict_.cases = raw_.cases;
  if (const RawRecord* r = Find(kCaseCount); r && r->size == 8 && r->count == 2) {
    dict_.extendedCountAt = r->offset + 8;
    const std::int64_t n = LoadI64(r->data.data() + 8, raw_.swap);
    if (dict_.cases < 0 && n >= 0) dict_.cases = n;
  }
  LayOutSlots(dict_);
  return SPSS_OK;
}

}  // namespace

int BuildDictionary(const RawDictionary& raw, Dictionary& dict, const char* encoding) {
  return Builder(raw, dict, encoding).Run();
}

}  // namespace savkit::io
