// The thread contract of the C interface: distinct handles on distinct
// threads at once. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "io_test_support.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

// Every value of a file, value by value, as text.
std::vector<std::string> ValueByValue(const std::string& path) {
  std::vector<std::string> out;
  ReadHandle f(path);
  if (f.status > 0) return {"cannot open"};
  std::vector<double> handles;
  const auto vars = f.Variables();
  for (const VarInfo& v : vars) {
    handles.push_back(-1);
    spssGetVarHandle(f.handle, v.name.c_str(), &handles.back());
  }
  std::string text(SPSS_MAX_LONGSTRING + 1, '\0');
  while (spssReadCaseRecord(f.handle) == SPSS_OK) {
    for (std::size_t i = 0; i < vars.size(); ++i) {
      double d = 0;
      if (vars[i].type == 0 ? spssGetValueNumeric(f.handle, handles[i], &d)
                            : spssGetValueChar(f.handle, handles[i], text.data(), static_cast<int>(text.size())))
        return {"cannot read"};
      out.push_back(vars[i].type == 0 ? std::to_string(d) : std::string(text.c_str()));
    }
  }
  return out;
}

// Every value of a file through the component, as text.
std::vector<std::string> ThroughTheComponent(const std::string& path) {
  savkit::TSPSSDatafile d;
  d.Set_Filename(path);
  d.Open();
  std::vector<std::string> out;
  for (int c = 1; c <= d.Cases()->Count(); ++c)
    for (int v = 0; v < d.Variables()->Count(); ++v) out.push_back(d.Cases()->Get_Case(c)->GetValue(v).ToString());
  return out;
}

}  // namespace

// Readers on many threads, while others create and complete files: every
// reader sees what a lone reader sees, and every file written is whole.
TEST_F(Threads, ReadAndWriteThroughTheirOwnHandles) {
  const std::vector<std::string> files = {DataPath("full.sav"), DataPath("full.zsav"), DataPath("latin1.sav"),
                                          DataPath("small.sav"), DataPath("codepage-sjis.sav")};
  std::vector<std::vector<std::string>> expected;
  for (const std::string& file : files) expected.push_back(ValueByValue(file));

  constexpr int kReaders = 6, kWriters = 2, kRounds = 4;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kReaders; ++t)
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r)
        for (std::size_t i = 0; i < files.size(); ++i)
          if (ValueByValue(files[(i + static_cast<std::size_t>(t)) % files.size()]) !=
              expected[(i + static_cast<std::size_t>(t)) % files.size()])
            ++failures;
    });
  for (int t = 0; t < kWriters; ++t)
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r) {
        const std::string path = Path("w" + std::to_string(t) + "-" + std::to_string(r) + ".sav");
        int h = -1;
        bool ok = spssOpenWrite(path.c_str(), &h) == SPSS_OK && spssSetVarName(h, "n", 0) == SPSS_OK &&
                  spssCommitHeader(h) == SPSS_OK;
        for (int c = 0; ok && c < 100; ++c)
          ok = spssSetValueNumeric(h, 0, c) == SPSS_OK && spssCommitCaseRecord(h) == SPSS_OK;
        ok = ok && spssCloseWrite(h) == SPSS_OK;
        if (!ok || ValueByValue(path).size() != 100) ++failures;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

// Data file components on threads of their own, each with its own file.
TEST_F(Threads, DataFilesOnThreadsOfTheirOwn) {
  const std::vector<std::string> files = {DataPath("full.sav"), DataPath("latin1.sav"), DataPath("codepage-gbk.sav")};
  std::vector<std::vector<std::string>> expected;
  for (const std::string& file : files) expected.push_back(ThroughTheComponent(file));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (std::size_t i = 0; i < files.size(); ++i) {
        const std::size_t k = (i + static_cast<std::size_t>(t)) % files.size();
        if (ThroughTheComponent(files[k]) != expected[k]) ++failures;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

// A ZLIB file of several blocks, read on while the next block inflates on a
// worker thread, and read by jumps, which start no worker, on two handles at once.
TEST_F(Threads, ZlibBlocksInflateAheadOfTheReader) {
  constexpr long kCases = 400000;  // about 9.6 MB of data: three blocks
  const auto value = [](long c, int v) { return static_cast<double>(c) * 1.000001 + v; };
  const std::string path = Path("blocks.zsav");
  int h = -1;
  ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetCompression(h, SPSS_COMPRESSION_ZLIB), SPSS_OK);
  for (const char* name : {"a", "b", "c"}) ASSERT_EQ(spssSetVarName(h, name, 0), SPSS_OK);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  for (long c = 0; c < kCases; ++c) {
    for (int v = 0; v < 3; ++v) ASSERT_EQ(spssSetValueNumeric(h, v, value(c, v)), SPSS_OK);
    ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
  }
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);

  std::atomic<long> wrong{0};
  const auto sequential = [&] {
    ReadHandle f(path);
    double d = 0;
    for (long c = 0; c < kCases; ++c) {
      if (spssReadCaseRecord(f.handle) != SPSS_OK) return ++wrong, void();
      for (int v = 0; v < 3; ++v)
        if (spssGetValueNumeric(f.handle, v, &d) != SPSS_OK || d != value(c, v)) ++wrong;
    }
    if (spssReadCaseRecord(f.handle) != SPSS_FILE_END) ++wrong;
  };
  const auto jumps = [&] {
    ReadHandle f(path);
    double d = 0;
    for (const long c : {350000L, 10L, 200000L, 399999L, 0L, 150001L}) {
      if (spssSeekNextCase(f.handle, c) != SPSS_OK || spssReadCaseRecord(f.handle) != SPSS_OK ||
          spssGetValueNumeric(f.handle, 2, &d) != SPSS_OK || d != value(c, 2))
        ++wrong;
    }
  };
  std::thread a(sequential), b(jumps), c(sequential);
  a.join(), b.join(), c.join();
  EXPECT_EQ(wrong.load(), 0);
}
