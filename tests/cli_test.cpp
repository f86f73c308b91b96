// The savkit command, run as a person runs it, on real files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "command_fixture.h"
#include "io_test_support.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

// Values of our export against PSPP's reading: numbers as numbers, our ISO
// dates against PSPP's mm/dd/yyyy.
void ExpectSameRows(const std::vector<std::vector<std::string>>& ours,
                    const std::vector<std::vector<std::string>>& psppRows) {
  ASSERT_EQ(ours.size(), psppRows.size());
  for (std::size_t r = 0; r < ours.size(); ++r) {
    ASSERT_EQ(ours[r].size(), psppRows[r].size()) << "row " << r;
    for (std::size_t c = 0; c < ours[r].size(); ++c) {
      std::string a = ours[r][c], b = psppRows[r][c];
      while (!b.empty() && b.back() == ' ') b.pop_back();
      int y, m, d, hh, mm, ss;
      if (std::sscanf(a.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &y, &m, &d, &hh, &mm, &ss) == 6) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", m, d, y, hh, mm, ss);
        a = buf;
      } else if (a.size() == 10 && std::sscanf(a.c_str(), "%4d-%2d-%2d", &y, &m, &d) == 3) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", m, d, y);
        a = buf;
      } else if (std::sscanf(a.c_str(), "%2d:%2d:%2d", &hh, &mm, &ss) == 3 && a.size() == 8) {
        a = std::to_string(hh) + ":" + a.substr(3);  // PSPP writes hours without a leading zero
        if (b.size() == 8 && b[0] == '0') b = b.substr(1);
      }
      char* end = nullptr;
      const double x = std::strtod(a.c_str(), &end);
      if (!a.empty() && *end == 0) {
        EXPECT_NEAR(x, std::strtod(b.c_str(), nullptr), std::fabs(x) * 1e-13) << "row " << r << " column " << c;
      } else {
        EXPECT_EQ(a, b == " " ? "" : b) << "row " << r << " column " << c;
      }
    }
  }
}

}  // namespace

TEST_F(Command, ExportEqualsPsppsReading) {
  for (const char* fixture : {"full.sav", "full.zsav", "latin1.sav"}) {
    const Result r = Savkit("export '" + DataPath(fixture) + "' -o '" + Path("out.csv") + "'");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar when stderr is not a terminal
    ExpectSameRows(ReadCsv(Path("out.csv")), ReadCsv(DataPath(std::string(fixture) + ".csv")));
  }
  const Result some = Savkit("export '" + DataPath("full.sav") + "' --cases 2:3 --vars name,id --labels");
  ASSERT_EQ(some.code, 0) << some.err;
  EXPECT_EQ(some.out, "name,id\r\nMs Z,two\r\n,3\r\n");
}

TEST_F(Command, ImportThenExportRoundTrips) {
  std::ofstream(Path("in.csv")) << "id,Long Column Name,when,note,at\n"
                                   "1,2.5,2020-01-31,\"with, comma\",2020-01-31T10:20:30\n"
                                   "2,,1999-12-31,\"quote \"\"q\"\"\",\n"
                                   "3,-7,,plain,1582-10-15 00:00:01\n";
  for (const char* compression : {"none", "bytecode", "zlib"}) {
    const Result imp =
        Savkit("import '" + Path("in.csv") + "' -o '" + Path("in.sav") + "' --compression " + compression);
    ASSERT_EQ(imp.code, 0) << imp.err;
    const Result exp = Savkit("export '" + Path("in.sav") + "'");
    ASSERT_EQ(exp.code, 0) << exp.err;
    EXPECT_EQ(exp.out,
              "id,Long_Column_Name,when,note,at\r\n"
              "1,2.5,2020-01-31,\"with, comma\",2020-01-31T10:20:30\r\n"
              "2,,1999-12-31,\"quote \"\"q\"\"\",\r\n"
              "3,-7,,plain,1582-10-15T00:00:01\r\n");
  }
  if (HavePeer("pspp-convert")) {
    const auto csv = PeerCsv("pspp-convert", Path("in.sav"));
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_EQ(csv[1][2], "01/31/2020");
  }
}

