// savkit codebook: its numbers against PSPP's FREQUENCIES, its pass against
// a plain count, its page against a strict parser and a browser, and its
// output all or nothing.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <random>

#include "codebook.h"
#include "command_fixture.h"
#include "io_test_support.h"

using namespace savkit;
using namespace savkit::testing;
using savkit::cli::codebook::Distribution;
using savkit::cli::codebook::Summary;

namespace {

std::string Data(const std::string& name) { return std::string(SAVKIT_TEST_DATA) + "/" + name; }

std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"')
      cells.back() += '"', ++i;
    else if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      cells.emplace_back();
    else
      cells.back() += c;
  }
  return cells;
}

// A table of PSPP's CSV output by its title, a row of cells a line.
std::vector<std::vector<std::string>> PsppTable(const std::string& csv, const std::string& title) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(csv);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == "Table: " + title)
      inside = true;
    else if (inside && line.empty())
      break;
    else if (inside)
      rows.push_back(CsvCells(line));
  }
  return rows;
}

// Ours agrees with PSPP's printed number to its last digit (a unit either
// way, for a half rounded the other way).
void ExpectPrinted(double ours, std::string printed, const std::string& what) {
  if (!printed.empty() && printed.back() == '%') printed.pop_back();
  const std::size_t dot = printed.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(printed.size() - dot - 1);
  const double theirs = std::strtod(printed.c_str(), nullptr);
  EXPECT_LE(std::fabs(ours - theirs), 1.0001 * std::pow(10, -decimals))
      << what << ": ours " << ours << ", PSPP " << printed;
}

// PSPP's DATE11 text as seconds since the calendar's start.
double PsppDate(const std::string& text) {
  static const std::vector<std::string> months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                  "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  const int month = static_cast<int>(std::find(months.begin(), months.end(), text.substr(3, 3)) - months.begin()) + 1;
  double date = 0;
  spssConvertDate(std::stoi(text.substr(0, 2)), month, std::stoi(text.substr(7)), &date);
  return date;
}

const cli::codebook::VariableSummary& Of(const Summary& s, const std::string& name) {
  for (const auto& v : s.variables)
    if (v.variable->Name() == name) return v;
  throw std::runtime_error("no variable " + name);
}

}  // namespace

