// Real files from other programs, each opened in the component, given one
// edit and saved: everything the edit did not touch must read the same as in
// the original, by us (every getter of the C interface, every value), by PSPP
// (documents, attributes, values) and by ReadStat (values), and the edit must
// be there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "dictionary_dump.h"
#include "io/names.h"
#include "io_test_support.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

using Table = std::vector<std::vector<std::string>>;

// DumpDictionary in parts: the file's facts, one block per variable (its line
// and its value labels), and the set definitions.
struct Dump {
  std::map<std::string, std::string> facts;  // label, textinfo, weight, cases
  std::vector<std::string> variables;
  std::string sets;
};

Dump Parse(const std::string& text) {
  Dump d;
  std::stringstream in(text);
  std::string line;
  for (int i = 0; i < 4 && std::getline(in, line); ++i) {
    const std::size_t eq = line.find('=');
    d.facts[line.substr(0, eq)] = line.substr(eq + 1);
  }
  while (std::getline(in, line)) {
    if (line.starts_with("varsets=[") || line.starts_with("mrsets=[") || !d.sets.empty())
      d.sets += line + "\n";
    else if (line.starts_with("  ") && !d.variables.empty())
      d.variables.back() += "\n" + line;
    else
      d.variables.push_back(line);
  }
  return d;
}

// Whole-word replacement of a variable name in set definitions.
std::string RenameWord(const std::string& text, const std::string& from, const std::string& to) {
  return std::regex_replace(text, std::regex("(^|[ =\\n])" + from + "(?=[ \\n]|$)"), "$1" + to);
}

// One edit: what it does to the component, and to a table of values.
struct Edit {
  std::string name;
  std::function<void(TSPSSDatafile&)> apply;
};

// The peers print numbers in their own way: cells are compared apart from
// those the edit wrote, which a peer's table cannot be predicted to show alike.
Table Without(Table t, int column, int row = -1) {
  for (std::size_t r = 0; r < t.size(); ++r) {
    if (column < 0 || static_cast<std::size_t>(column) >= t[r].size()) continue;
    if (row < 0)
      t[r].erase(t[r].begin() + column);
    else if (static_cast<int>(r) == row)
      t[r][static_cast<std::size_t>(column)] = "EDITED";
  }
  return t;
}

class EditedPeerFile : public TempDirTest, public ::testing::WithParamInterface<std::string> {
 protected:
  // Documents and attributes as PSPP shows them, for several files in one run.
  static std::vector<std::string> PsppExtras(const std::vector<std::string>& files) {
    std::string syntax;
    for (const std::string& f : files)
      syntax += "ECHO 'SAVKIT-NEXT'.\nGET FILE='" + f + "'.\nDISPLAY DOCUMENTS.\nDISPLAY @ATTRIBUTES.\n";
    const std::string out = RunPspp(syntax);
    std::vector<std::string> parts;
    for (std::size_t at = out.find("SAVKIT-NEXT"); at != std::string::npos;) {
      const std::size_t next = out.find("SAVKIT-NEXT", at + 1);
      std::string part = out.substr(at, next == std::string::npos ? std::string::npos : next - at);
      for (const std::string& f : files)
        for (std::size_t p; (p = part.find(f)) != std::string::npos;) part.replace(p, f.size(), "FILE");
      part = std::regex_replace(part, std::regex(R"(/[^ :,]*savkit-pspp-[0-9-]+\.sps:[0-9]+)"), "SYNTAX");
      // Warnings on reading the original are not ours to keep: a save mends what it can.
      std::stringstream lines(part);
      part.clear();
      for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.find("`FILE'") == std::string::npos) part += line + "\n";
      parts.push_back(part);
      at = next;
    }
    return parts;
  }

  // The attribute rows without the variable (or label) that heads them.
  static std::multiset<std::string> AttributeRows(const std::string& pspp) {
    std::multiset<std::string> rows;
    std::stringstream in(pspp.substr(std::min(pspp.size(), pspp.find("Table: Variable and Dataset Attributes"))));
    for (std::string line; std::getline(in, line);)
      if (const std::size_t comma = line.find(','); comma != std::string::npos) rows.insert(line.substr(comma));
    return rows;
  }

  static Table TryPeerCsv(const std::string& program, const std::string& path, const std::string& out) {
    std::remove(out.c_str());  // ReadStat does not write over a file
    const std::string cmd = program + " '" + path + "' '" + out + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    return ReadCsv(out);
  }
};