TEST_F(Command, EditsAreSeenByPspp) {
  const std::string file = Path("survey.sav");
  std::filesystem::copy_file(std::string(SAVKIT_EXAMPLES) + "/survey.sav", file);
  const Result r = Savkit("edit '" + file + "' --set 2:age=28 --delete-case 5 --add-var score:num --set 1:score=9.5 " +
                          "--var-label 'age=Age now' --value-label happy:4=Content --file-label Edited");
  ASSERT_EQ(r.code, 0) << r.err;
  const Result info = Savkit("info '" + file + "' --json");
  ASSERT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("\"label\": \"Edited\""), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"cases\": 4"), std::string::npos);
  if (!HavePeer("pspp")) return;
  const std::string tables =
      RunPspp("GET FILE='" + file + "'.\nLIST.\nDISPLAY LABELS.\nDISPLAY DICTIONARY /VARIABLES=happy.\n");
  EXPECT_NE(tables.find("1,34,Amsterdam,\"$52,000.50\",12-MAR-2019,4,9.50"), std::string::npos) << tables;
  EXPECT_NE(tables.find("2,28,"), std::string::npos);
  EXPECT_EQ(tables.find("Oslo"), std::string::npos);
  EXPECT_NE(tables.find("Age now"), std::string::npos);
  EXPECT_NE(tables.find("Content"), std::string::npos);
}

TEST_F(Command, ConvertVerifyAndXml) {
  const Result c = Savkit("convert '" + DataPath("full.sav") + "' '" + Path("z.zsav") + "' --compression zlib");
  ASSERT_EQ(c.code, 0) << c.err;
  const Result v = Savkit("verify '" + Path("z.zsav") + "'");
  EXPECT_EQ(v.code, 0);
  EXPECT_NE(v.out.find("5 cases, 20 variables"), std::string::npos) << v.out;
  ExpectSameAsCsv(Path("z.zsav"), ReadCsv(DataPath("full.sav.csv")), CsvStyle::Pspp);
  const Result x = Savkit("xml '" + DataPath("latin1.sav") + "'");
  EXPECT_EQ(x.out.substr(0, 42), "<datafile name=\"latin1.sav\" compressed=\"1\"");
  const Result i = Savkit("info '" + DataPath("full.sav") + "'");
  EXPECT_NE(i.out.find("  weight       wt"), std::string::npos) << i.out;
  EXPECT_NE(i.out.find("$counted (dichotomy, counts 1) Counted: d1 d2"), std::string::npos) << i.out;
}

