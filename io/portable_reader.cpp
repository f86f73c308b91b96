// Reading a portable file: its header and character table, its dictionary
// records, and a count of its cases that leaves marks to come back to.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "io/format.h"
#include "io/names.h"
#include "portable.h"
#include "portable_fields.h"
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

bool HasTag(const std::uint8_t* header, const Map& map) {
  for (std::size_t i = 0; i < 8; ++i)
    if (map[header[portable::kTagOffset + i]] != static_cast<std::uint8_t>(portable::kTag[i])) return false;
  return true;
}

// Notes whether a text that holds bytes outside ASCII is valid UTF-8.
void Note(const std::string& text, bool& allUtf8) {
  if (allUtf8 && std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    allUtf8 = ValidUtf8(text);
}

struct PorVariable {
  int width = 0;
  std::string name, label;
  int print[3] = {}, write[3] = {};
  MissingValues missing;  // texts in the file's bytes
  std::vector<std::pair<double, std::string>> numberLabels;
  std::vector<std::pair<std::string, std::string>> textLabels;
};

struct PorDictionary {
  std::string vanityLabel, date, time, product, author, subproduct, weight;
  std::int64_t count = -1;
  std::vector<PorVariable> variables;
  std::vector<std::string> documents;
  bool allUtf8 = true;  // every text that holds bytes outside ASCII is valid UTF-8
};

// Reads the records from the version on, up to the data's tag.
class DictionaryParser {
 public:
  DictionaryParser(PortableFields& f, PorDictionary& d) : f_(f), d_(d) {}

  bool Run(std::string& why) {
    if (f_.Get() < 0) return why = "the file ends before its version", false;
    if (!Text(d_.date, 8, why) || !Text(d_.time, 6, why)) return false;
    for (;;) {
      const int tag = f_.Get();
      if (tag == portable::kData) return Finish(why);
      if (!Record(tag, why)) return false;
    }
  }

 private:
  bool Text(std::string& s, std::size_t max, std::string& why) {
    if (!f_.String(s, max, why)) return false;
    Note(s, d_.allUtf8);
    return true;
  }
  bool Int(int& v, std::int64_t lo, std::int64_t hi, std::string& why) {
    std::int64_t n;
    if (!f_.Integer(n, lo, hi, why)) return false;
    v = static_cast<int>(n);
    return true;
  }
  PorVariable* Current(int tag, std::string& why) {
    if (d_.variables.empty()) why = std::string("record ") + static_cast<char>(tag) + " comes before any variable";
    return d_.variables.empty() ? nullptr : &d_.variables.back();
  }
  bool Value(const PorVariable& v, double& number, std::string& text, std::string& why) {
    return v.width == 0 ? f_.Number(number, why) : Text(text, portable::kMaxStringWidth, why);
  }

  bool Record(int tag, std::string& why);
  bool Variable(std::string& why);
  bool Missing(int tag, std::string& why);
  bool ValueLabels(std::string& why);
  bool Finish(std::string& why);

  PortableFields& f_;
  PorDictionary& d_;
};

bool DictionaryParser::Record(int tag, std::string& why) {
  constexpr std::size_t kMaxText = 65535;
  switch (tag) {
    case portable::kProduct: return Text(d_.product, kMaxText, why);
    case portable::kAuthor: return Text(d_.author, kMaxText, why);
    case portable::kSubproduct: return Text(d_.subproduct, kMaxText, why);
    case portable::kVariableCount: return f_.Integer(d_.count, 0, INT32_MAX, why);
    case portable::kPrecision: {
      std::int64_t ignored;
      return f_.Integer(ignored, 0, INT32_MAX, why);
    }
    case portable::kWeight: return Text(d_.weight, kMaxText, why);
    case portable::kVariable: return Variable(why);
    case portable::kMissingValue:
    case portable::kMissingLowThru:
    case portable::kMissingThruHigh:
    case portable::kMissingRange: return Missing(tag, why);
    case portable::kVariableLabel: {
      PorVariable* v = Current(tag, why);
      return v && Text(v->label, kMaxText, why);
    }
    case portable::kValueLabels: return ValueLabels(why);
    case portable::kDocuments: {
      std::int64_t n;
      if (!f_.Integer(n, 0, INT32_MAX, why)) return false;
      for (std::int64_t i = 0; i < n; ++i) {
        d_.documents.emplace_back();
        if (!Text(d_.documents.back(), kMaxText, why)) return false;
      }
      return true;
    }
    case -1: return why = "the file ends before its data", false;
    default:
      why = "a record has the tag ";
      why += tag > ' ' && tag < 0x7F ? std::string("'") + static_cast<char>(tag) + "'" : "byte " + std::to_string(tag);
      why += ", which no portable file record has";
      return false;
  }
}

bool DictionaryParser::Variable(std::string& why) {
  if (d_.count >= 0 && static_cast<std::int64_t>(d_.variables.size()) >= d_.count)
    return why = "there are more variable records than the " + std::to_string(d_.count) + " the file says", false;
  PorVariable v;
  if (!Int(v.width, 0, portable::kMaxStringWidth, why) || !Text(v.name, 64, why)) return false;
  for (int* format : {v.print, v.write})
    for (int i = 0; i < 3; ++i)
      if (!Int(format[i], 0, 255, why)) return false;
  d_.variables.push_back(std::move(v));
  return true;
}

bool DictionaryParser::Missing(int tag, std::string& why) {
  PorVariable* v = Current(tag, why);
  if (!v) return false;
  MissingValues& m = v->missing;
  const bool range = tag != portable::kMissingValue;
  if (range && (v->width > 0 || m.type != 0))
    return why = "variable " + v->name + " has a missing-value range it cannot have", false;
  if (!range && (m.type >= 3 || m.type == -3))
    return why = "variable " + v->name + " has more missing values than a variable may", false;
  double lo = 0, hi = 0;
  std::string text;
  if (tag == portable::kMissingRange) {
    std::string ignored;
    if (!Value(*v, lo, ignored, why) || !Value(*v, hi, ignored, why)) return false;
  } else if (tag == portable::kMissingLowThru) {
    lo = std::nextafter(-DBL_MAX, 0.0);
    if (!Value(*v, hi, text, why)) return false;
  } else if (tag == portable::kMissingThruHigh) {
    hi = DBL_MAX;
    if (!Value(*v, lo, text, why)) return false;
  } else {
    double number = 0;
    if (!Value(*v, number, text, why)) return false;
    const int at = m.type < 0 ? 2 : m.type;
    m.number[at] = number;
    m.text[at] = text;
    m.type = m.type < 0 ? -3 : m.type + 1;
    return true;
  }
  m.type = -2;
  m.number[0] = lo;
  m.number[1] = hi;
  return true;
}

bool DictionaryParser::ValueLabels(std::string& why) {
  std::int64_t n;
  if (!f_.Integer(n, 1, static_cast<std::int64_t>(d_.variables.size()), why)) return false;
  std::vector<PorVariable*> vars;
  for (std::int64_t i = 0; i < n; ++i) {
    std::string name;
    if (!Text(name, 64, why)) return false;
    const auto it =
        std::find_if(d_.variables.begin(), d_.variables.end(), [&](const PorVariable& v) { return v.name == name; });
    if (it == d_.variables.end()) return why = "value labels name " + name + ", which is no variable", false;
    if (!vars.empty() && (it->width == 0) != (vars[0]->width == 0))
      return why = "value labels are given to numbers and strings at once (" + name + ")", false;
    vars.push_back(&*it);
  }
  std::int64_t labels;
  if (!f_.Integer(labels, 0, INT32_MAX, why)) return false;
  for (std::int64_t i = 0; i < labels; ++i) {
    double number = 0;
    std::string value, label;
    if (!Value(*vars[0], number, value, why) || !Text(label, 65535, why)) return false;
    for (PorVariable* v : vars) {
      if (v->width == 0)
        v->numberLabels.emplace_back(number, label);
      else
        v->textLabels.emplace_back(value, label);
    }
  }
  return true;
}

bool DictionaryParser::Finish(std::string& why) {
  if (d_.count >= 0 && static_cast<std::int64_t>(d_.variables.size()) != d_.count)
    return why = "the file says it has " + std::to_string(d_.count) + " variables, but " +
                 std::to_string(d_.variables.size()) + " are defined",
           false;
  if (d_.variables.empty()) return why = "the file defines no variable", false;
  return true;
}

// Where each variable's value goes in a case of the uncompressed layout.
struct Slot {
  int width;           // 0 for a number
  std::size_t offset;  // in the case's bytes
  std::size_t bytes;
};

constexpr std::int64_t kCheckpointEvery = 256;

// The cases, decoded into the uncompressed layout on request; the count
// made on opening left the place of every 256th case.
class PortableSource : public ByteSource {
 public:
  PortableSource(std::unique_ptr<PortableText> text, std::vector<Slot> slots, std::vector<std::uint64_t> checkpoints,
                 std::int64_t cases, std::size_t caseBytes)
      : text_(std::move(text)),
        fields_(*text_, checkpoints.empty() ? 0 : checkpoints[0]),
        slots_(std::move(slots)),
        checkpoints_(std::move(checkpoints)),
        cases_(cases),
        caseBytes_(caseBytes),
        scratch_(caseBytes) {}

  long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override;
  std::int64_t FileOffset(std::uint64_t) const override { return text_->FileOffset(fields_.Pos()); }

 private:
  bool SeekCase(std::int64_t k);
  bool DecodeCase(std::uint8_t* out);

  std::unique_ptr<PortableText> text_;
  PortableFields fields_;
  std::vector<Slot> slots_;
  std::vector<std::uint64_t> checkpoints_;
  std::int64_t cases_;
  std::size_t caseBytes_;
  std::int64_t next_ = 0;  // the case fields_ stands before
  std::vector<std::uint8_t> scratch_;
  std::string value_;
};

bool PortableSource::SeekCase(std::int64_t k) {
  const std::int64_t mark = k / kCheckpointEvery;
  if (k < next_ || mark > next_ / kCheckpointEvery) {
    fields_.Seek(checkpoints_[static_cast<std::size_t>(mark)]);
    next_ = mark * kCheckpointEvery;
  }
  while (next_ < k)
    if (!DecodeCase(scratch_.data())) return false;
  return true;
}

bool PortableSource::DecodeCase(std::uint8_t* out) {
  std::string why;
  for (const Slot& s : slots_) {
    if (s.width == 0) {
      double v;
      if (!fields_.Number(v, why)) break;
      std::memcpy(out + s.offset, &v, 8);
    } else {
      if (!fields_.String(value_, portable::kMaxStringWidth, why)) break;
      std::memset(out + s.offset, ' ', s.bytes);
      std::memcpy(out + s.offset, value_.data(), std::min(value_.size(), s.bytes));
    }
  }
  if (why.empty()) return ++next_, true;
  // The count read these cases whole: the file changed since, or cannot be read.
  fault.Note(text_->FileOffset(fields_.Pos()), "case " + std::to_string(next_ + 1) + " cannot be read again: " + why);
  return false;
}

long PortableSource::ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) {
  const std::uint64_t total = static_cast<std::uint64_t>(cases_) * caseBytes_;
  if (pos >= total || caseBytes_ == 0) return 0;
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, total - pos));
  std::size_t off = static_cast<std::size_t>(pos % caseBytes_);
  if (!SeekCase(static_cast<std::int64_t>(pos / caseBytes_))) return -1;
  std::size_t done = 0;
  while (done < n) {
    if (off == 0 && n - done >= caseBytes_) {
      if (!DecodeCase(dst + done)) return -1;
      done += caseBytes_;
      continue;
    }
    if (!DecodeCase(scratch_.data())) return -1;
    const std::size_t take = std::min(caseBytes_ - off, n - done);
    std::memcpy(dst + done, scratch_.data() + off, take);
    done += take;
    off = 0;
  }
  return static_cast<long>(done);
}

