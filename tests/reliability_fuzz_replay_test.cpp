// The inputs the fuzz targets once failed on, kept minimised, read again on
// every build: each must be refused cleanly or read, never crash.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/read_everything.h"

namespace fs = std::filesystem;

TEST(FuzzReplay, EveryKeptInputReadsOrIsRefusedThroughLibraryAndComponent) {
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(SAVKIT_FUZZ_REGRESSIONS)) {
    if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
    SCOPED_TRACE(entry.path().filename().string());
    savkit::fuzzing::ReadThroughLibrary(entry.path().c_str());
    savkit::fuzzing::ReadThroughComponent(entry.path().string());
    ++replayed;
  }
  RecordProperty("replayed", replayed);
}
