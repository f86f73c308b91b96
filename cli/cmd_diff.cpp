// savkit diff: what differs between two files, for a person or as JSON.
#include <memory>

#include <iostream>

#include "commands.h"
#include "common.h"
#include "diff.h"

namespace savkit::cli {

namespace {

std::string Side(const std::optional<std::string>& side, bool text) {
  if (!side) return "(none)";
  return text ? JsonString(*side) : *side;
}

std::string Where(const Difference& d) { return d.scope == "file" ? "file" : d.scope + " " + d.name; }

std::string Value(const std::string& shown, bool text) { return text && shown != "." ? JsonString(shown) : shown; }

std::string Count(std::int64_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

// Long texts are shown around where they first differ, cut between characters.
constexpr std::size_t kShown = 80, kBefore = 20;

std::size_t CharStart(const std::string& s, std::size_t at) {
  while (at > 0 && at < s.size() && (s[at] & 0xC0) == 0x80) --at;
  return std::min(at, s.size());
}

std::string Excerpt(const std::string& s, std::size_t from) {
  if (s.size() <= kShown) return s;
  from = CharStart(s, from);
  const std::size_t to = CharStart(s, from + kShown);
  return (from > 0 ? "…" : "") + s.substr(from, to - from) + (to < s.size() ? "…" : "");
}

void Abridge(std::string& a, std::string& b) {
  if (a.size() <= kShown && b.size() <= kShown) return;
  std::size_t first = 0;
  while (first < a.size() && first < b.size() && a[first] == b[first]) ++first;
  const std::size_t from = first > kBefore ? first - kBefore : 0;
  a = Excerpt(a, from);
  b = Excerpt(b, from);
}

std::string Sides(const Difference& d) {
  if (!d.a || !d.b) return Side(d.a, d.text) + " -> " + Side(d.b, d.text);
  std::string a = *d.a, b = *d.b;
  Abridge(a, b);
  return Side(a, d.text) + " -> " + Side(b, d.text);
}

struct DiffOptions {
  std::string a, b, key;
  std::size_t limit = 100;
  bool json = false, quiet = false;
};

std::string CaseName(const DiffOptions& o, std::int64_t ca, const std::string& key) {
  return o.key.empty() ? "case " + std::to_string(ca) : o.key + " " + key;
}

void PrintText(const DiffOptions& o, const std::vector<Difference>& dict, const ValueComparison& v) {
  if (!dict.empty()) std::cout << "dictionary\n";
  for (const Difference& d : dict) {
    if (d.field.empty())
      std::cout << "  " << Where(d) << ": only in " << (d.a ? o.a : o.b) << "\n";
    else
      std::cout << "  " << Where(d) << ": " << d.field << ": " << Sides(d) << "\n";
  }
  const bool anyValues = v.valuesDiffering || v.countOnlyInA || v.countOnlyInB || !v.notCompared.empty();
  if (anyValues) std::cout << "values (cases " << (o.key.empty() ? "by position" : "matched by " + o.key) << ")\n";
  for (const ValueDifference& d : v.shown) {
    std::string a = d.a, b = d.b;
    Abridge(a, b);
    std::cout << "  " << CaseName(o, d.caseA, d.key) << ": " << d.variable << ": " << Value(a, d.text) << " -> "
              << Value(b, d.text) << "\n";
  }
  if (v.valuesDiffering > static_cast<std::int64_t>(v.shown.size()))
    std::cout << "  ... and " << Count(v.valuesDiffering - static_cast<std::int64_t>(v.shown.size()), "value")
              << " more (--limit 0 lists all)\n";
  auto unmatched = [&](const std::vector<std::string>& list, std::int64_t count, const std::string& file) {
    for (const std::string& which : list)
      std::cout << "  " << (o.key.empty() ? "case " : o.key + " ") << which << ": only in " << file << "\n";
    if (count > static_cast<std::int64_t>(list.size()))
      std::cout << "  ... and " << Count(count - static_cast<std::int64_t>(list.size()), "case") << " more only in "
                << file << "\n";
  };
  unmatched(v.onlyInA, v.countOnlyInA, o.a);
  unmatched(v.onlyInB, v.countOnlyInB, o.b);
  for (const std::string& name : v.notCompared)
    std::cout << "  " << name << ": not compared (a number in one file, a string in the other)\n";

  if (dict.empty() && !anyValues) {
    std::cout << o.a << " and " << o.b << " are the same (" << Count(v.casesCompared, "case") << " compared)\n";
    return;
  }
  std::cout << o.a << " and " << o.b << " differ: " << dict.size() << " in the dictionary; "
            << Count(v.valuesDiffering, "value") << " in " << v.casesDiffering << " of "
            << Count(v.casesCompared, "case") << " compared";
  if (v.countOnlyInA) std::cout << "; " << Count(v.countOnlyInA, "case") << " only in " << o.a;
  if (v.countOnlyInB) std::cout << "; " << Count(v.countOnlyInB, "case") << " only in " << o.b;
  std::cout << "\n";
}

std::string JsonSide(const std::optional<std::string>& side) { return side ? JsonString(*side) : "null"; }

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

void PrintJson(const DiffOptions& o, const std::vector<Difference>& dict, const ValueComparison& v, bool equal) {
  std::cout << "{\n  \"a\": " << JsonString(o.a) << ",\n  \"b\": " << JsonString(o.b)
            << ",\n  \"equal\": " << (equal ? "true" : "false") << ",\n  \"dictionary\": [";
  for (std::size_t i = 0; i < dict.size(); ++i) {
    const Difference& d = dict[i];
    std::cout << (i ? ",\n" : "\n") << "    {\"scope\": " << JsonString(d.scope) << ", \"name\": " << JsonString(d.name)
              << ", \"field\": " << JsonString(d.field) << ", \"a\": " << JsonSide(d.a) << ", \"b\": " << JsonSide(d.b)
              << "}";
  }
  std::cout << (dict.empty() ? "]" : "\n  ]") << ",\n  \"cases\": {\"a\": " << v.casesA << ", \"b\": " << v.casesB
            << ", \"matchedBy\": " << (o.key.empty() ? "null" : JsonString(o.key))
            << ", \"compared\": " << v.casesCompared << ", \"differing\": " << v.casesDiffering
            << ", \"onlyInA\": " << v.countOnlyInA << ", \"onlyInB\": " << v.countOnlyInB
            << "},\n  \"valuesDiffering\": " << v.valuesDiffering << ",\n  \"values\": [";
  for (std::size_t i = 0; i < v.shown.size(); ++i) {
    const ValueDifference& d = v.shown[i];
    auto side = [](const std::string& s) { return s == "." ? std::string("null") : JsonString(s); };
    std::cout << (i ? ",\n" : "\n") << "    {\"caseA\": " << d.caseA << ", \"caseB\": " << d.caseB;
    if (!o.key.empty()) std::cout << ", \"key\": " << JsonString(d.key);
    std::cout << ", \"variable\": " << JsonString(d.variable) << ", \"a\": " << side(d.a) << ", \"b\": " << side(d.b)
              << "}";
  }
  std::cout << (v.shown.empty() ? "]" : "\n  ]") << ",\n  \"casesOnlyInA\": " << JsonList(v.onlyInA)
            << ",\n  \"casesOnlyInB\": " << JsonList(v.onlyInB) << ",\n  \"notCompared\": " << JsonList(v.notCompared)
            << "\n}\n";
}

}  // namespace

int RunDiff(const DiffOptions& o) {
  TSPSSDatafile a, b;
  AboutFile(o.a, [&] { OpenForReading(a, o.a); });
  AboutFile(o.b, [&] { OpenForReading(b, o.b); });
  // A damaged file is no side of a comparison: its missing cases would show
  // as differences.
  for (const auto& [file, name] : {std::pair<TSPSSDatafile*, const std::string*>{&a, &o.a}, {&b, &o.b}})
    if (const std::string fault = file->FaultDetail(); !fault.empty()) throw Failure(*name + ": damaged: " + fault);
  const std::vector<Difference> dict = CompareDictionaries(a, b);
  const ValueComparison values = CompareValues(a, b, {o.key, o.limit, !o.quiet && StderrIsTerminal()}, o.a, o.b);
  const bool equal = dict.empty() && values.valuesDiffering == 0 && values.countOnlyInA == 0 &&
                     values.countOnlyInB == 0 && values.notCompared.empty();
  if (o.json)
    PrintJson(o, dict, values, equal);
  else
    PrintText(o, dict, values);
  std::cout.flush();
  if (!std::cout) throw Failure("standard output: write failed");
  return equal ? 0 : 1;
}

Command AddDiff(CommandLine& line) {
  auto o = std::make_shared<DiffOptions>();
  Options options = line.Add("diff", "What differs between two files: dictionary and values (exit 1 when any)");
  options.Password();
  options.Argument("A", o->a, "The first file")
      .Argument("B", o->b, "The second file")
      .Text("--key", o->key, "Match cases by this variable's values instead of by position")
      .Count("--limit", o->limit, "Differing values and unmatched cases listed (0: all)")
      .Flag("--json", o->json, "Machine-readable output")
      .Quiet(o->quiet);
  // diff says "different" with 1, so its failures take 2, as usage errors do.
  return {options, [o] { return RunDiff(*o); }, [o] { return o->a; }, 2};
}

}  // namespace savkit::cli
