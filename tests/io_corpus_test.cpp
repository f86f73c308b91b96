// Real files from other programs, copied with spssOpenWriteCopy in each
// compression: what we read of the copy, and what PSPP and ReadStat read of
// it, must equal what the same readers read of the original.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "dictionary_dump.h"
#include "fuzz/read_everything.h"
#include "io_test_support.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

std::vector<std::string> PeerFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(DataPath("peers"))) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// PSPP's description of a dictionary: its tables, and apart from them the
// warnings it gave reading the file (without their file offsets).
struct PsppView {
  std::string tables;
  std::set<std::string> warnings;
};

PsppView PsppDictionary(const std::string& path) {
  std::string text = RunPspp("GET FILE='" + path +
                             "'.\nDISPLAY DICTIONARY.\nDISPLAY DOCUMENTS.\nDISPLAY @ATTRIBUTES.\n"
                             "MRSETS /DISPLAY NAME=ALL.\nDISPLAY VECTORS.\n");
  // PSPP names the syntax file and the file it read in its notes.
  text = std::regex_replace(text, std::regex(R"(/[^ :,]*savkit-pspp-[0-9-]+\.sps)"), "SYNTAX");
  for (std::size_t at; (at = text.find(path)) != std::string::npos;) text.replace(at, path.size(), "FILE");
  PsppView view;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find("`FILE'") != std::string::npos) {
      view.warnings.insert(std::regex_replace(line, std::regex(" near offset 0x[0-9a-f]+"), ""));
    } else if (!line.empty()) {
      view.tables += line + "\n";
    }
  }
  return view;
}

// A peer's CSV reading, or nothing when the peer refuses the file.
std::vector<std::vector<std::string>> TryPeerCsv(const std::string& program, const std::string& path,
                                                 const std::string& out) {
  const std::string cmd = program + " '" + path + "' '" + out + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return ReadCsv(out);
}

class PeerFile : public TempDirTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(PeerFile, CopiesReadBackTheSame) {
  const std::string source = DataPath("peers/" + GetParam());
  if (GetParam() == "018_hotel-encrypted.sav") {
    int h;
    EXPECT_GT(spssOpenRead(source.c_str(), &h), 0) << "an encrypted file is refused";
    return;
  }
  const std::string dictionary = DumpDictionary(source);
  ASSERT_FALSE(dictionary.empty());
  const auto values = ReadTable(source);
  ASSERT_FALSE(values.empty());
  for (int compression : {-1, 0, 1, 2}) {
    SCOPED_TRACE(compression);
    const std::string copy = Path("copy" + std::to_string(compression) + ".sav");
    ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(source.c_str(), copy.c_str(), compression), 0);
    EXPECT_EQ(DumpDictionary(copy), dictionary);
    EXPECT_EQ(ReadTable(copy), values);
    if (::testing::Test::HasFailure()) return;
  }
  // The peers, on the copy in the source's own compression.
  const std::string copy = Path("copy-1.sav");
  const std::string csv = Path("peer.csv");
  for (const char* peer : {"readstat", "pspp-convert"}) {
    if (!HavePeer(peer)) continue;
    // A peer that refuses the original (ReadStat refuses some damaged ones) reads the copy.
    const auto theirs = TryPeerCsv(peer, source, csv);
    const auto ours = TryPeerCsv(peer, copy, csv);
    EXPECT_FALSE(ours.empty()) << peer;
    if (!theirs.empty()) {
      EXPECT_EQ(ours, theirs) << peer;
    }
  }
  if (HavePeer("pspp")) {
    const PsppView theirs = PsppDictionary(source), ours = PsppDictionary(copy);
    EXPECT_EQ(ours.tables, theirs.tables);
    // The copy mends what PSPP warned of in the original, and adds nothing to warn of.
    for (const std::string& w : ours.warnings) EXPECT_TRUE(theirs.warnings.count(w)) << w;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PeerFile, ::testing::ValuesIn(PeerFiles()), [](const auto& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

}  // namespace