// Counts the cases: each value is read through, checkpoints are kept, and
// the first fault ends the count with a warning.
struct Count {
  std::int64_t cases = 0;
  std::vector<std::uint64_t> checkpoints;
  bool allUtf8 = true;
  std::string why;
  std::uint64_t faultAt = 0;
};

Count CountCases(PortableFields& f, const std::vector<Slot>& slots) {
  Count c;
  std::string text;
  for (;;) {
    const std::uint64_t start = f.Pos();
    const int first = f.PeekField();
    if (first == portable::kEnd) break;
    if (first < 0) {
      c.why = "the data end without the Z that closes them";
      c.faultAt = f.Pos();
      break;
    }
    if (c.cases % kCheckpointEvery == 0) c.checkpoints.push_back(start);
    for (const Slot& s : slots) {
      double v;
      const bool ok = s.width == 0 ? f.Number(v, c.why) : f.String(text, static_cast<std::size_t>(s.width), c.why);
      if (!ok) {
        c.why = "case " + std::to_string(c.cases + 1) + ": " + c.why;
        c.faultAt = f.Pos();
        if (c.cases % kCheckpointEvery == 0) c.checkpoints.pop_back();
        return c;
      }
      if (s.width) Note(text, c.allUtf8);
    }
    ++c.cases;
  }
  return c;
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
  if (!text.MeasureLines()) return false;
  std::size_t count = 0;
  const std::uint8_t* h = text.At(0, portable::kHeaderSize, count);
  return h && count >= portable::kHeaderSize && HasTag(h, MapFromTable(h + portable::kVanitySize));
}