TEST_P(EditedPeerFile, OneEditChangesNothingElse) {
  const std::string source = DataPath("peers/" + GetParam());
  if (GetParam() == "018_hotel-encrypted.sav") GTEST_SKIP() << "encrypted";
  const Dump before = Parse(DumpDictionary(source));
  const Table values = ReadTable(source);
  ASSERT_FALSE(before.variables.empty());
  ASSERT_FALSE(values.empty());
  const int n = static_cast<int>(values[0].size());
  const std::string first = values[0][0], last = values[0].back();
  int numeric = -1;  // the first numeric variable, which the numeric edits take
  for (int i = 0; i < n && numeric < 0; ++i)
    if (before.variables[static_cast<std::size_t>(i)].find(" type=0 ") != std::string::npos) numeric = i;
  const std::string num = numeric >= 0 ? values[0][static_cast<std::size_t>(numeric)] : "";
  const bool hasCases = values.size() > 1;

  std::vector<Edit> edits = {
      {"label", [&](TSPSSDatafile& d) { d.Variables()->Find(first)->Set_LabelText("savkit edited label"); }},
      {"add", [&](TSPSSDatafile& d) { d.Variables()->Add("svk_new", true, 8); }},
      {"rename", [&](TSPSSDatafile& d) { d.Variables()->Find(first)->Set_Name("svk_ren"); }},
  };
  if (n > 1) edits.push_back({"delete", [&](TSPSSDatafile& d) { d.Variables()->Delete(last); }});
  if (numeric >= 0) {
    if (hasCases)
      edits.push_back({"value", [&](TSPSSDatafile& d) { d.Variables()->Find(num)->Set_Value(1, Variant(12345)); }});
    edits.push_back({"value label", [&](TSPSSDatafile& d) {
                       TSPSSValuelabels* labels = d.Variables()->Find(num)->ValueLabels();
                       if (!labels->FindByValue(Variant(98765.0))) labels->Add(Variant(98765.0), "savkit label");
                     }});
    edits.push_back({"missing", [&](TSPSSDatafile& d) {
                       TSPSSVariable* v = d.Variables()->Find(num);
                       v->Set_MissingValueType(1);
                       v->Set_MissingValue1(Variant(99999.0));
                     }});
    edits.push_back({"weight", [&](TSPSSDatafile& d) { d.Variables()->Set_CaseWeightVar(d.Variables()->Find(num)); }});
  }

  // The peers' reading of the original, once.
  const std::string csv = Path("peer.csv");
  std::map<std::string, Table> peerReadings;
  for (const char* peer : {"readstat", "pspp-convert"})
    if (HavePeer(peer)) peerReadings[peer] = TryPeerCsv(peer, source, csv);

  std::vector<std::string> saved;
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.name);
    const std::string path = Path(edit.name + ".sav");
    std::filesystem::copy_file(source, path);
    {
      TSPSSDatafile d;
      d.Set_Filename(path);
      d.Open();
      edit.apply(d);
      d.Save();
    }
    saved.push_back(path);

    // Our reading: the dictionary, variable by variable, and the values.
    Dump expected = before;
    Table table = values;
    const Dump after = Parse(DumpDictionary(path));
    std::string& v0 = expected.variables[0];
    if (edit.name == "label") {
      v0 = v0.substr(0, v0.find(" label=[") + 8) + "savkit edited label" + v0.substr(v0.find("] missing="));
    } else if (edit.name == "add") {
      ASSERT_EQ(after.variables.size(), before.variables.size() + 1);
      EXPECT_TRUE(after.variables.back().starts_with("svk_new type=0 ")) << after.variables.back();
      expected.variables.push_back(after.variables.back());
      table[0].push_back("svk_new");
      for (std::size_t r = 1; r < table.size(); ++r) table[r].push_back(DumpNumber(-DBL_MAX));
    } else if (edit.name == "rename") {
      v0 = "svk_ren" + v0.substr(first.size());
      if (expected.facts["weight"] == first) expected.facts["weight"] = "svk_ren";
      expected.sets = RenameWord(expected.sets, first, "svk_ren");
      table[0][0] = "svk_ren";
    } else if (edit.name == "delete") {
      expected.variables.pop_back();
      if (expected.facts["weight"] == last) expected.facts["weight"] = "";
      expected.sets = after.sets;  // members of the deleted variable leave the sets
      EXPECT_EQ(after.sets.find(" " + last + " "), std::string::npos);
      table = Without(table, n - 1);
    } else if (edit.name == "value") {
      table[1][static_cast<std::size_t>(numeric)] = "12345";
    } else if (edit.name == "value label") {
      std::string& v = expected.variables[static_cast<std::size_t>(numeric)];
      if (v.find("\n  98765 = [") == std::string::npos) v += "\n  98765 = [savkit label]";
    } else if (edit.name == "missing") {
      std::string& v = expected.variables[static_cast<std::size_t>(numeric)];
      const std::size_t at = v.find(" missing=");
      const std::size_t end = v.find('\n', at);
      v = v.substr(0, at) + " missing=1 99999" + (end == std::string::npos ? "" : v.substr(end));
    } else if (edit.name == "weight") {
      expected.facts["weight"] = num;
    }
    EXPECT_EQ(after.facts, expected.facts);
    ASSERT_EQ(after.variables.size(), expected.variables.size());
    for (std::size_t i = 0; i < after.variables.size(); ++i) EXPECT_EQ(after.variables[i], expected.variables[i]);
    EXPECT_EQ(after.sets, expected.sets);
    EXPECT_EQ(ReadTable(path), table);

    // The peers' values.
    for (const auto& [peer, read] : peerReadings) {
      SCOPED_TRACE(peer);
      if (read.empty()) continue;  // a peer that refuses the original
      Table theirs = read;
      Table ours = TryPeerCsv(peer, path, csv);
      ASSERT_FALSE(ours.empty());
      if (edit.name == "add") ours = Without(ours, n);
      if (edit.name == "delete") theirs = Without(theirs, n - 1);
      if (edit.name == "rename") ours[0][0] = theirs[0][0];
      if (edit.name == "value") ours = Without(ours, numeric, 1), theirs = Without(theirs, numeric, 1);
      // A file without long names names its variables by their short names as
      // stored (the format guide), which PSPP lower-cases; once an edit adds a
      // long name, PSPP shows the others as stored. Names ignore case anyway.
      for (Table* t : {&ours, &theirs})
        for (std::string& name : (*t)[0]) name = savkit::io::LowerAscii(name);
      EXPECT_EQ(ours, theirs);
    }
  }

  // PSPP's documents and attributes.
  if (!HavePeer("pspp")) return;
  std::vector<std::string> files{source};
  files.insert(files.end(), saved.begin(), saved.end());
  const std::vector<std::string> extras = PsppExtras(files);
  ASSERT_EQ(extras.size(), files.size());
  const std::string& original = extras[0];
  for (std::size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(edits[i].name);
    const std::string& edited = extras[i + 1];
    const auto documents = [](const std::string& s) { return s.substr(0, s.find("Table: Variable and Dataset")); };
    EXPECT_EQ(documents(edited), documents(original));
    if (edits[i].name == "delete") {
      for (const std::string& row : AttributeRows(edited)) EXPECT_TRUE(AttributeRows(original).count(row)) << row;
    } else {
      // Labels and names head the rows; a label or name edit changes only them.
      EXPECT_EQ(AttributeRows(edited), AttributeRows(original));
    }
  }
}

std::vector<std::string> PeerFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(DataPath("peers"))) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ParamName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, EditedPeerFile, ::testing::ValuesIn(PeerFiles()), ParamName);

}  // namespace
