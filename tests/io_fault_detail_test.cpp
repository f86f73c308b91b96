// Why a file is bad: each kind of damage gives its status as before, and the
// detail names the fault and a byte inside the file where it lies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "io_test_support.h"
#include "sav_builder.h"
#include "savkit/spssio.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

struct Detail {
  std::string text;
  long long offset = -1;
};

Detail FaultOf(int handle) {
  Detail d;
  char text[300];
  EXPECT_EQ(spssGetFaultDetail(handle, text, sizeof text, &d.offset), SPSS_OK);
  d.text = text;
  return d;
}

// A file of one number and one 8-byte string, cases uncompressed.
SavBuilder TwoVariables(int cases) {
  SavBuilder b;
  b.Header(2, 0, 0, cases).Variable("N", 0).Variable("S", 8);
  return b;
}

class FaultDetail : public TempDirTest {
 protected:
  // Opening the bytes must fail with status; the detail of the failed open.
  Detail Refused(const std::vector<std::uint8_t>& bytes, int status) {
    const std::string path = Path("bad.sav");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    int h = -1;
    EXPECT_EQ(spssOpenRead(path.c_str(), &h), status);
    return FaultOf(-1);
  }
};

}  // namespace

TEST_F(FaultDetail, DictionaryDamageNamesTheRecordAndWhereItStarts) {
  // A record cut by the end of the file.
  SavBuilder b = TwoVariables(1);
  const auto at = static_cast<long long>(b.Bytes().size());
  b.Extension(22, 1, 40, std::vector<std::uint8_t>(40, 'x'));
  std::vector<std::uint8_t> cut = b.Bytes();
  cut.resize(cut.size() - 20);
  Detail d = Refused(cut, SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "extension record of subtype 22 claims 40 items of 1 bytes, more than the file holds");
  EXPECT_EQ(d.offset, at);
  cut.resize(static_cast<std::size_t>(at) + 12);
  d = Refused(cut, SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "extension record of subtype 22 ends unexpectedly");
  EXPECT_EQ(d.offset, at);

  // A count no file of this size can hold.
  SavBuilder counts = TwoVariables(1);
  const auto labels = static_cast<long long>(counts.Bytes().size());
  counts.Int(3).Int(1000000000).Double(1).Int(0x20202000).Int(0x20202020);
  d = Refused(counts.Bytes(), SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "value label record claims 1000000000 labels, more than the file holds");
  EXPECT_EQ(d.offset, labels);

  // A field out of its range, a record of no known type, and no end.
  SavBuilder width;
  width.Header(2, 0, 0, 1).Variable("N", 0).Int(2).Int(300).Int(0).Int(0).Int(0).Int(0).Text("W", 8);
  d = Refused(width.Bytes(), SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "variable record has the width 300, not -1 to 255");
  EXPECT_EQ(d.offset, 176 + 32);
  SavBuilder type = TwoVariables(1);
  type.Int(5).Int(0);
  d = Refused(type.Bytes(), SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "record has the type 5, which no dictionary record has");
  EXPECT_EQ(d.offset, 176 + 64);
  d = Refused(TwoVariables(1).Bytes(), SPSS_NO_TYPE999);
  EXPECT_EQ(d.text, "the dictionary has no end (record type 999)");
  EXPECT_EQ(d.offset, 176 + 64);
  d = Refused(std::vector<std::uint8_t>(100, 'x'), SPSS_INVALID_FILE);
  EXPECT_EQ(d.text, "the file is shorter than a file header (100 of 176 bytes)");

  // Each open starts afresh: a good one leaves nothing behind.
  ReadHandle good(DataPath("full.sav"));
  ASSERT_EQ(good.status, SPSS_OK);
  EXPECT_EQ(FaultOf(-1).text, "");
  EXPECT_EQ(FaultOf(good.handle).text, "");
  EXPECT_EQ(FaultOf(good.handle).offset, -1);
}

