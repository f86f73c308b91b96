#include "dictionary_writer.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstring>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <set>

#include "io/format.h"
#include "io/names.h"
#include "savkit/config.h"
#include "savkit/spssio.h"
#include "io/text_codec.h"

namespace savkit::io {

namespace {

// A short name of at most 8 bytes that no other variable record uses.
std::string UniqueShortName(std::string base, std::set<std::string>& used) {
  CutUtf8(base, kShortNameBytes);
  if (base.empty()) base = "V";
  if (used.insert(LowerAscii(base)).second) return base;
  for (int n = 1;; ++n) {
    const std::string suffix = "_" + std::to_string(n);
    std::string candidate = base;
    CutUtf8(candidate, kShortNameBytes - suffix.size());
    candidate += suffix;
    if (used.insert(LowerAscii(candidate)).second) return candidate;
  }
}

// Writes one dictionary: every text goes out in the file's encoding.
class DictionaryWriter {
 public:
  DictionaryWriter(const Dictionary& dict, const std::vector<MrSet>& sets, TextEncoder& encoder)
      : dict_(dict), sets_(sets), enc_(encoder) {}
  DictionaryBytes Run();

 private:
  std::string Enc(std::string_view text) { return enc_.Fit(text, SIZE_MAX); }
  std::string Fit(std::string_view text, std::size_t max) { return enc_.Fit(text, max); }
  void Header();
  void Variables();
  void Variable(const io::Variable& v, const std::vector<std::string>& segmentNames);
  void ValueLabels();
  void Documents();
  void Extensions();
  void FixedRecords(ByteWriter& r);
  void DisplayRecord(ByteWriter& r);
  std::string LongNames();
  std::string VeryLongStrings();
  std::string LongStringLabels();
  std::string LongStringMissing();

