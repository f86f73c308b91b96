// The front-end library's facts of a file: what the component holds and what
// only the file keeps, as the front ends show, compare and write them.
#include <gtest/gtest.h>

#include "io_test_support.h"
#include "savkit/front/facts.h"
#include "savkit/front/files.h"
#include "savkit/front/records.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

const front::VariableFacts& Named(const front::FileFacts& f, const std::string& name) {
  for (const front::VariableFacts& v : f.variables)
    if (v.name == name) return v;
  throw std::runtime_error("no variable " + name);
}

}  // namespace

TEST(FrontFacts, AFileSaysWhatItHolds) {
  TSPSSDatafile d;
  front::OpenForReading(d, DataPath("full.sav"));
  const front::FileFacts f = front::ReadFacts(d);
  EXPECT_EQ(f.label,
            "savkit fixture: \xC3\xBCn\xC3\xAF"
            "code");
  EXPECT_EQ(f.cases, 5);
  EXPECT_EQ(f.weight, "wt");
  EXPECT_EQ(front::CompressionName(f.compression), std::string("bytecode"));
  EXPECT_FALSE(f.documents.empty());
  ASSERT_EQ(f.variables.size(), 20u);
  // As many missing values as the variable declares: a range is two.
  EXPECT_EQ(Named(f, "rng").missingType, SPSS_MISS_RANGEANDVAL);
  EXPECT_EQ(Named(f, "rng").missing, (std::vector<Variant>{Variant(1.0), Variant(5.0), Variant(99.0)}));
  EXPECT_EQ(Named(f, "lohi").missing.size(), 2u);
  EXPECT_EQ(Named(f, "s1").missing, (std::vector<Variant>{Variant("no"), Variant("n/a")}));  // without padding
  EXPECT_EQ(Named(f, "stamp").print, (front::Format{SPSS_FMT_DATE_TIME, 20, 0}));
  EXPECT_EQ(Named(f, "big").width, 1000);
  EXPECT_EQ(Named(f, "big").print.width, 1000);
}

TEST(FrontFacts, ACodePageFilesWidthsAreItsOwnBytes) {
  TSPSSDatafile d;
  front::OpenForReading(d, DataPath("codepage-cp1252.sav"));
  const front::FileFacts f = front::ReadFacts(d);
  EXPECT_EQ(f.encoding, "WINDOWS-1252");
  const front::VariableFacts& place = Named(f, "place");
  EXPECT_EQ(place.width, 20);      // as the file holds it
  EXPECT_EQ(place.textWidth, 60);  // as its values come in UTF-8
  EXPECT_EQ(place.print, (front::Format{SPSS_FMT_A, 20, 0}));
  EXPECT_EQ(f.mrSets.size(), 1u);
  // A file's bytes bound the cases a reader makes room for.
  EXPECT_EQ(front::RecordReader(d).MostCases(), f.cases);
}

TEST_F(TempDirTest, ANewFileWritesWhatOnlyAFileKeeps) {
  const std::string path = Path("new.sav");
  {
    front::NewFile out(path);
    front::AddVariable(out.Data(), "city", false, 30);
    front::FileFacts stored;
    stored.encoding = "windows-1252";
    stored.documents = {"First line.", "  Second, indented."};
    stored.attributes = {{"Origin", "test"}};
    front::VariableFacts city;
    city.name = "city";
    city.width = 10;
    city.textWidth = 30;
    city.role = SPSS_ROLE_TARGET;
    city.attributes = {{"Note", "kept"}};
    stored.variables.push_back(city);
    out.CommitHeader(SPSS_COMPRESSION_ZLIB, stored);
    std::string record(out.RecordSize(), ' ');
    record.replace(0, 8, "K\xC3\xB6ln");  // "Köln": 4 bytes in the file
    out.Write(record.data());
    out.Finish();
  }
  TSPSSDatafile d;
  front::OpenForReading(d, path);
  const front::FileFacts f = front::ReadFacts(d);
  EXPECT_EQ(f.encoding, "windows-1252");
  EXPECT_EQ(f.documents, (std::vector<std::string>{"First line.", "  Second, indented."}));
  EXPECT_EQ(f.attributes, (front::Attributes{{"Origin", "test"}}));
  EXPECT_EQ(front::CompressionName(f.compression), std::string("zlib"));
  const front::VariableFacts& city = Named(f, "city");
  EXPECT_EQ(city.width, 10);
  EXPECT_EQ(city.role, SPSS_ROLE_TARGET);
  EXPECT_EQ(city.attributes, (front::Attributes{{"Note", "kept"}}));

  // Dropped unfinished, a new file leaves what was under its name as it was.
  { front::NewFile again(path); }
  TSPSSDatafile e;
  front::OpenForReading(e, path);
  EXPECT_EQ(front::ReadFacts(e).documents.size(), 2u);
}
