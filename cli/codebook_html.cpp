// The codebook page: plain HTML with inline CSS and SVG, nothing fetched,
// readable offline and printable.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

#include "codebook.h"
#include "common.h"
#include "savkit/front/facts.h"
#include "savkit/front/text.h"
#include "savkit/config.h"
#include "savkit/model/sets.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::cli::codebook {

namespace {

// A scale number with no more distinct values is shown as categories.
constexpr std::size_t kFewDistinct = 10;
// A string with no more distinct values gets a full frequency table; one
// with more, its most frequent values.
constexpr std::size_t kTextTable = 50;
constexpr std::size_t kTopTexts = 10;

const char kStyle[] = R"(
body{font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;color:#1d2530;margin:0;background:#f6f7f9}
main{max-width:1100px;margin:0 auto;padding:24px 28px 60px}
h1{font-size:26px;margin:8px 0 2px}h2{font-size:19px;margin:0 0 10px}
.sub{color:#5b6675;margin:0 0 18px}
section,nav{background:#fff;border:1px solid #dfe3e8;border-radius:8px;padding:18px 20px;margin:16px 0;break-inside:avoid}
table{border-collapse:collapse}td,th{padding:3px 10px 3px 0;text-align:left;vertical-align:top}
th{font-weight:600;color:#5b6675;font-size:13px}
table.grid td,table.grid th{border-bottom:1px solid #eef0f3;padding:3px 12px 3px 6px}
.freq td:first-child,.labels td:first-child{white-space:nowrap}
td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
tr.miss td{color:#8a5a00}tr.total td{font-weight:600;border-top:1px solid #c9ced6}
.name{font-family:ui-monospace,SFMono-Regular,Menlo,Consolas,monospace}
h2 .label{font-weight:400;color:#5b6675;margin-left:8px}
.cols{display:grid;grid-template-columns:minmax(220px,290px) 1fr;gap:28px}
.pair{display:flex;flex-wrap:wrap;gap:24px;align-items:flex-start}
@media (max-width:800px){.cols{grid-template-columns:1fr}}
.note{color:#5b6675;font-size:13px;margin:8px 0 0}
pre{white-space:pre-wrap;margin:0;font-size:13px}
svg text{font:11px system-ui,sans-serif;fill:#5b6675}
.bar{fill:#3d72b4}.bar.miss{fill:#d9a441}
@media print{body{background:#fff}section,nav{border:none;padding:0 0 12px}a{color:inherit;text-decoration:none}}
)";

// Text for the page: markup characters escaped, and control characters and
// bytes that are not UTF-8 (a string cut inside a character, say) shown as
// U+FFFD.
std::string Esc(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = front::Utf8CharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (n == 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) {  // controls are no text either
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    switch (text[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.append(text, i, n);
    }
    i += n;
  }
  return out;
}

// A link to an id: bytes other than letters, digits and a few marks escaped.
std::string Href(const std::string& id) {
  std::string out = "#";
  for (unsigned char c : id) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

// A number with the decimals given, as far as they show it: one of 1e15 or
// more, or one so small they would show it as 0, gets six significant
// digits instead (1e+100, not a 101-digit number).
std::string Fixed(double x, int decimals) {
  const int d = std::clamp(decimals, 0, 16);
  char buf[64];
  const double a = std::fabs(x);
  if (std::isfinite(x) && (a >= 1e15 || (a > 0 && a < 0.5 * std::pow(10.0, -d))))
    std::snprintf(buf, sizeof buf, "%.6g", x);
  else
    std::snprintf(buf, sizeof buf, "%.*f", d, x);
  return buf;
}

std::string Count(double w, bool weighted) { return weighted ? Fixed(w, 2) : Fixed(w, 0); }
std::string Percent(double part, double whole) { return whole > 0 ? Fixed(100 * part / whole, 1) + "%" : ""; }

bool IsTimed(const TSPSSVariable& v) {
  return IsDateFormat(v.PrintType()) || IsDateTimeFormat(v.PrintType()) || IsTimeFormat(v.PrintType());
}

// A number as the variable's format shows it: dates and times in ISO 8601,
// other numbers with the format's decimals.
std::string Shown(const TSPSSVariable& v, double x) {
  if (x == front::Sysmis()) return ".";
  if (IsTimed(v)) return ValueText(v, Variant(x), front::Sysmis());
  return Fixed(x, v.Decimals());
}

// A mean or a spread: two decimals more than the format's; for dates and
// times, a spread in days or seconds.
std::string Statistic(const TSPSSVariable& v, double x, bool spread) {
  if (std::isnan(x)) return "";
  if (!IsTimed(v)) return Fixed(x, std::min(v.Decimals() + 2, 6));
  if (!spread) return Shown(v, std::round(x));
  return IsTimeFormat(v.PrintType()) ? Fixed(x, 1) + " s" : Fixed(x / 86400, 2) + " days";
}

class Labels {
 public:
  explicit Labels(const TSPSSVariable& v) {
    TSPSSValuelabels* labels = v.ValueLabels();
    for (int i = 0; i < labels->Count(); ++i) {
      const TSPSSValueLabel* l = labels->GetItem(i);
      if (v.IsNumeric())
        numbers_[l->Value().ToDouble()] = l->Label();
      else
        texts_[std::string(trim::Blanks(l->Value().ToString()))] = l->Label();
    }
  }
  std::string Of(double x) const {
    const auto it = numbers_.find(x);
    return it == numbers_.end() ? "" : it->second;
  }
  std::string Of(const std::string& text) const {
    const auto it = texts_.find(text);
    return it == texts_.end() ? "" : it->second;
  }

 private:
  std::map<double, std::string> numbers_;
  std::map<std::string, std::string> texts_;
};

std::string Bar(double part, double whole, bool missing) {
  const double width = whole > 0 ? 150 * part / whole : 0;
  return "<svg width=\"152\" height=\"12\" role=\"img\"><rect class=\"bar" + std::string(missing ? " miss" : "") +
         "\" x=\"0\" y=\"1\" height=\"10\" width=\"" + Fixed(std::max(width, part > 0 ? 1.0 : 0.0), 1) + "\"/></svg>";
}

struct FreqRow {
  std::string value, label;
  double weight;
  bool missing;
};

std::string FrequencyTable(const std::vector<FreqRow>& rows, double total, double valid, bool weighted) {
  double largest = 0;
  for (const FreqRow& r : rows) largest = std::max(largest, r.weight);
  std::string out =
      "<table class=\"grid freq\"><tr><th>Value</th><th>Label</th><th>Frequency</th><th>Percent</th>"
      "<th>Valid percent</th><th>Cumulative percent</th><th></th></tr>\n";
  double cumulative = 0;
  for (const FreqRow& r : rows) {
    out += r.missing ? "<tr class=\"miss\">" : "<tr>";
    out += "<td>" + Esc(r.value) + "</td><td>" + Esc(r.label) + "</td><td class=\"n\">" + Count(r.weight, weighted) +
           "</td><td class=\"n\">" + Percent(r.weight, total) + "</td>";
    if (r.missing) {
      out += "<td></td><td></td>";
    } else {
      cumulative += r.weight;
      out += "<td class=\"n\">" + Percent(r.weight, valid) + "</td><td class=\"n\">" + Percent(cumulative, valid) +
             "</td>";
    }
    out += "<td>" + Bar(r.weight, largest, r.missing) + "</td></tr>\n";
  }
  out += "<tr class=\"total\"><td>Total</td><td></td><td class=\"n\">" + Count(total, weighted) +
         "</td><td class=\"n\">" + Percent(total, total) + "</td><td></td><td></td><td></td></tr></table>\n";
  return out;
}

// A width for about twenty bins: 1, 2 or 5 times a power of ten; whole
// numbers for whole-number data.
double BinWidth(double low, double high, bool whole) {
  const double raw = high / 20 - low / 20;  // the range itself may be past the double's end
  if (!(raw > 0)) return 1;
  const double power = std::pow(10, std::floor(std::log10(raw)));
  double width = power;
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= raw) {
      width = m * power;
      break;
    }
  return whole ? std::max(1.0, std::round(width)) : width;
}

std::string Histogram(const TSPSSVariable& v, const NumberStats& n) {
  const Distribution& values = n.Values();
  if (values.empty()) return "";
  bool whole = true;
  for (const auto& pair : values) whole = whole && pair.first == std::floor(pair.first);
  const double width = BinWidth(n.Min(), n.Max(), whole);
  // Bins are counted in widths, so that values near the double's end
  // (±1.7e308) never make a distance it cannot hold.
  double start = std::floor(n.Min() / width) * width;
  if (!std::isfinite(start)) start = n.Min();
  const auto binOf = [&](double x) { return std::floor(x / width - start / width); };
  const auto edge = [&](std::size_t i) {
    const double e = start + width * static_cast<double>(i);
    return std::isfinite(e) ? e : n.Max();
  };
  const std::size_t bins = static_cast<std::size_t>(binOf(n.Max())) + 1;
  std::vector<double> counts(std::min<std::size_t>(bins, 200), 0);
  const double scale = n.ValidWeight() / n.ValuesWeight();  // a sample stands for all cases
  for (const auto& [x, w] : values) {
    const auto bin = std::min(counts.size() - 1, static_cast<std::size_t>(binOf(x)));
    counts[bin] += w * scale;
  }
  const double top = *std::max_element(counts.begin(), counts.end());
  constexpr double kWidth = 440, kHeight = 140, kLeft = 48, kBottom = 22;
  const double barWidth = kWidth / static_cast<double>(counts.size());
  std::string out = "<svg width=\"" + Fixed(kLeft + kWidth + 10, 0) + "\" height=\"" + Fixed(kHeight + kBottom + 8, 0) +
                    "\" role=\"img\" aria-label=\"Histogram of " + Esc(v.Name()) + "\">";
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const double h = top > 0 ? kHeight * counts[i] / top : 0;
    out += "<rect class=\"bar\" x=\"" + Fixed(kLeft + barWidth * static_cast<double>(i) + 0.5, 1) + "\" y=\"" +
           Fixed(kHeight - h + 4, 1) + "\" width=\"" + Fixed(std::max(barWidth - 1, 0.5), 1) + "\" height=\"" +
           Fixed(h, 1) + "\"><title>" + Esc(Shown(v, edge(i))) + ": " + Fixed(counts[i], 0) + "</title></rect>";
  }
  out += "<line x1=\"" + Fixed(kLeft, 0) + "\" y1=\"" + Fixed(kHeight + 4, 0) + "\" x2=\"" + Fixed(kLeft + kWidth, 0) +
         "\" y2=\"" + Fixed(kHeight + 4, 0) + "\" stroke=\"#9aa3ae\"/>";
  out += "<text x=\"" + Fixed(kLeft - 4, 0) + "\" y=\"12\" text-anchor=\"end\">" + Fixed(top, 0) + "</text>";
  out += "<text x=\"" + Fixed(kLeft - 4, 0) + "\" y=\"" + Fixed(kHeight + 4, 0) + "\" text-anchor=\"end\">0</text>";
  out += "<text x=\"" + Fixed(kLeft, 0) + "\" y=\"" + Fixed(kHeight + 20, 0) + "\">" + Esc(Shown(v, start)) + "</text>";
  out += "<text x=\"" + Fixed(kLeft + kWidth, 0) + "\" y=\"" + Fixed(kHeight + 20, 0) + "\" text-anchor=\"end\">" +
         Esc(Shown(v, edge(counts.size()))) + "</text></svg>\n";
  return out;
}

std::string ScaleTable(const TSPSSVariable& v, const NumberStats& n, bool weighted) {
  const Distribution& values = n.Values();
  const double w = n.ValuesWeight();
  auto row = [](const char* name, const std::string& value) {
    return "<tr><th>" + std::string(name) + "</th><td class=\"n\">" + Esc(value) + "</td></tr>";
  };
  auto shown = [&](double x) { return std::isnan(x) ? std::string() : Shown(v, x); };
  std::string out = "<table class=\"grid stats\">";
  out += row("Valid", Count(n.ValidWeight(), weighted));
  out += row("Missing", Count(n.UserMissingWeight() + n.SystemMissingWeight(), weighted));
  out += row("Mean", Statistic(v, n.Mean(), false));
  out += row("Std. deviation", Statistic(v, n.StdDev(), true));
  out += row("Minimum", shown(n.Min()));
  out += row("25th percentile", shown(Percentile(values, w, 0.25)));
  out += row("Median", shown(Percentile(values, w, 0.5)));
  out += row("75th percentile", shown(Percentile(values, w, 0.75)));
  out += row("Maximum", shown(n.Max()));
  out += "</table>\n";
  if (!n.Exact())
    out += "<p class=\"note\">Percentiles and histogram from a random sample of " + std::to_string(kSample) +
           " cases: the variable has more distinct values than are kept exactly.</p>\n";
  return out;
}

std::vector<FreqRow> NumberRows(const TSPSSVariable& v, const NumberStats& n) {
  const Labels labels(v);
  std::vector<FreqRow> rows;
  for (const auto& [x, w] : n.Values()) rows.push_back({Shown(v, x), labels.Of(x), w, false});
  if (n.SystemMissingWeight() > 0) rows.push_back({".", "System missing", n.SystemMissingWeight(), true});
  for (const auto& [x, w] : n.UserMissing()) rows.push_back({Shown(v, x), labels.Of(x), w, true});
  return rows;
}

std::string NumberShape(const TSPSSVariable& v, const NumberStats& n, bool weighted) {
  const bool labelled = v.ValueLabels()->Count() > 0;
  const bool categorical =
      v.Level() == tslNominal || v.Level() == tslOrdinal || labelled || (n.Counted() && n.Distinct() <= kFewDistinct);
  const double total = n.ValidWeight() + n.UserMissingWeight() + n.SystemMissingWeight();
  if (categorical && n.Counted())
    return FrequencyTable(NumberRows(v, n), total, n.ValidWeight(), weighted) +
           (v.Level() == tslScale && !labelled ? ScaleTable(v, n, weighted) : "");
  std::string out;
  if (categorical)
    out += "<p class=\"note\">More than " + std::to_string(kDistinctCap) +
           " distinct values: shown as a scale variable, without a frequency table.</p>\n";
  return out + "<div class=\"pair\"><div>" + ScaleTable(v, n, weighted) + "</div><div>" + Histogram(v, n) +
         "</div></div>\n";
}

std::string NumberDistribution(const TSPSSVariable& v, const NumberStats& n, bool weighted) {
  std::string notes;
  if (n.NotFiniteWeight() > 0)
    notes = "<p class=\"note\">" + Count(n.NotFiniteWeight(), weighted) +
            " values are not numbers or infinite: they are counted as system-missing.</p>\n";
  return notes + NumberShape(v, n, weighted);
}

std::string TextDistribution(const TSPSSVariable& v, const TextStats& t, bool weighted) {
  const Labels labels(v);
  const auto valid = t.Valid();
  const double total = t.ValidWeight() + t.UserMissingWeight();
  std::vector<FreqRow> rows;
  std::string out;
  if (t.Counted() && valid.size() <= kTextTable) {
    auto sorted = valid;
    std::sort(sorted.begin(), sorted.end());
    for (const auto& [text, w] : sorted) rows.push_back({text, labels.Of(text), w, false});
  } else {
    out += "<p>" + (t.Counted() ? std::to_string(valid.size()) : "More than " + std::to_string(kDistinctCap)) +
           " distinct values; the " + std::to_string(std::min(kTopTexts, valid.size())) + " most frequent:</p>\n";
    for (std::size_t i = 0; i < valid.size() && i < kTopTexts; ++i)
      rows.push_back({valid[i].first, labels.Of(valid[i].first), valid[i].second, false});
  }
  for (const auto& [text, w] : t.Missing()) rows.push_back({text, labels.Of(text), w, true});
  out += FrequencyTable(rows, total, t.ValidWeight(), weighted);
  if (!t.Counted())
    out += "<p class=\"note\">Counts are exact for the first " + std::to_string(kDistinctCap) +
           " distinct values met; later values are counted in the total only.</p>\n";
  return out;
}

std::string Properties(TSPSSDatafile& d, const TSPSSVariable& v) {
  auto row = [](const char* name, const std::string& value) {
    return value.empty() ? std::string() : "<tr><th>" + std::string(name) + "</th><td>" + Esc(value) + "</td></tr>";
  };
  const front::VariableFacts f = front::ReadVariableFacts(d, v);
  const int role = f.role.value_or(SPSS_ROLE_INPUT);  // a variable without one is an input
  std::string out = "<table class=\"props\">";
  out += row("Type", v.IsNumeric() ? "number" : "string, " + std::to_string(f.width) + " bytes");
  out += row("Print format", FormatName(f.print.type, f.print.width, f.print.decimals));
  out += row("Write format", FormatName(f.write.type, f.write.width, f.write.decimals));
  out += row("Measure", LevelName(v.Level()));
  out += row("Role", role >= 0 && role <= 5 ? kRoleNames[role] : std::to_string(role));
  out += row("Alignment", AlignName(v.Align()));
  out += row("Display width", std::to_string(v.Columns()));
  out += row("Missing values", MissingText(v));
  for (const auto& [name, text] : f.attributes)  // the role has its row
    out += "<tr><th>" + Esc(name) + "</th><td>" + Esc(text) + "</td></tr>";
  out += "</table>\n";
  TSPSSValuelabels* labels = v.ValueLabels();
  if (labels->Count() > 0) {
    out += "<table class=\"grid labels\"><tr><th>Value</th><th>Label</th></tr>";
    for (int i = 0; i < labels->Count(); ++i) {
      const TSPSSValueLabel* l = labels->GetItem(i);
      const std::string value =
          v.IsNumeric() ? Shown(v, l->Value().ToDouble()) : std::string(trim::Blanks(l->Value().ToString()));
      out += "<tr><td>" + Esc(value) + "</td><td>" + Esc(l->Label()) + "</td></tr>";
    }
    out += "</table>\n";
  }
  return out;
}

std::string VariableSection(TSPSSDatafile& d, const VariableSummary& s, bool weighted) {
  const TSPSSVariable& v = *s.variable;
  std::string out = "<section class=\"variable\" id=\"v-" + Esc(v.Name()) + "\"><h2><span class=\"name\">" +
                    Esc(v.Name()) + "</span><span class=\"label\">" + Esc(v.LabelText()) + "</span></h2>\n";
  out += "<div class=\"cols\"><div>" + Properties(d, v) + "</div><div>";
  out += s.number ? NumberDistribution(v, *s.number, weighted) : TextDistribution(v, *s.text, weighted);
  return out + "</div></div></section>\n";
}

std::string SetSection(TSPSSMRMDSet& set, const SetStats& s, double cases, bool weighted) {
  std::string out = "<section class=\"set\" id=\"s-" + Esc(set.Name()) + "\"><h2><span class=\"name\">" +
                    Esc(set.Name()) + "</span><span class=\"label\">" + Esc(set.Labeltext()) + "</span></h2>\n<p>" +
                    (s.Dichotomy() ? "Multiple dichotomy set, counting " +
                                         Esc(std::string(trim::Blanks(set.CountedValue().ToString())))
                                   : std::string("Multiple category set")) +
                    "; members:";
  for (std::size_t i = 0; i < s.Members(); ++i)
    out += " <a class=\"name\" href=\"" + Href("v-" + s.Member(i).Name()) + "\">" + Esc(s.Member(i).Name()) + "</a>";
  out += ".</p>\n";
  std::vector<std::pair<std::string, double>> rows;
  if (s.Dichotomy()) {
    for (std::size_t i = 0; i < s.Members(); ++i) {
      const TSPSSVariable& m = s.Member(i);
      rows.emplace_back(m.LabelText().empty() ? m.Name() : m.LabelText(), s.MemberCounts()[i]);
    }
  } else if (s.Members() > 0) {
    const TSPSSVariable& first = s.Member(0);
    const Labels labels(first);
    for (const auto& [value, w] : s.Categories()) {
      const std::string shown = first.IsNumeric() ? Shown(first, value.ToDouble()) : value.ToString();
      const std::string label = first.IsNumeric() ? labels.Of(value.ToDouble()) : labels.Of(value.ToString());
      rows.emplace_back(label.empty() ? shown : shown + " " + label, w);
    }
  }
  double responses = 0, largest = 0;
  for (const auto& r : rows) responses += r.second, largest = std::max(largest, r.second);
  out +=
      "<table class=\"grid freq\"><tr><th></th><th>Responses</th><th>Percent of responses</th>"
      "<th>Percent of cases</th><th></th></tr>\n";
  for (const auto& [name, w] : rows)
    out += "<tr><td>" + Esc(name) + "</td><td class=\"n\">" + Count(w, weighted) + "</td><td class=\"n\">" +
           Percent(w, responses) + "</td><td class=\"n\">" + Percent(w, s.CasesWeight()) + "</td><td>" +
           Bar(w, largest, false) + "</td></tr>\n";
  out += "<tr class=\"total\"><td>Total</td><td class=\"n\">" + Count(responses, weighted) + "</td><td class=\"n\">" +
         Percent(responses, responses) + "</td><td class=\"n\">" + Percent(responses, s.CasesWeight()) +
         "</td><td></td></tr></table>\n<p class=\"note\">" + Count(s.CasesWeight(), weighted) + " of " +
         Count(cases, weighted) + " cases have at least one response.</p>\n";
  if (!s.Counted())
    out +=
        "<p class=\"note\">Only the first " + std::to_string(kDistinctCap) + " distinct categories are counted.</p>\n";
  return out + "</section>\n";
}

std::string Facts(TSPSSDatafile& d, const Summary& s, const std::string& fileName) {
  const front::FileFacts f = front::ReadFileFacts(d);  // the variables have their sections
  auto row = [](const char* name, const std::string& value) {
    return "<tr><th>" + std::string(name) + "</th><td>" + value + "</td></tr>\n";
  };
  const TSPSSFileInfo* info = d.FileInfo();
  int y, mo, day, hh, mi, ss, ms;
  DecodeDate(info->TimeStamp(), y, mo, day);
  DecodeTime(info->TimeStamp(), hh, mi, ss, ms);
  char created[32];
  std::snprintf(created, sizeof created, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, day, hh, mi, ss);
  std::string out = "<section id=\"facts\"><h2>The file</h2><table class=\"props\">\n";
  out += row("File", Esc(fileName));
  out += row("Label", Esc(info->FileLabel()));
  out += row("Created", created);
  out += row("Written by", Esc(info->SystemString()));
  out += row("Encoding", Esc(f.encoding));
  out += row("Compression", front::CompressionName(f.compression));
  out += row("Cases", Fixed(s.cases, 0));
  out += row("Variables", std::to_string(d.Variables()->Count()));
  if (s.weight) {
    std::string note = "<span class=\"name\">" + Esc(s.weight->Name()) +
                       "</span>: every count, percentage and "
                       "statistic below is weighted, totalling " +
                       Fixed(s.weightedCases, 2);
    if (s.unweighted > 0)
      note += "; " + Fixed(s.unweighted, 0) + " cases with a missing, zero, negative or infinite weight are left out";
    out += row("Weight", note + ".");
  } else {
    out += row("Weight", "none");
  }
  std::string text;
  for (const std::string& line : f.documents) text.append(trim::Blanks(line)) += "\n";
  if (!text.empty()) out += row("Documents", "<pre>" + Esc(text) + "</pre>");
  for (const auto& [name, value] : f.attributes)
    out += row("Attribute", "<span class=\"name\">" + Esc(name) + "</span> " + Esc(value));
  return out + "</table></section>\n";
}

std::string Contents(TSPSSDatafile& d) {
  std::string out =
      "<nav id=\"contents\"><h2>Variables</h2><table class=\"grid\"><tr><th>Name</th><th>Label</th>"
      "<th>Type</th><th>Measure</th></tr>\n";
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    const TSPSSVariable* v = d.Variables()->GetItem(i);
    out += "<tr><td><a class=\"name\" href=\"" + Href("v-" + v->Name()) + "\">" + Esc(v->Name()) + "</a></td><td>" +
           Esc(v->LabelText()) + "</td><td>" + (v->IsNumeric() ? "number" : "A" + std::to_string(v->Width())) +
           "</td><td>" + LevelName(v->Level()) + "</td></tr>\n";
  }
  out += "</table>\n";
  if (d.MRMDSets()->Count() > 0) {
    out += "<h2>Multiple-response sets</h2><p>";
    for (int i = 0; i < d.MRMDSets()->Count(); ++i) {
      const TSPSSMRMDSet* set = d.MRMDSets()->GetItem(i);
      out += std::string(i ? ", " : "") + "<a class=\"name\" href=\"" + Href("s-" + set->Name()) + "\">" +
             Esc(set->Name()) + "</a>";
    }
    out += "</p>\n";
  }
  return out + "</nav>\n";
}

}  // namespace

std::string Html(TSPSSDatafile& d, const Summary& s, const std::string& fileName) {
  const bool weighted = s.weight != nullptr;
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>"
      "<meta name=\"generator\" content=\"savkit " SAVKIT_VERSION "\"/><title>Codebook of " +
      Esc(fileName) + "</title><style>" + kStyle + "</style></head>\n<body><main>\n<h1>" + Esc(fileName) +
      "</h1>\n<p class=\"sub\">" + Esc(d.FileInfo()->FileLabel()) + "</p>\n";
  out += Facts(d, s, fileName);
  out += Contents(d);
  for (const VariableSummary& v : s.variables) out += VariableSection(d, v, weighted);
  for (std::size_t i = 0; i < s.sets.size(); ++i)
    out += SetSection(*d.MRMDSets()->GetItem(static_cast<int>(i)), *s.sets[i], s.weightedCases, weighted);
  return out + "</main></body></html>\n";
}

}  // namespace savkit::cli::codebook