// Valid and missing counts, moments, extremes, quartiles and frequency
// tables of the fixture, weighted (with cases of zero and missing weight)
// and not, as PSPP's FREQUENCIES prints them.
TEST(Codebook, StatisticsAgreeWithPsppWeightedAndNot) {
  if (!HavePeer("pspp")) GTEST_SKIP();
  for (const char* file : {"codebook.sav", "codebook-unweighted.sav"}) {
    SCOPED_TRACE(file);
    TSPSSDatafile d;
    d.Set_Filename(Data(file));
    d.Open();
    const Summary s = cli::codebook::Summarize(d, [](std::int64_t) {});
    const std::string csv =
        RunPspp("GET FILE='" + Data(file) +
                "'.\nFREQUENCIES score born wt /FORMAT=NOTABLE /STATISTICS=MEAN STDDEV MINIMUM "
                "MAXIMUM /PERCENTILES=25 50 75.\nFREQUENCIES grade city.\nDESCRIPTIVES score born wt.\n");
    const auto stats = PsppTable(csv, "Statistics");
    ASSERT_EQ(stats.size(), 10u) << csv;
    const char* names[] = {"score", "born", "wt"};
    for (int c = 0; c < 3; ++c) {
      const auto& n = *Of(s, names[c]).number;
      auto cell = [&](std::size_t row) { return stats[row][static_cast<std::size_t>(c) + 2]; };
      const std::string what = std::string(names[c]) + " row ";
      ExpectPrinted(n.ValidWeight(), cell(1), what + "valid");
      ExpectPrinted(n.UserMissingWeight() + n.SystemMissingWeight(), cell(2), what + "missing");
      const bool date = c == 1;
      auto value = [&](std::size_t row) {
        return date ? PsppDate(cell(row)) : std::strtod(cell(row).c_str(), nullptr);
      };
      auto near = [&](double ours, std::size_t row) {
        if (date) {
          EXPECT_NEAR(ours, value(row), 86400) << what << row;  // shown to the day
        } else {
          ExpectPrinted(ours, cell(row), what + std::to_string(row));
        }
      };
      if (!date) near(n.Mean(), 3), near(n.StdDev(), 4);
      // PSPP takes the minimum over cases of zero weight too, though it
      // counts them nowhere else; they are left out of everything here.
      if (!(names[c] == std::string("wt") && s.weight)) near(n.Min(), 5);
      near(n.Max(), 6);
      const double p[] = {0.25, 0.5, 0.75};
      for (int k = 0; k < 3; ++k)
        near(cli::codebook::Percentile(n.Values(), n.ValuesWeight(), p[k]), 7 + static_cast<std::size_t>(k));
    }
    // DESCRIPTIVES: N, mean, spread (a date's in seconds) and maximum.
    const auto descriptives = PsppTable(csv, "Descriptive Statistics");
    ASSERT_GE(descriptives.size(), 4u) << csv;
    for (int c = 0; c < 3; ++c) {
      const auto& n = *Of(s, names[c]).number;
      const auto& row = descriptives[static_cast<std::size_t>(c) + 1];
      ExpectPrinted(n.ValidWeight(), row[1], std::string(names[c]) + " N");
      if (c != 1) ExpectPrinted(n.Mean(), row[2], std::string(names[c]) + " mean");
      ExpectPrinted(n.StdDev(), row[3], std::string(names[c]) + " spread");
      if (c != 1) ExpectPrinted(n.Max(), row[5], std::string(names[c]) + " maximum");
    }
    // Frequency tables: valid rows by value, then the missing ones.
    const auto grade = PsppTable(csv, "Grade");
    const auto& g = *Of(s, "grade").number;
    ASSERT_EQ(grade.size(), 7u) << csv;
    for (std::size_t i = 0; i < 4; ++i) {
      ExpectPrinted(g.Values()[i].second, grade[i + 1][2], "grade frequency");
      ExpectPrinted(100 * g.Values()[i].second / g.ValidWeight(), grade[i + 1][4], "grade valid percent");
    }
    ExpectPrinted(g.UserMissing().at(0).second, grade[5][2], "grade missing");
    const auto city = PsppTable(csv, "Home town");
    const auto& t = *Of(s, "city").text;
    ASSERT_EQ(city.size(), 6u) << csv;
    std::map<std::string, double> ours;
    for (const auto& [text, w] : t.Valid()) ours[text] = w;
    for (std::size_t i = 1; i <= 3; ++i) ExpectPrinted(ours[city[i][1]], city[i][2], "city " + city[i][1]);
    ExpectPrinted(t.Missing().at(0).second, city[4][2], "city missing");
    EXPECT_EQ(s.unweighted, std::string(file) == "codebook.sav" ? 3 : 0);
  }
}

// A dichotomy set counts its members' counted values, a category set each
// case's categories once, both weighted; the fixture's formulas say how many.
TEST(Codebook, MultipleResponseSetsCountEachCaseOnce) {
  TSPSSDatafile d;
  d.Set_Filename(Data("codebook.sav"));
  d.Open();
  const Summary s = cli::codebook::Summarize(d, [](std::int64_t) {});
  ASSERT_EQ(s.sets.size(), 2u);
  std::vector<double> owns(3, 0);
  std::map<double, double> colors;
  double anyOwned = 0;
  for (int id = 1; id <= 240; ++id) {
    if (id % 97 == 0 || id == 13) continue;  // no usable weight
    const double w = 0.5 + (id % 4) * 0.5;
    const bool q[] = {id % 2 == 1, id % 3 == 0, id % 5 == 0};
    for (int i = 0; i < 3; ++i) owns[static_cast<std::size_t>(i)] += q[i] ? w : 0;
    anyOwned += q[0] || q[1] || q[2] ? w : 0;
    colors[id % 4 + 1] += w;
    if (id % 3 + 1 != id % 4 + 1) colors[id % 3 + 1] += w;
  }
  ASSERT_TRUE(s.sets[0]->Dichotomy());
  EXPECT_EQ(s.sets[0]->MemberCounts(), owns);
  EXPECT_EQ(s.sets[0]->CasesWeight(), anyOwned);
  ASSERT_FALSE(s.sets[1]->Dichotomy());
  std::map<double, double> ours;
  for (const auto& [value, w] : s.sets[1]->Categories()) ours[value.ToDouble()] = w;
  EXPECT_EQ(ours, colors);
}