TEST_F(Command, BadArgumentsAndBadFiles) {
  EXPECT_EQ(Savkit("").code, 2);
  EXPECT_EQ(Savkit("frobnicate").code, 2);
  EXPECT_EQ(Savkit("info").code, 2);
  EXPECT_EQ(Savkit("import x.csv").code, 2);  // -o is required
  EXPECT_EQ(Savkit("convert a b --compression lzma").code, 2);
  EXPECT_EQ(Savkit("--version").out, "savkit 0.1.0\n");
  EXPECT_EQ(Savkit("--help").code, 0);
  const Result missing = Savkit("info '" + Path("nothere.sav") + "'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "savkit: " + Path("nothere.sav") + ": no such file\n");
  std::ofstream(Path("text.sav")) << std::string(500, 'x');
  const Result bad = Savkit("verify '" + Path("text.sav") + "'");
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err, "savkit: " + Path("text.sav") +
                         ": File is not a valid SPSS file: it does not start with $FL2 or $FL3 (byte 0)\n");
  std::filesystem::copy_file(std::string(SAVKIT_EXAMPLES) + "/survey.sav", Path("s.sav"));
  const std::string before = Read(Path("s.sav"));
  const Result badEdit = Savkit("edit '" + Path("s.sav") + "' --set 1:age=5 --set 99:age=1");
  EXPECT_EQ(badEdit.code, 1);
  EXPECT_NE(badEdit.err.find("Casenumber is not valid"), std::string::npos) << badEdit.err;
  EXPECT_EQ(Read(Path("s.sav")), before);  // nothing saved when an edit fails
  // A FIFO is refused at once, never waited on.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  const Result fifo = Savkit("info '" + Path("fifo") + "'");
  EXPECT_EQ(fifo.code, 1);
  EXPECT_EQ(fifo.err, "savkit: " + Path("fifo") + ": not a regular file\n");
  for (const char* command : {"info", "xml", "export", "verify"})
    EXPECT_EQ(Savkit(std::string(command) + " -q '" + Path("s.sav") + "'").code, 0) << command;
  EXPECT_EQ(Savkit("export '" + Path("s.sav") + "' --cases 3:9").code, 1);
  EXPECT_EQ(Savkit("export '" + Path("s.sav") + "' --vars nosuch").code, 1);
  // Outputs that cannot be files say what they are.
  const std::string s = " '" + Path("s.sav") + "' ";
  for (const auto& [args, message] :
       {std::pair("export" + s + "-o '" + Path("fifo") + "'", ": cannot be written: it is a pipe, not a regular file"),
        std::pair("convert" + s + "'" + dir_.string() + "'", ": Error opening file: it is a folder"),
        std::pair("edit" + s + "--file-label x -o /dev/null",
                  ": Error opening file: it is a device, not a regular file")}) {
    const Result r = Savkit(args);
    EXPECT_EQ(r.code, 1) << args;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
}

// A damaged file says where: verify stops at it, diff refuses to compare it.
TEST_F(Command, DamageIsNamedWhereItIs) {
  std::string bytes = Read(std::string(SAVKIT_EXAMPLES) + "/survey.sav");
  bytes.resize(bytes.size() - 13);
  std::ofstream(Path("declared.sav"), std::ios::binary) << bytes;
  const std::int32_t unknown = -1;
  bytes.replace(80, 4, reinterpret_cast<const char*>(&unknown), 4);  // the header's case count
  std::ofstream(Path("cut.sav"), std::ios::binary) << bytes;
  const std::string where = "case 5, which starts here, is cut short: the data end inside it (byte ";
  const Result declared = Savkit("verify -q '" + Path("declared.sav") + "'");
  EXPECT_EQ(declared.code, 1);
  EXPECT_NE(declared.err.find(": case 5: Error reading file: " + where), std::string::npos) << declared.err;
  const Result cut = Savkit("verify -q '" + Path("cut.sav") + "'");
  EXPECT_EQ(cut.code, 1);
  EXPECT_NE(cut.err.find("cut.sav: 4 cases readable, then damaged: " + where), std::string::npos) << cut.err;
  const Result info = Savkit("info '" + Path("cut.sav") + "'");
  EXPECT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("  damaged      " + where), std::string::npos) << info.out;
  const Result diff = Savkit("diff '" + Path("cut.sav") + "' " + std::string(SAVKIT_EXAMPLES) + "/survey.sav");
  EXPECT_EQ(diff.code, 2);
  EXPECT_NE(diff.err.find("cut.sav: damaged: " + where), std::string::npos) << diff.err;
}

// The example programs run and do what they say.
TEST_F(Command, ExamplesRun) {
  const std::string dir = SAVKIT_EXAMPLE_BIN;
  const std::string survey = std::string(SAVKIT_EXAMPLES) + "/survey.sav";
  auto run = [&](const std::string& cmd) {
    const std::string out = Path("example.out");
    EXPECT_EQ(std::system((cmd + " >'" + out + "' 2>&1").c_str()), 0) << cmd;
    return Read(out);
  };
  EXPECT_NE(run(dir + "/savkit_example_describe '" + survey + "'").find("5 cases, 6 variables"), std::string::npos);
  EXPECT_NE(run(dir + "/savkit_example_read_values '" + survey + "'").find("Zürich"), std::string::npos);
  EXPECT_NE(run(dir + "/savkit_example_read_by_value '" + survey + "'").find("\n4\t\tKöln\t\t13799721600\t2\n"),
            std::string::npos);
  EXPECT_NE(run(dir + "/savkit_example_create_file '" + Path("made.sav") + "'").find("wrote"), std::string::npos);
  EXPECT_NE(run(dir + "/savkit_example_edit_and_save '" + Path("made.sav") + "' '" + Path("edited.sav") + "'")
                .find("case 1 = 1001; 4 cases"),
            std::string::npos);
  EXPECT_NE(run(dir + "/savkit_example_tour").find("system-missing value"), std::string::npos);
}