  const Dictionary& dict_;
  const std::vector<MrSet>& sets_;
  TextEncoder& enc_;
  ByteWriter b_;
  DictionaryBytes result_;
};

void DictionaryWriter::Header() {
  const int weightIndex = dict_.weight >= 0 ? dict_.variables[static_cast<std::size_t>(dict_.weight)].dictIndex + 1 : 0;
  b_.Raw(dict_.compression == kZlib ? header::kMagicZlib : header::kMagicPlain);
  b_.Text(std::string(header::kProductPrefix) + " " + dict_.product, header::kProductLength);
  b_.Int(2);
  b_.Int(dict_.elementsPerCase);
  b_.Int(dict_.compression);
  b_.Int(weightIndex);
  b_.Int(-1);  // the case count, patched when the file is closed
  b_.Double(kBias);
  b_.Text(dict_.date, header::kDateLength);
  b_.Text(dict_.time, header::kTimeLength);
  b_.Text(Fit(dict_.fileLabel, header::kLabelLength), header::kLabelLength);
  b_.Zeros(3);
  assert(b_.Size() == header::kSize);
  result_.caseCountAt = header::kCases;
}

// The variable records of one variable: a record a segment, each with its
// continuation records.
void DictionaryWriter::Variable(const io::Variable& v, const std::vector<std::string>& segmentNames) {
  for (int s = 0; s < v.segments; ++s) {
    const int width = SegmentWidth(v.fileWidth, s);
    const bool first = s == 0;
    const std::string label = first ? Enc(v.label) : std::string();
    const int nMissing = first && v.fileWidth <= kMaxShortString ? v.missing.type : 0;
    b_.Int(kVariableRecord);
    b_.Int(width);
    b_.Int(label.empty() ? 0 : 1);
    b_.Int(nMissing);
    if (v.IsNumeric()) {
      b_.Int(PackFormat(v.print.type, std::min(v.print.width, 255), v.print.decimals));
      b_.Int(PackFormat(v.write.type, std::min(v.write.width, 255), v.write.decimals));
    } else {
      // A string in one segment keeps an AHEX format while its width fits the record's byte.
      const auto format = [&](const Format& f) {
        const bool hex = v.segments == 1 && f.type == SPSS_FMT_AHEX && 2 * width <= 255;
        return hex ? PackFormat(SPSS_FMT_AHEX, 2 * width, 0) : PackFormat(SPSS_FMT_A, width, 0);
      };
      b_.Int(format(v.print));
      b_.Int(format(v.write));
    }
    b_.Text(Enc(segmentNames[static_cast<std::size_t>(s)]), kShortNameBytes);
    if (!label.empty()) {
      b_.Int(static_cast<std::int32_t>(label.size()));
      b_.Raw(label);
      b_.Zeros((4 - label.size() % 4) % 4);
    }
    for (int i = 0; i < (nMissing < 0 ? -nMissing : nMissing); ++i) {
      if (v.IsNumeric())
        b_.Double(v.missing.number[i]);
      else
        b_.Text(Fit(v.missing.text[i], kMissingValueBytes), kMissingValueBytes);
    }
    for (int k = 8; k < width; k += 8) {
      b_.Int(kVariableRecord), b_.Int(-1), b_.Int(0), b_.Int(0), b_.Int(0), b_.Int(0);
      b_.Text("", kShortNameBytes);
    }
  }
}

void DictionaryWriter::Variables() {
  // Segment names: the variable's short name first, then names of their own.
  std::set<std::string> used;
  for (const io::Variable& v : dict_.variables) used.insert(LowerAscii(v.shortName));
  for (const io::Variable& v : dict_.variables) {
    std::vector<std::string> names{v.shortName};
    for (int s = 1; s < v.segments; ++s) {
      std::string base = v.shortName;
      CutUtf8(base, 5);
      names.push_back(UniqueShortName(base + std::to_string(s), used));
    }
    Variable(v, names);
  }
}

void DictionaryWriter::ValueLabels() {
  for (const io::Variable& v : dict_.variables) {
    const std::size_t n = v.IsNumeric() ? v.numberLabels.size() : v.textLabels.size();
    if (v.fileWidth > kMaxShortString || n == 0) continue;
    b_.Int(kValueLabelRecord);
    b_.Int(static_cast<std::int32_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
      if (v.IsNumeric())
        b_.Double(v.numberLabels[i].first);
      else
        b_.Text(Fit(v.textLabels[i].first, static_cast<std::size_t>(v.fileWidth)), 8);
      const std::string label = Fit(v.IsNumeric() ? v.numberLabels[i].second : v.textLabels[i].second, 255);
      b_.Byte(static_cast<std::uint8_t>(label.size()));
      b_.Raw(label);
      b_.Zeros((8 - (label.size() + 1) % 8) % 8);
    }
    b_.Int(kValueLabelVariables), b_.Int(1), b_.Int(v.dictIndex + 1);
  }
}

void DictionaryWriter::Documents() {
  if (dict_.documents.empty()) return;
  b_.Int(kDocumentRecord);
  b_.Int(static_cast<std::int32_t>(dict_.documents.size()));
  for (const std::string& line : dict_.documents) b_.Text(Fit(line, kDocumentLine), kDocumentLine);
}

void DictionaryWriter::FixedRecords(ByteWriter& r) {
  r.Int(kExtensionRecord), r.Int(kReleaseInfo), r.Int(4), r.Int(8);
  for (std::int32_t v : dict_.releaseInfo) r.Int(v);
}

void DictionaryWriter::DisplayRecord(ByteWriter& r) {
  int segments = 0;
  for (const io::Variable& v : dict_.variables) segments += v.segments;
  const bool widths =
      dict_.displayWidths || std::any_of(dict_.variables.begin(), dict_.variables.end(),
                                         [](const auto& v) { return v.columns != DefaultColumns(v.width); });
  r.Int(kExtensionRecord), r.Int(kDisplay), r.Int(4), r.Int((widths ? 3 : 2) * segments);
  for (const io::Variable& v : dict_.variables)
    for (int s = 0; s < v.segments; ++s) {
      r.Int(v.measure);
      if (widths) r.Int(v.columns);
      r.Int(v.alignment);
    }
}

std::string DictionaryWriter::LongNames() {
  // A file that had no long names keeps its names in the variable records alone.
  const bool needed = dict_.hasLongNames || std::any_of(dict_.variables.begin(), dict_.variables.end(),
                                                        [](const io::Variable& v) { return v.name != v.shortName; });
  if (!needed) return {};
  // Without the record, readers take the short names in their own way (PSPP
  // lower-cases them): a file that had none lists only the names that need it.
  std::string names;
  for (const io::Variable& v : dict_.variables)
    if (dict_.hasLongNames || v.name != v.shortName)
      names += (names.empty() ? "" : "\t") + Enc(v.shortName) + "=" + Enc(v.name);
  return names;
}

std::string DictionaryWriter::VeryLongStrings() {
  std::string lengths;
  for (const io::Variable& v : dict_.variables) {
    if (v.segments == 1) continue;
    char width[8];
    std::snprintf(width, sizeof width, "%05d", v.fileWidth);
    lengths += Enc(v.shortName) + "=" + width + std::string(1, '\0') + "\t";
  }
  return lengths;
}

std::string DictionaryWriter::LongStringLabels() {
  ByteWriter r;
  for (const io::Variable& v : dict_.variables) {
    if (v.fileWidth <= kMaxShortString || v.textLabels.empty()) continue;
    const std::string name = Enc(v.name);
    const auto width = static_cast<std::size_t>(v.fileWidth);
    r.Int(static_cast<std::int32_t>(name.size())), r.Raw(name), r.Int(v.fileWidth);
    r.Int(static_cast<std::int32_t>(v.textLabels.size()));
    for (const auto& [value, label] : v.textLabels) {
      const std::string text = Enc(label);
      r.Int(v.fileWidth), r.Text(Fit(value, width), width);
      r.Int(static_cast<std::int32_t>(text.size())), r.Raw(text);
    }
  }
  return std::string(r.out.begin(), r.out.end());
}

// Per variable: its name, the count of values, one value length, the values.
std::string DictionaryWriter::LongStringMissing() {
  ByteWriter r;
  for (const io::Variable& v : dict_.variables) {
    if (v.fileWidth <= kMaxShortString || v.missing.type <= 0) continue;
    const std::string name = Enc(v.name);
    r.Int(static_cast<std::int32_t>(name.size())), r.Raw(name);
    r.Byte(static_cast<std::uint8_t>(v.missing.type));
    r.Int(static_cast<std::int32_t>(kMissingValueBytes));
    for (int i = 0; i < v.missing.type; ++i) r.Text(Fit(v.missing.text[i], kMissingValueBytes), kMissingValueBytes);
  }
  return std::string(r.out.begin(), r.out.end());
}

// Extension records, in ascending order of subtype.
void DictionaryWriter::Extensions() {
  std::vector<std::pair<int, ByteWriter>> records;
  auto record = [&](int subtype) -> ByteWriter& { return records.emplace_back(subtype, ByteWriter{}).second; };
  auto text = [&](int subtype, const std::string& t) {
    if (!t.empty()) record(subtype).TextRecord(subtype, t);
  };
  FixedRecords(record(kReleaseInfo));
  {
    ByteWriter& r = record(kFloatInfo);
    r.Int(kExtensionRecord), r.Int(kFloatInfo), r.Int(8), r.Int(3);
    r.Double(-DBL_MAX), r.Double(DBL_MAX), r.Double(std::nextafter(-DBL_MAX, 0.0));
  }
  if (dict_.hasVariableSets) text(kVariableSets, Enc(dict_.variableSets));
  const auto enc = [this](std::string_view t) { return Enc(t); };
  text(kMultRespOld, MrRecordText(sets_, dict_, false, enc));
  text(kTextInfo, Enc(dict_.textInfo));
  if (dict_.hasDisplay) DisplayRecord(record(kDisplay));
  text(kLongNames, LongNames());
  text(kVeryLongStrings, VeryLongStrings());
  {
    ByteWriter& r = record(kCaseCount);
    r.Int(kExtensionRecord), r.Int(kCaseCount), r.Int(8), r.Int(2), r.Int64(1), r.Int64(-1);
  }
  for (const RawRecord& kept : dict_.keptRecords) {
    ByteWriter& r = record(kept.subtype);
    r.Int(kExtensionRecord), r.Int(kept.subtype), r.Int(kept.size), r.Int(kept.count);
    r.Raw(kept.data);
  }
  text(kMultRespNew, MrRecordText(sets_, dict_, true, enc));
  text(kEncoding, dict_.encoding.empty() ? std::string("UTF-8") : dict_.encoding);
  text(kLongStringLabels, LongStringLabels());
  text(kLongStringMissing, LongStringMissing());
  std::stable_sort(records.begin(), records.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  for (const auto& [subtype, r] : records) {
    if (subtype == kCaseCount) result_.extendedCountAt = b_.Size() + 16 + 8;
    b_.Raw(r.out);
  }
}

DictionaryBytes DictionaryWriter::Run() {
  Header();
  Variables();
  ValueLabels();
  Documents();
  Extensions();
  b_.Int(kDictionaryEnd), b_.Int(0);
  result_.bytes = std::move(b_.out);
  return std::move(result_);
}

}  // namespace

int CodePageFor(const std::string& encoding) {
  if (encoding.empty() || IsUtf8Name(encoding)) return 65001;
  std::string n;
  for (char c : encoding)
    if (c != '-' && c != '_') n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::pair<const char*, int> kKnown[] = {
      {"shiftjis", 932}, {"sjis", 932},    {"gbk", 936},        {"gb2312", 936},   {"big5", 950},   {"euckr", 51949},
      {"eucjp", 20932},  {"koi8r", 20866}, {"iso88591", 28591}, {"latin1", 28591}, {"ascii", 20127}};
  for (const auto& [name, code] : kKnown)
    if (n == name) return code;
  for (const char* prefix : {"windows", "cp", "ibm"})
    if (n.rfind(prefix, 0) == 0 && n.size() > std::strlen(prefix)) return std::atoi(n.c_str() + std::strlen(prefix));
  if (n.rfind("iso8859", 0) == 0 && n.size() > 7) return 28590 + std::atoi(n.c_str() + 7);
  return 0;
}

void StampNewFile(Dictionary& dict) {
  constexpr int kVersion[3] = {SAVKIT_VERSION_MAJOR, SAVKIT_VERSION_MINOR, SAVKIT_VERSION_PATCH};
  dict.product = "savkit " SAVKIT_VERSION;
  const std::int32_t info[8] = {kVersion[0],
                                kVersion[1],
                                kVersion[2],
                                -1,
                                1,
                                1,
                                std::endian::native == std::endian::big ? 1 : 2,
                                CodePageFor(dict.encoding)};
  std::copy(std::begin(info), std::end(info), dict.releaseInfo);
  dict.hasReleaseInfo = true;
  char date[16], time[16];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::snprintf(date, sizeof date, "%02d %s %02d", tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year % 100);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  dict.date = date;
  dict.time = time;
}

void LayOut(Dictionary& dict, TextEncoder& encoder) {
  LayOutSlots(dict);
  std::set<std::string> used;
  int element = 0, record = 0;
  dict.numeric.clear();
  for (Variable& v : dict.variables) {
    // A copy keeps the short names of the file it came from where they are still free.
    const bool keep = !v.shortName.empty() && encoder.Fit(v.shortName, SIZE_MAX).size() <= kShortNameBytes &&
                      used.insert(LowerAscii(v.shortName)).second;
    if (!keep) v.shortName = UniqueShortName(UpperAscii(v.name), used);
    if (v.fileWidth <= 0) v.fileWidth = v.width;
    v.segments = SegmentCount(v.fileWidth);
    v.firstElement = element;
    v.dictIndex = record;
    v.elements = 0;
    for (int s = 0; s < v.segments; ++s) v.elements += ElementsFor(SegmentWidth(v.fileWidth, s));
    record += v.elements;
    element += v.elements;
    dict.numeric.insert(dict.numeric.end(), static_cast<std::size_t>(v.elements), v.IsNumeric() ? 1 : 0);
  }
  dict.elementsPerCase = element;
}

DictionaryBytes SerializeDictionary(const Dictionary& dict, const std::vector<MrSet>& sets, TextEncoder& encoder) {
  return DictionaryWriter(dict, sets, encoder).Run();
}

}  // namespace savkit::io