// The pass counts on two threads in batches what a plain loop over the
// cases counts: frequencies, moments and exact quartiles below the cap of
// values kept, and quartiles near the truth from the sample beyond it.
TEST_F(Threads, CodebookCountsWhatAPlainLoopCounts) {
  const std::string path = Path("many.sav");
  constexpr int kCases = 150000;
  std::mt19937_64 rng(5);
  std::vector<double> small, wide;
  std::vector<std::string> words;
  {
    int h;
    ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
    spssSetVarName(h, "small", 0);
    spssSetVarName(h, "wide", 0);
    spssSetVarName(h, "word", 8);
    ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
    double hs, hw, ht;
    spssGetVarHandle(h, "small", &hs), spssGetVarHandle(h, "wide", &hw), spssGetVarHandle(h, "word", &ht);
    for (int c = 0; c < kCases; ++c) {
      small.push_back(c % 101 == 0 ? spssSysmisVal() : static_cast<double>(rng() % 7));
      wide.push_back(static_cast<double>(rng() % 1000000) / 8);
      words.push_back("w" + std::to_string(rng() % 40));
      spssSetValueNumeric(h, hs, small.back());
      spssSetValueNumeric(h, hw, wide.back());
      spssSetValueChar(h, ht, words.back().c_str());
      ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    }
    ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  }
  TSPSSDatafile d;
  d.Set_Filename(path);
  d.Open();
  std::int64_t told = 0;
  const Summary s = cli::codebook::Summarize(d, [&](std::int64_t done) { told = done; });
  EXPECT_EQ(told, kCases);

  std::map<double, double> counts;
  for (double x : small)
    if (x != spssSysmisVal()) counts[x] += 1;
  const auto& n = *Of(s, "small").number;
  EXPECT_EQ(n.Values(), Distribution(counts.begin(), counts.end()));
  EXPECT_EQ(n.SystemMissingWeight(), (kCases + 100) / 101);

  const auto& w = *Of(s, "wide").number;
  EXPECT_FALSE(w.Exact());  // more distinct values than are kept
  std::vector<double> sorted = wide;
  std::sort(sorted.begin(), sorted.end());
  double sum = 0;
  for (double x : wide) sum += x;
  EXPECT_NEAR(w.Mean(), sum / kCases, 1e-6);
  EXPECT_EQ(w.Min(), sorted.front());
  EXPECT_EQ(w.Max(), sorted.back());
  const double median = cli::codebook::Percentile(w.Values(), w.ValuesWeight(), 0.5);
  EXPECT_NEAR(median, sorted[kCases / 2], 0.03 * (sorted.back() - sorted.front()));

  std::map<std::string, double> words_counted;
  for (const std::string& word : words) words_counted[word] += 1;
  std::map<std::string, double> ours;
  for (const auto& [text, weight] : Of(s, "word").text->Valid()) ours[text] = weight;
  EXPECT_EQ(ours, words_counted);
  EXPECT_EQ(s.cases, kCases);
}