TEST_F(Command, InfoAsJsonAndImportRefusals) {
  const Result j = Savkit("info '" + DataPath("full.sav") + "' --json");
  ASSERT_EQ(j.code, 0);
  for (const char* piece : {"\"compression\": \"bytecode\"", "\"weight\": \"wt\"",
                            "{\"name\": \"huge\", \"type\": \"A20000\", \"format\": \"A20000\"",
                            "\"kind\": \"dichotomy\", \"countedValue\": \"yes\""})
    EXPECT_NE(j.out.find(piece), std::string::npos) << piece << "\n" << j.out;
  std::ofstream(Path("ragged.csv")) << "a,b\n1,2\n3\n";
  const Result r = Savkit("import '" + Path("ragged.csv") + "' -o '" + Path("r.sav") + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("line 3 has 1 fields"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Path("r.sav")));
  std::ofstream(Path("empty.csv")) << "";
  EXPECT_EQ(Savkit("import '" + Path("empty.csv") + "' -o '" + Path("e.sav") + "'").code, 1);
}

// Every output takes its name only when complete: a failure, a kill or an
// output that is the input leaves every file as it was, and nothing else.
TEST_F(Command, OutputsAreAllOrNothing) {
  const std::string data = Path("data.sav"), csv = Path("out.csv"), link = Path("link.sav");
  std::filesystem::copy_file(DataPath("full.sav"), data);
  std::filesystem::create_symlink(data, link);
  std::ofstream(csv) << "old,csv\r\n";
  const auto files = [&] {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.insert(e.path().filename().string());
    names.erase("stdout"), names.erase("stderr");
    return names;
  };
  const std::set<std::string> before = files();
  const std::string dataBytes = Read(data), csvBytes = Read(csv);
  std::ofstream(Path("wide.csv")) << "a,b\n1," << std::string(40000, 'x') << "\n";
  std::ofstream(Path("big.csv")) << "a,b\n1," << std::string(30000, 'x') << "\n";
  struct Case {
    std::string args;
    int code;
    std::string message;  // a piece of standard error
  };
  const std::string q = "'", in = q + data + q;
  const std::vector<Case> cases = {
      {"export " + in + " -o " + in, 2, data + ": is the input file"},
      {"export " + in + " -o '" + link + "'", 2, "is the input file"},
      {"export " + in + " -o ''", 2, "-o: the output needs a name"},
      {"convert " + in + " '" + link + "'", 2, "is the input file"},
      {"import '" + csv + "' -o '" + csv + "'", 2, "is the input file"},
      {"export " + in + " -o '" + Path("no/such/dir/x.csv") + "'", 1,
       Path("no/such/dir/x.csv") + ": cannot be written"},
      {"import '" + Path("wide.csv") + "' -o " + in, 1, ""},
      {"edit " + in + " --set 1:name=" + std::string(9, 'z'), 1,
       "name = zzzzzzzzz: longer than the variable's width of 8 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    if (c.code >= 0) {
      const Result r = Savkit(c.args);
      EXPECT_EQ(r.code, c.code) << r.err;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(Read(data), dataBytes);
    EXPECT_EQ(Read(csv), csvBytes);
    std::set<std::string> now = files();
    now.erase("wide.csv"), now.erase("big.csv");
    EXPECT_EQ(now, before);
  }
  // Killed by the file size limit half way through: nothing half-written appears.
  for (const std::string& run : {"export " + in + " -o '" + csv + "'", "edit " + in + " --set 1:id=5",
                                 "import '" + Path("big.csv") + "' -o " + in,
                                 "convert " + in + " '" + Path("copy.sav") + "' --compression none"}) {
    const std::string killed = "ulimit -f 4; exec " + std::string(SAVKIT_CLI) + " " + run + " 2>/dev/null";
    EXPECT_NE(std::system(("bash -c \"" + killed + "\"").c_str()), 0) << run;
    EXPECT_EQ(Read(csv), csvBytes);
    EXPECT_EQ(Read(data), dataBytes);
    std::set<std::string> now = files();
    now.erase("wide.csv"), now.erase("big.csv");
    EXPECT_EQ(now, before) << run;
  }
  // A full disk: writes fail (the size limit, its signal ignored) and every
  // command says so, naming its output, and leaves nothing behind.
  for (const auto& [run, output] : std::vector<std::pair<std::string, std::string>>{
           {"export " + in + " -o '" + csv + "'", csv},
           {"edit " + in + " --set 1:id=5", data},
           {"import '" + Path("big.csv") + "' -o " + in, data},
           // A pipe is copied to scratch for the second pass; that copy fails first.
           {"import /dev/stdin -o " + in + " < <(cat '" + Path("big.csv") + "')", dir_.string()},
           {"convert " + in + " '" + Path("copy.sav") + "' --compression none", Path("copy.sav")}}) {
    const std::string full = "trap '' XFSZ; ulimit -f 4; TMPDIR='" + dir_.string() + "' exec " +
                             std::string(SAVKIT_CLI) + " " + run + " 2>'" + Path("full.err") + "'";
    EXPECT_EQ(WEXITSTATUS(std::system(("bash -c \"" + full + "\"").c_str())), 1) << run;
    EXPECT_TRUE(Read(Path("full.err")).starts_with("savkit: " + output + ": ")) << Read(Path("full.err"));
    std::filesystem::remove(Path("full.err"));
    EXPECT_EQ(Read(csv), csvBytes);
    EXPECT_EQ(Read(data), dataBytes);
    std::set<std::string> now = files();
    now.erase("wide.csv"), now.erase("big.csv");
    EXPECT_EQ(now, before) << run;
  }
  // And when nothing fails, the output is complete.
  ASSERT_EQ(Savkit("export " + in + " -o '" + csv + "'").code, 0);
  EXPECT_EQ(ReadCsv(csv).size(), 6u);
}

// Times print at their format's precision: 43870.09 is stored as
// 43870.0899999..., which TIME11.2 shows as 12:11:10.09.
TEST_F(Command, TimesExportAtTheirFormatsPrecision) {
  const std::string path = Path("times.sav");
  {
    savkit::TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    d.OpenNew();
    const auto add = [&](const char* name, int type, int width, int decimals) {
      savkit::TSPSSVariable* v = d.Variables()->Add(name, true, 8);
      v->Set_PrintType(type), v->Set_WriteType(type), v->Set_Width(width), v->Set_Decimals(decimals);
    };
    add("t", SPSS_FMT_TIME, 11, 2);
    add("dt", SPSS_FMT_DATE_TIME, 23, 2);
    add("whole", SPSS_FMT_TIME, 8, 0);
    d.SaveDictionary();
    double stamp = 0;
    spssConvertDate(31, 12, 1999, &stamp);
    savkit::TSPSSCase* k = d.Cases()->Add();
    k->SetValue(0, savkit::Variant(43870.09));
    k->SetValue(1, savkit::Variant(stamp + 86399.999));  // rounds into the next day
    k->SetValue(2, savkit::Variant(59.6));
    k->Save();
    d.Close();
  }
  const Result r = Savkit("export '" + path + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "t,dt,whole\r\n12:11:10.09,2000-01-01T00:00:00.00,00:01:00\r\n");
}

// CSV that is not CSV, or not text, is refused naming its line; what is CSV
// is read whatever its line ends, byte order mark or header cells.
TEST_F(Command, ImportIsStrictAndComplete) {
  struct Case {
    std::string csv;
    std::string message;  // empty: imports
  };
  const std::vector<Case> cases = {
      {"a,b\n1,2\n3\n", "line 3 has 1 fields, the header 2"},
      {"a,b\n1,2,3\n", "line 2 has 3 fields, the header 2"},
      {"a,b\n1,\"2\n\n", "line 2: a quoted field is never closed"},
      {std::string("a,b\n1,2\0\n", 9), "line 2: a NUL byte"},
      {"a,b\n1,\xff\n", "line 2: not UTF-8"},
      {"a,b\n\"x\"y,2\n", "line 2: text after a closing quote"},
      {"a,b\n1,2\n3," + std::string(40000, 'x') + "\n",
       "line 3, column b: a text of 40000 bytes; a system file's strings hold at most 32767"},
      {"\xEF\xBB\xBF"
       "a,b\r1,\"x\r\ny\"\r3,4",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csv);
    std::ofstream(Path("in.csv"), std::ios::binary) << c.csv;
    const Result r = Savkit("import '" + Path("in.csv") + "' -o '" + Path("out.sav") + "'");
    if (!c.message.empty()) {
      EXPECT_EQ(r.code, 1);
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_FALSE(std::filesystem::exists(Path("out.sav")));
      continue;
    }
    ASSERT_EQ(r.code, 0) << r.err;
    const auto table = ReadTable(Path("out.sav"));
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(table[1][1], "x\ny");
    EXPECT_EQ(table[2][1], "4");
  }

  // Header cells: valid names stay; empty, repeated and invalid ones get
  // unique valid names that take no real column's, the cell kept as label.
  std::ofstream(Path("names.csv")) << ",v1,a b,v1,ALL,1x\n1,2,3,4,5,6\n";
  ASSERT_EQ(Savkit("import '" + Path("names.csv") + "' -o '" + Path("names.sav") + "'").code, 0);
  EXPECT_EQ(ReadTable(Path("names.sav"))[0], (std::vector<std::string>{"v1_2", "v1", "a_b", "v1_3", "ALL_", "v1x"}));
  ReadHandle f(Path("names.sav"));
  char label[SPSS_MAX_VARLABEL + 1];
  ASSERT_EQ(spssGetVarLabel(f.handle, "a_b", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "a b");
  ASSERT_EQ(spssGetVarLabel(f.handle, "ALL_", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "ALL");

  // As many columns as anyone has: 100,000.
  {
    std::ofstream wide(Path("wide.csv"));
    for (int i = 0; i < 100000; ++i) wide << (i ? ",c" : "c") << i;
    wide << "\n";
    for (int i = 0; i < 100000; ++i) wide << (i ? "," : "") << i;
    wide << "\n";
  }
  ASSERT_EQ(Savkit("import '" + Path("wide.csv") + "' -o '" + Path("wide.sav") + "'").code, 0);
  const auto wide = ReadTable(Path("wide.sav"));
  ASSERT_EQ(wide.size(), 2u);
  ASSERT_EQ(wide[0].size(), 100000u);
  EXPECT_EQ(wide[0][99999], "c99999");
  EXPECT_EQ(wide[1][99999], "99999");

  // Another encoding through iconv, and a pipe read in one pass.
  std::ofstream(Path("latin.csv"), std::ios::binary) << "city\nZ\xfcrich\n";
  const std::string pipe = "cat '" + Path("latin.csv") + "' | " + SAVKIT_CLI +
                           " import /dev/stdin --encoding windows-1252 -o '" + Path("latin.sav") + "'";
  ASSERT_EQ(std::system(pipe.c_str()), 0);
  EXPECT_EQ(ReadTable(Path("latin.sav"))[1][0], "Zürich");
  EXPECT_EQ(Savkit("import '" + Path("latin.csv") + "' --encoding nosuch -o '" + Path("x.sav") + "'").code, 2);

  // A file is read twice, a pipe once and spooled: the same records either
  // way, with quoted fields, doubled quotes and line breaks falling across
  // every place the reading is cut into pieces.
  {
    std::ofstream mixed(Path("mixed.csv"), std::ios::binary);
    mixed << "n,t,d\r\n";
    for (int i = 0; i < 20000; ++i)
      mixed << i << ",\"say \"\"" << std::string(static_cast<std::size_t>(i % 37), 'q') << "\"\"\r\nnext\","
            << (i % 3 ? "2024-02-29" : "") << "\r\n";
  }
  ASSERT_EQ(Savkit("import '" + Path("mixed.csv") + "' -o '" + Path("file.sav") + "'").code, 0);
  ASSERT_EQ(std::system(
                ("cat '" + Path("mixed.csv") + "' | " + SAVKIT_CLI + " import /dev/stdin -o '" + Path("pipe.sav") + "'")
                    .c_str()),
            0);
  EXPECT_EQ(Savkit("diff '" + Path("file.sav") + "' '" + Path("pipe.sav") + "' -q").code, 0);
  const auto mixed = ReadTable(Path("file.sav"));
  ASSERT_EQ(mixed.size(), 20001u);
  EXPECT_EQ(mixed[19999][1], "say \"" + std::string(19998 % 37, 'q') + "\"\nnext");
}

// While another holds the file's lock (a save, an append), an edit is refused
// and the file kept; errors about the output name the output.
TEST_F(Command, EditsNeverCrossAndErrorsNameTheirFile) {
  const std::string path = Path("s.sav");
  std::filesystem::copy_file(std::string(SAVKIT_EXAMPLES) + "/survey.sav", path);
  const std::string before = Read(path);
  {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const Result r = Savkit("edit '" + path + "' --set 1:age=5");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(path + " is being written by another program; nothing was saved"), std::string::npos) << r.err;
    EXPECT_EQ(Read(path), before);
    ::close(fd);
  }
  EXPECT_EQ(Savkit("edit '" + path + "' --set 1:age=5").code, 0);
  std::ofstream(Path("in.csv")) << "a\n1\n";
  const std::string out = Path("no/such/dir/x.sav");
  const Result r = Savkit("import '" + Path("in.csv") + "' -o '" + out + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.starts_with("savkit: " + out + ": ")) << r.err;
}

// The README's tour, run as printed: every "$ savkit ..." line in its text
// blocks, from a folder holding examples/survey.sav, prints what follows it.
TEST_F(Command, TheReadmeTourIsTrue) {
  std::ifstream readme(std::string(SAVKIT_EXAMPLES) + "/../README.md");
  ASSERT_TRUE(readme);
  std::filesystem::create_directories(Path("examples"));
  std::filesystem::copy_file(std::string(SAVKIT_EXAMPLES) + "/survey.sav", Path("examples/survey.sav"));
  std::vector<std::pair<std::string, std::string>> runs;  // command and what it prints
  bool inText = false;
  for (std::string line; std::getline(readme, line);) {
    if (line == "```text")
      inText = true;
    else if (line == "```")
      inText = false;
    else if (inText && line.starts_with("$ savkit "))
      runs.emplace_back(line.substr(9), "");
    else if (inText && !runs.empty())
      runs.back().second += line + "\n";
  }
  ASSERT_GE(runs.size(), 3u);
  for (const auto& [args, printed] : runs) {
    SCOPED_TRACE(args);
    const std::string cmd =
        "cd '" + dir_.string() + "' && " + SAVKIT_CLI + " " + args + " >'" + Path("tour.out") + "' 2>&1";
    // diff says that files differ with exit code 1.
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(status), args.starts_with("diff ") ? 1 : 0);
    std::string out = Read(Path("tour.out"));
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;) out.erase(at, 1);
    EXPECT_EQ(out, printed);
  }
}