TEST_F(FaultDetail, ACaseCutShortIsNamedWhereItStarts) {
  // The header does not say how many cases: the file opens with a warning.
  SavBuilder b = TwoVariables(-1);
  b.EndDictionary();
  const auto data = static_cast<long long>(b.Bytes().size());
  b.Double(1).Text("a", 8).Double(2);
  b.Save(Path("cut.sav"));
  int h = -1;
  ASSERT_EQ(spssOpenRead(Path("cut.sav").c_str(), &h), SPSS_DATA_CUT);
  Detail d = FaultOf(h);
  EXPECT_EQ(d.text, "case 2, which starts here, is cut short: the data end inside it");
  EXPECT_EQ(d.offset, data + 16);
  spssCloseRead(h);

  // It says it has two: reading the second fails, and says why.
  SavBuilder declared = TwoVariables(2);
  declared.EndDictionary().Double(1).Text("a", 8).Double(2);
  declared.Save(Path("declared.sav"));
  ReadHandle f(Path("declared.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  long size = 0;
  ASSERT_EQ(spssGetCaseSize(f.handle, &size), SPSS_OK);
  std::vector<char> record(static_cast<std::size_t>(size));
  EXPECT_EQ(spssWholeCaseIn(f.handle, record.data()), SPSS_OK);
  EXPECT_EQ(spssWholeCaseIn(f.handle, record.data()), SPSS_FILE_RERROR);
  d = FaultOf(f.handle);
  EXPECT_EQ(d.text, "case 2, which starts here, is cut short: the data end inside it");
  EXPECT_EQ(d.offset, data + 16);

  // Bytecode: an end code inside a case.
  SavBuilder code;
  code.Header(2, 1, 0, 1).Variable("N", 0).Variable("S", 8).EndDictionary();
  const auto start = static_cast<long long>(code.Bytes().size());
  code.Raw({101, 252, 0, 0, 0, 0, 0, 0});
  code.Save(Path("code.sav"));
  ReadHandle c(Path("code.sav"));
  ASSERT_EQ(c.status, SPSS_OK);
  EXPECT_EQ(spssWholeCaseIn(c.handle, record.data()), SPSS_FILE_RERROR);
  d = FaultOf(c.handle);
  EXPECT_EQ(d.text, "case 1, which starts here, is cut short: an end-of-data code stands inside it");
  EXPECT_EQ(d.offset, start);

  EXPECT_EQ(spssGetFaultDetail(12345, record.data(), 16, nullptr), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssGetFaultDetail(c.handle, nullptr, 0, nullptr), SPSS_BUFFER_SHORT);
}

// A ZLIB block that does not inflate is named with the byte where it starts.
TEST_F(FaultDetail, ABlockThatDoesNotInflateIsNamed) {
  std::string bytes = Bytes(DataPath("full.zsav"));
  // The data's header begins with its own offset.
  std::size_t header = 0;
  for (std::size_t p = 176; p + 8 <= bytes.size() && !header; ++p) {
    std::int64_t v;
    std::memcpy(&v, bytes.data() + p, 8);
    if (v == static_cast<std::int64_t>(p)) header = p;
  }
  ASSERT_NE(header, 0u);
  const std::size_t block = header + 24;
  for (std::size_t i = block + 4; i < block + 40; ++i) bytes[i] = static_cast<char>(~bytes[i]);
  std::ofstream(Path("bad.zsav"), std::ios::binary) << bytes;
  ReadHandle f(Path("bad.zsav"));
  ASSERT_EQ(f.status, SPSS_OK);
  long size = 0;
  spssGetCaseSize(f.handle, &size);
  std::vector<char> record(static_cast<std::size_t>(size));
  EXPECT_EQ(spssWholeCaseIn(f.handle, record.data()), SPSS_FILE_RERROR);
  const Detail d = FaultOf(f.handle);
  EXPECT_EQ(d.text, "ZLIB block 1 of 1 cannot be read or does not inflate");
  EXPECT_EQ(d.offset, static_cast<long long>(block));
}

// What is not a file says so, for reading and for writing.
TEST_F(FaultDetail, FoldersAndMissingFilesSaySo) {
  int h = -1;
  EXPECT_EQ(spssOpenRead(dir_.c_str(), &h), SPSS_FILE_OERROR);
  EXPECT_EQ(FaultOf(-1).text, "it is a folder");
  EXPECT_EQ(spssOpenRead(Path("none.sav").c_str(), &h), SPSS_FILE_OERROR);
  EXPECT_EQ(FaultOf(-1).text, "No such file or directory");
  EXPECT_EQ(spssOpenWrite(dir_.c_str(), &h), SPSS_FILE_OERROR);
  EXPECT_EQ(FaultOf(-1).text, "it is a folder");
  EXPECT_EQ(spssOpenWrite("/dev/null", &h), SPSS_FILE_OERROR);
  EXPECT_EQ(FaultOf(-1).text, "it is a device, not a regular file");
}
