#include "dictionary_writer.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <set>

#include "names.h"
#include "savkit/spssio.h"
#include "text_codec.h"

namespace savkit::io {

namespace {

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A short name of at most 8 bytes that no other variable record uses.
std::string UniqueShortName(std::string base, std::set<std::string>& used) {
  CutUtf8(base, 8);
  if (base.empty()) base = "V";
  if (used.insert(LowerAscii(base)).second) return base;
  for (int n = 1;; ++n) {
    const std::string suffix = "_" + std::to_string(n);
    std::string candidate = base;
    CutUtf8(candidate, 8 - suffix.size());
    candidate += suffix;
    if (used.insert(LowerAscii(candidate)).second) return candidate;
  }
}

int SegmentWidth(const Variable& v, int segment) {
  if (v.segments == 1) return v.width;
  return segment + 1 < v.segments ? 255 : v.width - 252 * (v.segments - 1);
}

class Bytes {
 public:
  std::vector<std::uint8_t> out;
  void Int(std::int32_t v) { Put(static_cast<std::uint32_t>(v), 4); }
  void Int64(std::int64_t v) { Put(static_cast<std::uint64_t>(v), 8); }
  void Double(double v) { Put(std::bit_cast<std::uint64_t>(v), 8); }
  void Text(const std::string& s, std::size_t width) {
    std::string t = s.substr(0, width);
    t.resize(width, ' ');
    out.insert(out.end(), t.begin(), t.end());
  }
  void Raw(const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
  void Zeros(std::size_t n) { out.insert(out.end(), n, 0); }
  std::size_t Size() const { return out.size(); }
  // An extension record of bytes.
  void TextRecord(int subtype, const std::string& text) {
    Int(7), Int(subtype), Int(1), Int(static_cast<std::int32_t>(text.size()));
    Raw(text);
  }

 private:
  void Put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
};

std::int32_t Pack(const Format& f) {
  return static_cast<std::int32_t>((f.type & 0xFF) << 16 | (std::min(f.width, 255) & 0xFF) << 8 | (f.decimals & 0xFF));
}

void WriteHeader(Bytes& b, const Dictionary& dict, int weightIndex) {
  b.Raw(dict.compression == 2 ? "$FL3" : "$FL2");
  b.Text("@(#) SPSS DATA FILE " + dict.product, 60);
  b.Int(2);
  b.Int(dict.elementsPerCase);
  b.Int(dict.compression);
  b.Int(weightIndex);
  b.Int(-1);  // the case count, patched when the file is closed
  b.Double(100.0);
  b.Text(dict.date, 9);
  b.Text(dict.time, 8);
  b.Text(dict.fileLabel, 64);
  b.Zeros(3);
}

// The variable records of one variable: a record a segment, each with its
// continuation records. Returns the dictionary index of its first record.
void WriteVariable(Bytes& b, const Variable& v, const std::vector<std::string>& segmentNames) {
  for (int s = 0; s < v.segments; ++s) {
    const int width = SegmentWidth(v, s);
    const bool first = s == 0;
    const bool hasLabel = first && !v.label.empty();
    const bool shortEnough = v.width <= 8;
    const int nMissing = first && shortEnough ? v.missing.type : 0;
    b.Int(2);
    b.Int(width);
    b.Int(hasLabel ? 1 : 0);
    b.Int(nMissing);
    if (v.IsNumeric()) {
      b.Int(Pack(v.print));
      b.Int(Pack(v.write));
    } else {
      // A string in one segment keeps an AHEX format while its width fits the record's byte.
      const auto format = [&](const Format& f) {
        const bool hex = v.segments == 1 && f.type == SPSS_FMT_AHEX && f.width <= 255;
        return hex ? f : Format{SPSS_FMT_A, width, 0};
      };
      b.Int(Pack(format(v.print)));
      b.Int(Pack(format(v.write)));
    }
    b.Text(segmentNames[static_cast<std::size_t>(s)], 8);
    if (hasLabel) {
      b.Int(static_cast<std::int32_t>(v.label.size()));
      b.Raw(v.label);
      b.Zeros((4 - v.label.size() % 4) % 4);
    }
    for (int i = 0; i < (nMissing < 0 ? -nMissing : nMissing); ++i) {
      if (v.IsNumeric())
        b.Double(v.missing.number[i]);
      else
        b.Text(v.missing.text[i], 8);
    }
    for (int k = 8; k < width; k += 8) {
      b.Int(2), b.Int(-1), b.Int(0), b.Int(0), b.Int(0), b.Int(0);
      b.Text("", 8);
    }
  }
}

}  // namespace

void StampNewFile(Dictionary& dict) {
  constexpr int kVersion[3] = {0, 1, 0};
  dict.product = "savkit " + std::to_string(kVersion[0]) + "." + std::to_string(kVersion[1]) + "." +
                 std::to_string(kVersion[2]);
  const std::int32_t info[8] = {kVersion[0], kVersion[1], kVersion[2], -1, 1, 1,
                                std::endian::native == std::endian::big ? 1 : 2, 65001};
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

void LayOut(Dictionary& dict) {
  LayOutSlots(dict);
  std::set<std::string> used;
  int element = 0, record = 0;
  dict.numeric.clear();
  for (Variable& v : dict.variables) {
    v.shortName = UniqueShortName(UpperAscii(v.name), used);
    v.fileWidth = v.width;
    v.segments = v.width > 255 ? (v.width + 251) / 252 : 1;
    v.firstElement = element;
    v.dictIndex = record;
    v.elements = 0;
    for (int s = 0; s < v.segments; ++s) {
      const int width = SegmentWidth(v, s);
      const int elements = width == 0 ? 1 : (width + 7) / 8;
      v.elements += elements;
      record += elements;
    }
    element += v.elements;
    dict.numeric.insert(dict.numeric.end(), static_cast<std::size_t>(v.elements), v.IsNumeric() ? 1 : 0);
  }
  dict.elementsPerCase = element;
}

DictionaryBytes SerializeDictionary(const Dictionary& dict, const std::vector<MrSet>& sets) {
  Bytes b;
  DictionaryBytes result;
  const int weightIndex = dict.weight >= 0 ? dict.variables[static_cast<std::size_t>(dict.weight)].dictIndex + 1 : 0;
  WriteHeader(b, dict, weightIndex);
  result.caseCountAt = 80;

  // Segment names: the variable's short name first, then names of their own.
  std::set<std::string> used;
  for (const Variable& v : dict.variables) used.insert(LowerAscii(v.shortName));
  std::vector<std::vector<std::string>> segmentNames;
  for (const Variable& v : dict.variables) {
    std::vector<std::string> names{v.shortName};
    for (int s = 1; s < v.segments; ++s) {
      std::string base = v.shortName;
      CutUtf8(base, 5);
      names.push_back(UniqueShortName(base + std::to_string(s), used));
    }
    segmentNames.push_back(std::move(names));
  }
  for (std::size_t i = 0; i < dict.variables.size(); ++i) WriteVariable(b, dict.variables[i], segmentNames[i]);

  for (const Variable& v : dict.variables) {
    const bool shortEnough = v.width <= 8;
    const std::size_t n = v.IsNumeric() ? v.numberLabels.size() : v.textLabels.size();
    if (!shortEnough || n == 0) continue;
    b.Int(3);
    b.Int(static_cast<std::int32_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
      if (v.IsNumeric())
        b.Double(v.numberLabels[i].first);
      else
        b.Text(v.textLabels[i].first, 8);
      const std::string& label = v.IsNumeric() ? v.numberLabels[i].second : v.textLabels[i].second;
      const std::size_t len = std::min<std::size_t>(label.size(), 255);
      b.out.push_back(static_cast<std::uint8_t>(len));
      b.Raw(label.substr(0, len));
      b.Zeros((8 - (len + 1) % 8) % 8);
    }
    b.Int(4), b.Int(1), b.Int(v.dictIndex + 1);
  }

  if (!dict.documents.empty()) {
    b.Int(6);
    b.Int(static_cast<std::int32_t>(dict.documents.size()));
    for (const std::string& line : dict.documents) b.Text(line, 80);
  }

  // Extension records, in ascending order of subtype.
  std::vector<std::pair<int, Bytes>> records;
  auto record = [&](int subtype) -> Bytes& { return records.emplace_back(subtype, Bytes{}).second; };
  {
    Bytes& r = record(3);
    r.Int(7), r.Int(3), r.Int(4), r.Int(8);
    for (std::int32_t v : dict.releaseInfo) r.Int(v);
  }
  {
    Bytes& r = record(4);
    r.Int(7), r.Int(4), r.Int(8), r.Int(3);
    r.Double(-DBL_MAX), r.Double(DBL_MAX), r.Double(std::nextafter(-DBL_MAX, 0.0));
  }
  if (dict.hasVariableSets && !dict.variableSets.empty()) record(5).TextRecord(5, dict.variableSets);
  if (const std::string t = MrRecordText(sets, dict, false); !t.empty()) record(7).TextRecord(7, t);
  if (!dict.textInfo.empty()) record(10).TextRecord(10, dict.textInfo);
  {
    int segments = 0;
    for (const Variable& v : dict.variables) segments += v.segments;
    Bytes& r = record(11);
    r.Int(7), r.Int(11), r.Int(4), r.Int(3 * segments);
    for (const Variable& v : dict.variables)
      for (int s = 0; s < v.segments; ++s) r.Int(v.measure), r.Int(v.columns), r.Int(v.alignment);
  }
  {
    std::string names;
    for (const Variable& v : dict.variables) names += (names.empty() ? "" : "\t") + v.shortName + "=" + v.name;
    record(13).TextRecord(13, names);
  }
  {
    std::string lengths;
    for (const Variable& v : dict.variables) {
      if (v.segments == 1) continue;
      char width[8];
      std::snprintf(width, sizeof width, "%05d", v.width);
      lengths += v.shortName + "=" + width + std::string(1, '\0') + "\t";
    }
    if (!lengths.empty()) record(14).TextRecord(14, lengths);
  }
  {
    Bytes& r = record(16);
    r.Int(7), r.Int(16), r.Int(8), r.Int(2), r.Int64(1), r.Int64(-1);
  }
  for (const RawRecord& kept : dict.keptRecords) {
    Bytes& r = record(kept.subtype);
    r.Int(7), r.Int(kept.subtype), r.Int(kept.size), r.Int(kept.count);
    r.out.insert(r.out.end(), kept.data.begin(), kept.data.end());
  }
  if (const std::string t = MrRecordText(sets, dict, true); !t.empty()) record(19).TextRecord(19, t);
  record(20).TextRecord(20, "UTF-8");
  {
    Bytes r;
    for (const Variable& v : dict.variables) {
      if (v.width <= 8 || v.textLabels.empty()) continue;
      r.Int(static_cast<std::int32_t>(v.name.size())), r.Raw(v.name), r.Int(v.width);
      r.Int(static_cast<std::int32_t>(v.textLabels.size()));
      for (const auto& [value, label] : v.textLabels) {
        r.Int(v.width), r.Text(value, static_cast<std::size_t>(v.width));
        r.Int(static_cast<std::int32_t>(label.size())), r.Raw(label);
      }
    }
    if (r.Size()) record(21).TextRecord(21, std::string(r.out.begin(), r.out.end()));
  }
  {
    Bytes r;
    for (const Variable& v : dict.variables) {
      if (v.width <= 8 || v.missing.type <= 0) continue;
      r.Int(static_cast<std::int32_t>(v.name.size())), r.Raw(v.name);
      r.out.push_back(static_cast<std::uint8_t>(v.missing.type));
      for (int i = 0; i < v.missing.type; ++i) r.Int(8), r.Text(v.missing.text[i], 8);
    }
    if (r.Size()) record(22).TextRecord(22, std::string(r.out.begin(), r.out.end()));
  }
  std::stable_sort(records.begin(), records.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  for (const auto& [subtype, r] : records) {
    if (subtype == 16) result.extendedCountAt = b.Size() + 16 + 8;
    b.out.insert(b.out.end(), r.out.begin(), r.out.end());
  }
  b.Int(999), b.Int(0);
  result.bytes = std::move(b.out);
  return result;
}

}  // namespace savkit::io