// Every fixture's and peer file's page parses as XML (the page is
// well-formed as HTML and XML alike, text cut inside a character included),
// or the command refuses the file; the fixture's page says what it holds.
TEST_F(Command, CodebookPagesAreWellFormedAndComplete) {
  const bool xmllint = std::system("command -v xmllint >/dev/null 2>&1") == 0;
  std::vector<std::string> files = {std::string(SAVKIT_EXAMPLES) + "/survey.sav"};
  for (const std::string& folder : {Data(""), Data("peers")})
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().extension() == ".sav" || entry.path().extension() == ".zsav") files.push_back(entry.path());
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::filesystem::remove(Path("page.html"));
    const Result r = Savkit("codebook '" + file + "' -o '" + Path("page.html") + "'");
    ASSERT_LE(r.code, 1) << r.err;
    if (r.code == 1) {  // a file the library refuses, and says why
      EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
      continue;
    }
    if (xmllint) {
      EXPECT_EQ(std::system(("xmllint --noout '" + Path("page.html") + "'").c_str()), 0);
    }
  }
  // Values no file should hold, NaN and infinities, in a variable and in
  // the weight: counted as missing and said, not sorted or binned.
  {
    int h;
    ASSERT_EQ(spssOpenWrite(Path("odd.sav").c_str(), &h), SPSS_OK);
    spssSetVarName(h, "x", 0), spssSetVarName(h, "w", 0);
    spssSetCaseWeightVar(h, "w");
    ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
    double hx, hw;
    spssGetVarHandle(h, "x", &hx), spssGetVarHandle(h, "w", &hw);
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    for (const auto& [x, w] :
         std::vector<std::pair<double, double>>{{1, 1}, {nan, 1}, {inf, 2}, {-inf, 1}, {2, inf}, {3, nan}}) {
      spssSetValueNumeric(h, hx, x), spssSetValueNumeric(h, hw, w);
      ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    }
    ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
    ASSERT_EQ(Savkit("codebook '" + Path("odd.sav") + "' -o '" + Path("odd.html") + "'").code, 0);
    const std::string odd = Read(Path("odd.html"));
    EXPECT_NE(odd.find("4.00 values are not numbers or infinite"), std::string::npos) << odd;
    EXPECT_NE(odd.find("2 cases with a missing, zero, negative or infinite weight are left out"), std::string::npos);
    if (xmllint) {
      EXPECT_EQ(std::system(("xmllint --noout '" + Path("odd.html") + "'").c_str()), 0);
    }
  }

  // Numbers at the ends of the double's range: readable, and their mean and
  // spread numbers, not infinities.
  {
    int h;
    ASSERT_EQ(spssOpenWrite(Path("far.sav").c_str(), &h), SPSS_OK);
    spssSetVarName(h, "big", 0), spssSetVarName(h, "edge", 0);
    ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
    double hb, he;
    spssGetVarHandle(h, "big", &hb), spssGetVarHandle(h, "edge", &he);
    for (int k = 0; k < 12; ++k) {
      const double edge = k < 6 ? 1.7e308 - k * 1e306 : k < 11 ? -(1.7e308 - (k - 6) * 1e306) : 0;
      spssSetValueNumeric(h, hb, (k + 1) * 1e100), spssSetValueNumeric(h, he, edge);
      ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    }
    ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
    ASSERT_EQ(Savkit("codebook '" + Path("far.sav") + "' -o '" + Path("far.html") + "'").code, 0);
    const std::string far = Read(Path("far.html"));
    for (const char* part : {">6.5e+100<", ">1.2e+101<", ">1.375e+307<"})
      EXPECT_NE(far.find(part), std::string::npos) << part;
    for (const char* part : {"inf<", "nan<", "0000000000000000"}) EXPECT_EQ(far.find(part), std::string::npos) << part;
  }

  ASSERT_EQ(Savkit("codebook '" + Data("codebook.sav") + "' -o '" + Path("page.html") + "'").code, 0);
  const std::string page = Read(Path("page.html"));
  for (const char* part :
       {"<title>Codebook of codebook.sav</title>", "Codebook fixture", "savkit codebook fixture", "codebook fixture",
        "id=\"v-score\"", "id=\"s-owns\"", "href=\"#s-colors\"", "Tromsø", "no answer", "LO thru 1",
        "3 cases with a missing, zero, negative or infinite weight are left out", "Histogram of score", "1992-03-02"})
    EXPECT_NE(page.find(part), std::string::npos) << std::string(part);
  EXPECT_EQ(page.find("http"), std::string::npos);  // nothing fetched from anywhere
}

