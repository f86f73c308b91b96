// Case marks, which bring another opening of a file straight to a case, and
// reading a file in an encoding the caller names.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "io_test_support.h"
#include "temp_dir.h"

namespace savkit::testing {
namespace {

using Mark = std::array<unsigned char, SPSS_CASE_MARK_SIZE>;

class CaseMarks : public TempDirTest, public ::testing::WithParamInterface<int> {
 protected:
  // Cases of three numbers and a text whose compressed length varies, so
  // that a case's place follows from no count.
  std::string Write(int compression, long cases) {
    const std::string path = Path("marks.sav");
    int h = -1;
    EXPECT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
    EXPECT_EQ(spssSetCompression(h, compression), SPSS_OK);
    for (const char* name : {"a", "b", "c"}) EXPECT_EQ(spssSetVarName(h, name, 0), SPSS_OK);
    EXPECT_EQ(spssSetVarName(h, "t", 40), SPSS_OK);
    EXPECT_EQ(spssCommitHeader(h), SPSS_OK);
    double t = 0;
    EXPECT_EQ(spssGetVarHandle(h, "t", &t), SPSS_OK);
    for (long c = 0; c < cases; ++c) {
      for (int v = 0; v < 3; ++v) EXPECT_EQ(spssSetValueNumeric(h, v, c % 7 == v ? -1.5 + c : c % 100), SPSS_OK);
      EXPECT_EQ(spssSetValueChar(h, t, std::string(static_cast<std::size_t>(c % 37), 'x').c_str()), SPSS_OK);
      EXPECT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    }
    EXPECT_EQ(spssCloseWrite(h), SPSS_OK);
    return path;
  }
};

// The mark of case c, taken on a handle of its own.
std::pair<long long, Mark> MarkAt(const std::string& path, long c) {
  ReadHandle f(path);
  Mark m;
  long long at = -1;
  EXPECT_EQ(spssSeekNextCase(f.handle, c), SPSS_OK);
  EXPECT_EQ(spssGetCaseMark(f.handle, &at, m.data()), SPSS_OK);
  return {at, m};
}

std::vector<std::vector<std::string>> AllCases(const std::string& path) {
  ReadHandle f(path);
  const auto vars = f.Variables();
  std::vector<std::vector<std::string>> out(static_cast<std::size_t>(f.Cases()));
  for (auto& values : out) EXPECT_EQ(f.ReadCase(vars, values), SPSS_OK);
  return out;
}

TEST_P(CaseMarks, BringAnotherOpeningToTheCase) {
  constexpr long kCases = 1000;
  const std::string path = Write(GetParam(), kCases);
  const auto expected = AllCases(path);
  std::vector<std::pair<long long, Mark>> marks;
  for (long c : {0L, 1L, 31L, 32L, 33L, 500L, 999L, 1000L}) {
    marks.push_back(MarkAt(path, c));
    EXPECT_EQ(marks.back().first, c);
  }
  ReadHandle g(path);
  const auto vars = g.Variables();
  std::vector<std::string> values;
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {  // backwards: no decoding could get there on the way
    ASSERT_EQ(spssSeekCaseMark(g.handle, it->first, it->second.data()), SPSS_OK) << it->first;
    if (it->first == kCases) {
      EXPECT_EQ(g.ReadCase(vars, values), SPSS_FILE_END);
      continue;
    }
    ASSERT_EQ(g.ReadCase(vars, values), SPSS_OK);
    EXPECT_EQ(values, expected[static_cast<std::size_t>(it->first)]) << it->first;
    ASSERT_EQ(g.ReadCase(vars, values), it->first + 1 < kCases ? SPSS_OK : SPSS_FILE_END);  // and reads on
    if (it->first + 1 < kCases) {
      EXPECT_EQ(values, expected[static_cast<std::size_t>(it->first + 1)]);
    }
  }
}

TEST_P(CaseMarks, OfAnotherFileOrShapeAreRefused) {
  const std::string path = Write(GetParam(), 100);
  const auto [at, m] = MarkAt(path, 50);
  ReadHandle other(DataPath("full.sav"));
  EXPECT_EQ(spssSeekCaseMark(other.handle, 2, m.data()), SPSS_INVALID_CASE);
  ReadHandle f(path);
  EXPECT_EQ(spssSeekCaseMark(f.handle, 101, m.data()), SPSS_INVALID_CASE);
  Mark forged = m;
  forged[23] ^= 1;
  EXPECT_EQ(spssSeekCaseMark(f.handle, at, forged.data()), SPSS_INVALID_CASE);
  EXPECT_EQ(spssSeekCaseMark(f.handle, at, nullptr), SPSS_INVALID_CASE);
  EXPECT_EQ(spssSeekCaseMark(f.handle, at, m.data()), SPSS_OK);
}

// A mark whose check is right but whose place is made up (a caller's bug,
// or bytes from anywhere) gives statuses or wrong values, never a crash.
TEST_P(CaseMarks, MadeUpPlacesAreReadSafely) {
  const std::string path = Write(GetParam(), 300);
  const auto [at, m] = MarkAt(path, 100);
  ReadHandle f(path);
  std::vector<char> record(static_cast<std::size_t>(f.CaseSize()));
  unsigned state = 12345;
  const auto next = [&state] { return state = state * 1103515245u + 12345u, static_cast<unsigned char>(state >> 16); };
  for (int round = 0; round < 500; ++round) {
    Mark forged = m;
    for (int i = 0; i < 17; ++i)
      if (next() % 3 == 0) forged[static_cast<std::size_t>(i)] = next();
    forged[16] %= 9;
    if (spssSeekCaseMark(f.handle, at, forged.data()) != SPSS_OK) continue;
    for (int c = 0; c < 5 && spssWholeCaseIn(f.handle, record.data()) == SPSS_OK; ++c) {
    }
  }
  ASSERT_EQ(spssSeekCaseMark(f.handle, at, m.data()), SPSS_OK);  // and the true place still reads right
  EXPECT_EQ(spssWholeCaseIn(f.handle, record.data()), SPSS_OK);
}

INSTANTIATE_TEST_SUITE_P(Compressions, CaseMarks,
                         ::testing::Values(SPSS_COMPRESSION_NONE, SPSS_COMPRESSION_BYTECODE, SPSS_COMPRESSION_ZLIB));

std::string IdString(int handle) {
  char text[SPSS_MAX_IDSTRING + 1] = {};
  EXPECT_EQ(spssGetIdString(handle, text), SPSS_OK);
  return text;
}

// latin1.sav says it is windows-1252; a caller who knows better is heard.
TEST(ReadEncoding, TheCallersEncodingOverTheFiles) {
  const std::string path = DataPath("latin1.sav");
  int h = -1;
  ASSERT_EQ(spssOpenReadEncoded(path.c_str(), "ISO-8859-7", &h), SPSS_OK);
  EXPECT_EQ(IdString(h), "Donnιes");  // the byte of "é" is "ι" in Greek
  char encoding[SPSS_MAX_ENCODING + 1];
  ASSERT_EQ(spssGetFileEncoding(h, encoding), SPSS_OK);
  EXPECT_STREQ(encoding, "ISO-8859-7");
  spssCloseRead(h);
  ASSERT_EQ(spssOpenReadEncoded(path.c_str(), "windows-1252", &h), SPSS_OK);
  EXPECT_EQ(IdString(h), "Données");
  spssCloseRead(h);
  EXPECT_EQ(spssOpenReadEncoded(path.c_str(), "no-such-encoding", &h), SPSS_INVALID_FILE);
  EXPECT_EQ(spssOpenReadEncoded(path.c_str(), "", &h), SPSS_INVALID_FILE);
  EXPECT_EQ(spssOpenReadEncoded(path.c_str(), nullptr, &h), SPSS_INVALID_FILE);
}

}  // namespace
}  // namespace savkit::testing