int OpenPortable(int fd, std::uint64_t size, const char* encoding, Dictionary& dict,
                 std::unique_ptr<ByteSource>& source, Fault& fault) {
  auto text = std::make_unique<PortableText>(fd, size);
  if (!text->MeasureLines()) return fault.Note(0, "the file cannot be read"), SPSS_FILE_RERROR;
  std::size_t count = 0;
  const std::uint8_t* h = text->At(0, portable::kHeaderSize, count);
  if (!h || count < portable::kHeaderSize)
    return fault.Note(0, "the file is shorter than a portable file's header"), SPSS_INVALID_FILE;
  const Map map = MapFromTable(h + portable::kVanitySize);
  if (!HasTag(h, map)) return fault.Note(portable::kTagOffset, "it does not say SPSSPORT"), SPSS_INVALID_FILE;
  PorDictionary d;
  d.vanityLabel.assign(reinterpret_cast<const char*>(h + portable::kLabelOffset), portable::kLabelLength);
  text->Translate(map, portable::kHeaderSize);

  PortableFields f(*text, portable::kHeaderSize);
  std::string why;
  if (!DictionaryParser(f, d).Run(why)) {
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
  source =
      std::make_unique<PortableSource>(std::move(text), std::move(slots), std::move(c.checkpoints), c.cases, offset);
  return c.why.empty() ? SPSS_OK : SPSS_DATA_CUT;
}

}  // namespace savkit::io