// Import reads records ahead on a worker in both its passes, from a file and
// from a pipe, in batches of many records; under ThreadSanitizer the command
// itself is checked, and a failure on the worker comes out after the rows
// before it, as without one.
TEST_F(Threads, ImportReadsAheadOnAWorker) {
  {
    std::ofstream csv(Path("rows.csv"));
    csv << "n,t\n";
    for (int i = 0; i < 10000; ++i) csv << i << ",w" << i % 17 << "\n";
  }
  auto run = [&](const std::string& how) {
    return std::system(("bash -c \"" + std::string(SAVKIT_CLI) + " import " + how + "\"").c_str());
  };
  ASSERT_EQ(run("'" + Path("rows.csv") + "' -o '" + Path("file.sav") + "' -q"), 0);
  ASSERT_EQ(run("/dev/stdin -o '" + Path("pipe.sav") + "' -q < <(cat '" + Path("rows.csv") + "')"), 0);
  for (const char* name : {"file.sav", "pipe.sav"}) {
    ReadHandle f(Path(name));
    ASSERT_EQ(f.Cases(), 10000);
  }
  {
    std::ofstream bad(Path("bad.csv"), std::ios::binary);
    bad << "n,t\n";
    for (int i = 0; i < 5000; ++i) bad << i << ",x\n";
    bad << "1,2,3\n" << std::string("4,\0\n", 4);  // a row too long, then a NUL byte
  }
  const std::string err = Path("err");
  EXPECT_NE(run("'" + Path("bad.csv") + "' -o '" + Path("bad.sav") + "' 2>'" + err + "'"), 0);
  std::ifstream in(err);
  const std::string message((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(message.find("line 5002 has 3 fields"), std::string::npos) << message;
}

namespace savkit::testing {
namespace {

// Portable files go both ways through convert; encrypted ones open with a
// password from a file (never from the command line), stay encrypted when
// copied unless --decrypt, and --encrypt makes one.
TEST_F(Command, PortableAndEncryptedFiles) {
  const std::string por = Path("p.por"), back = Path("back.sav"), pw = Path("pw.txt");
  EXPECT_EQ(Savkit("convert " + DataPath("portable.sav") + " " + por).code, 0);
  EXPECT_EQ(Savkit("convert " + por + " " + back).code, 0);
  EXPECT_EQ(Savkit("diff " + por + " " + back).code, 0);
  Result wide = Savkit("convert " + DataPath("full.sav") + " " + Path("full.por"));
  EXPECT_EQ(wide.code, 1);
  EXPECT_NE(wide.err.find("big is a string of 1000 bytes; a portable file holds strings of up to 255"),
            std::string::npos)
      << wide.err;
  EXPECT_FALSE(std::filesystem::exists(Path("full.por")));
  EXPECT_EQ(Savkit("convert --compression zlib " + DataPath("portable.sav") + " " + por).code, 2);

  const std::string hotel = DataPath("peers/018_hotel-encrypted.sav");
  Result locked = Savkit("info " + hotel);
  EXPECT_EQ(locked.code, 1);
  EXPECT_NE(locked.err.find("it is encrypted; give its password with --password or --password-file"), std::string::npos)
      << locked.err;
  std::ofstream(pw) << "pspp\n";
  EXPECT_EQ(Savkit("info --password-file " + pw + " " + hotel).code, 0);
  EXPECT_EQ(Savkit("convert --password-file " + pw + " " + hotel + " " + Path("kept.sav")).code, 0);
  EXPECT_EQ(Bytes(Path("kept.sav")).substr(8, 12), "ENCRYPTEDSAV");
  EXPECT_EQ(Savkit("convert --password-file " + pw + " --decrypt " + hotel + " " + Path("plain.sav")).code, 0);
  EXPECT_EQ(Bytes(Path("plain.sav")).substr(0, 4), "$FL2");
  EXPECT_EQ(Savkit("diff --password-file " + pw + " " + Path("plain.sav") + " " + Path("kept.sav")).code, 0);
  EXPECT_EQ(Savkit("convert --password-file " + pw + " --encrypt " + Path("plain.sav") + " " + Path("new.sav")).code,
            0);
  EXPECT_EQ(Bytes(Path("new.sav")).substr(8, 12), "ENCRYPTEDSAV");
  EXPECT_EQ(Savkit("convert --encrypt " + Path("plain.sav") + " " + Path("no.sav")).code, 2);
  EXPECT_EQ(Savkit("convert --password-file " + pw + " " + hotel + " " + Path("h.por")).code, 2);
  Result wrong = Savkit("info --password-file " + DataPath("small.sps") + " " + hotel);
  EXPECT_EQ(wrong.code, 1);
  EXPECT_NE(wrong.err.find("The password does not open the file"), std::string::npos) << wrong.err;
}

}  // namespace
}  // namespace savkit::testing