// A failed codebook leaves no page and whatever was under its name.
TEST_F(Command, CodebookOutputIsAllOrNothing) {
  const std::string original = Read(Data("codebook.sav"));
  std::ofstream(Path("cut.sav"), std::ios::binary) << original.substr(0, original.size() - 500);
  std::ofstream(Path("page.html")) << "an older page";
  const Result r = Savkit("codebook '" + Path("cut.sav") + "' -o '" + Path("page.html") + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cut.sav"), std::string::npos) << r.err;
  EXPECT_EQ(Read(Path("page.html")), "an older page");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 4);  // cut.sav, page.html, stdout, stderr
  const Result missing = Savkit("codebook '" + Data("codebook.sav") + "' -o '" + Path("no/such/page.html") + "'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("no/such/page.html"), std::string::npos) << missing.err;
  EXPECT_EQ(Savkit("codebook '" + Data("codebook.sav") + "'").code, 2);  // no output named
}

namespace {

// The pixels of a PNG of 8-bit RGB or RGBA, as RGB.
std::vector<std::array<std::uint8_t, 3>> PngPixels(const std::string& png) {
  std::vector<std::array<std::uint8_t, 3>> pixels;
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(
        static_cast<std::uint8_t>(png[at]) << 24 | static_cast<std::uint8_t>(png[at + 1]) << 16 |
        static_cast<std::uint8_t>(png[at + 2]) << 8 | static_cast<std::uint8_t>(png[at + 3]));
  };
  std::uint32_t width = 0, height = 0;
  int channels = 0;
  std::string packed;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::uint32_t length = be32(at);
    const std::string type = png.substr(at + 4, 4);
    if (type == "IHDR") {
      width = be32(at + 8), height = be32(at + 12);
      EXPECT_EQ(png[at + 16], 8);
      channels = png[at + 17] == 6 ? 4 : 3;
    } else if (type == "IDAT") {
      packed += png.substr(at + 8, length);
    }
    at += 12 + length;
  }
  const std::size_t stride = width * static_cast<std::size_t>(channels);
  std::vector<std::uint8_t> raw((stride + 1) * height);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(packed.data()), packed.size()) != Z_OK)
    return pixels;
  std::vector<std::uint8_t> previous(stride, 0), row(stride);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t filter = raw[y * (stride + 1)];
    const std::uint8_t* in = &raw[y * (stride + 1) + 1];
    for (std::size_t x = 0; x < stride; ++x) {
      const int a = x >= static_cast<std::size_t>(channels) ? row[x - static_cast<std::size_t>(channels)] : 0;
      const int b = previous[x];
      const int c = x >= static_cast<std::size_t>(channels) ? previous[x - static_cast<std::size_t>(channels)] : 0;
      int predicted = 0;
      if (filter == 1)
        predicted = a;
      else if (filter == 2)
        predicted = b;
      else if (filter == 3)
        predicted = (a + b) / 2;
      else if (filter == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[x] = static_cast<std::uint8_t>(in[x] + predicted);
    }
    for (std::uint32_t x = 0; x < width; ++x)
      pixels.push_back({row[x * static_cast<std::size_t>(channels)], row[x * static_cast<std::size_t>(channels) + 1],
                        row[x * static_cast<std::size_t>(channels) + 2]});
    previous = row;
  }
  return pixels;
}

}  // namespace

// Chromium, headless, shows the page with its charts: the screenshot holds
// many pixels of the bars' blue, not a blank page.
TEST_F(Command, CodebookChartsShowInABrowser) {
  if (!HavePeer("chromium")) GTEST_SKIP();
  ASSERT_EQ(Savkit("codebook '" + Data("codebook.sav") + "' -o '" + Path("page.html") + "'").code, 0);
  const std::string shot = Path("page.png");
  const std::string cmd =
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
      "--user-data-dir='" +
      Path("profile") + "' --window-size=1200,2400 --screenshot='" + shot + "' 'file://" + Path("page.html") +
      "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const auto pixels = PngPixels(Read(shot));
  ASSERT_EQ(pixels.size(), 1200u * 2400u);
  const auto blue = std::count_if(pixels.begin(), pixels.end(), [](const auto& p) {
    return std::abs(p[0] - 0x3d) < 8 && std::abs(p[1] - 0x72) < 8 && std::abs(p[2] - 0xb4) < 8;
  });
  EXPECT_GT(blue, 20000) << "bars drawn";
}
