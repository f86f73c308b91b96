// Files encrypted with a password: SPSS's opens with its password and with
// no other, ours are decrypted by PSPP, damage is told, and a save keeps a
// file encrypted.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "io_test_support.h"
#include "savkit/datafile_exception.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

namespace savkit::testing {
namespace {

namespace fs = std::filesystem;

const char kSpssFile[] = "peers/018_hotel-encrypted.sav";  // SPSS 22, password "pspp"

int OpenWith(const std::string& path, const char* password, int& h) {
  return spssOpenReadWith(path.c_str(), nullptr, password, &h);
}

// A file's cases as ReadTable gives them, opened with a password.
std::vector<std::vector<std::string>> DecryptedTable(const std::string& path, const char* password,
                                                     const std::string& scratch) {
  int h = -1;
  EXPECT_EQ(OpenWith(path, password, h), SPSS_OK);
  // Copied plain through the library, then read as any file.
  int w = -1;
  EXPECT_EQ(spssOpenWriteCopyHandle(scratch.c_str(), h, &w), SPSS_OK);
  EXPECT_EQ(spssCommitHeader(w), SPSS_OK);
  EXPECT_EQ(CopyCases(h, w), SPSS_OK);
  EXPECT_EQ(spssCloseWrite(w), SPSS_OK);
  spssCloseRead(h);
  return ReadTable(scratch);
}

class Encrypted : public TempDirTest {
 protected:
  static std::string Fault() { return OpenFaultText(); }
};

TEST_F(Encrypted, SpssFileOpensWithItsPasswordOnly) {
  int h = -1;
  EXPECT_EQ(spssOpenRead(DataPath(kSpssFile).c_str(), &h), SPSS_NEEDS_PASSWORD);
  EXPECT_EQ(OpenWith(DataPath(kSpssFile), "psp", h), SPSS_WRONG_PASSWORD);
  EXPECT_EQ(Fault().find("psp"), std::string::npos);  // never in a message
  EXPECT_EQ(OpenWith(DataPath(kSpssFile), "PSPP", h), SPSS_WRONG_PASSWORD);
  ASSERT_EQ(OpenWith(DataPath(kSpssFile), "pspp", h), SPSS_OK);
  int kind = 0;
  EXPECT_EQ(spssGetFileKind(h, &kind), SPSS_OK);
  EXPECT_EQ(kind, SPSS_KIND_ENCRYPTED);
  long cases = 0;
  EXPECT_EQ(spssGetNumberofCases(h, &cases), SPSS_OK);
  EXPECT_EQ(cases, 17);
  // Appending would mean encrypting anew what follows.
  int a = -1;
  EXPECT_NE(spssOpenAppend(DataPath(kSpssFile).c_str(), &a), SPSS_OK);
  spssCloseRead(h);
  const auto ours = DecryptedTable(DataPath(kSpssFile), "pspp", Path("plain.sav"));
  ASSERT_EQ(ours.size(), 18u);
  if (!HavePeer("pspp-convert")) return;
  const std::string cmd =
      "pspp-convert -p pspp '" + DataPath(kSpssFile) + "' '" + Path("pspp.sav") + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadTable(Path("pspp.sav")), ours);
}

// Ours, written with spssSetPassword: only its encrypted form reaches the
// disk, it reads back, and PSPP decrypts it to the same bytes we write plain.
TEST_F(Encrypted, OursDecryptByPspp) {
  const std::string in = DataPath("full.sav"), out = Path("enc.sav");
  int r = -1, w = -1;
  ASSERT_EQ(spssOpenRead(in.c_str(), &r), SPSS_OK);
  ASSERT_EQ(spssOpenWriteCopyHandle(out.c_str(), r, &w), SPSS_OK);
  ASSERT_EQ(spssSetPassword(w, "s3cret-and-longer"), SPSS_OK);
  EXPECT_EQ(spssSetPortable(w), SPSS_NOT_PORTABLE);
  ASSERT_EQ(spssCommitHeader(w), SPSS_OK);
  ASSERT_EQ(CopyCases(r, w), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(w), SPSS_OK);
  spssCloseRead(r);
  const std::string bytes = Bytes(out);
  ASSERT_GT(bytes.size(), 36u);
  EXPECT_EQ(bytes.substr(8, 12), "ENCRYPTEDSAV");
  EXPECT_EQ((bytes.size() - 36) % 16, 0u);
  EXPECT_EQ(bytes.find("Alice"), std::string::npos);
  // Only the first 10 bytes of a password count, as SPSS has it.
  int h = -1;
  ASSERT_EQ(OpenWith(out, "s3cret-and", h), SPSS_OK);
  spssCloseRead(h);
  EXPECT_EQ(DecryptedTable(out, "s3cret-and-longer", Path("plain.sav")), ReadTable(in));
  if (!HavePeer("pspp-convert")) return;
  const std::string cmd = "pspp-convert -p s3cret-and '" + out + "' '" + Path("pspp.sav") + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadTable(Path("pspp.sav")), ReadTable(in));
}

// Cut blocks and a tampered last block are said to be damaged; a tampered
// first block reads as a wrong password (nothing in the format tells them
// apart); none crashes.
TEST_F(Encrypted, DamageIsTold) {
  const std::string whole = Bytes(DataPath(kSpssFile));
  const auto open = [&](const std::string& bytes) {
    std::ofstream(Path("d.sav"), std::ios::binary) << bytes;
    int h = -1;
    const int status = OpenWith(Path("d.sav"), "pspp", h);
    if (status <= 0) spssCloseRead(h);
    return status;
  };
  EXPECT_EQ(open(whole.substr(0, whole.size() - 5)), SPSS_INVALID_FILE);
  EXPECT_NE(Fault().find("cut short"), std::string::npos) << Fault();
  EXPECT_EQ(open(whole.substr(0, 36)), SPSS_INVALID_FILE);
  std::string last = whole;
  last[last.size() - 3] ^= 0x55;
  EXPECT_EQ(open(last), SPSS_INVALID_FILE);
  EXPECT_NE(Fault().find("last encrypted block"), std::string::npos) << Fault();
  std::string first = whole;
  first[40] ^= 0x55;
  EXPECT_EQ(open(first), SPSS_WRONG_PASSWORD);
  for (std::size_t at = 52; at < whole.size() - 16; at += 97) {
    std::string s = whole;
    s[at] ^= 0x10;
    open(s);
  }
}

// The component opens with a password and saves encrypted with it again.
TEST_F(Encrypted, ComponentSaveKeepsEncryption) {
  const std::string path = Path("hotel.sav");
  fs::copy_file(DataPath(kSpssFile), path);
  TSPSSDatafile d;
  d.Set_Filename(path);
  try {
    d.Open();
    ADD_FAILURE() << "opened without its password";
  } catch (const ESPSSDataFileException& e) {
    EXPECT_EQ(e.ErrorCode(), SPSS_NEEDS_PASSWORD);
  }
  d.Set_Password("pspp");
  d.Open();
  EXPECT_TRUE(d.IsEncrypted());
  d.Variables()->Find("v1")->Set_LabelText("Satisfied");
  d.Save();
  d.Close();
  EXPECT_EQ(Bytes(path).substr(8, 12), "ENCRYPTEDSAV");
  int h = -1;
  ASSERT_EQ(OpenWith(path, "pspp", h), SPSS_OK);
  char label[SPSS_MAX_VARLABEL + 1];
  EXPECT_EQ(spssGetVarLabel(h, "v1", label), SPSS_OK);
  EXPECT_STREQ(label, "Satisfied");
  spssCloseRead(h);
}

}  // namespace
}  // namespace savkit::testing
