// A component open for reading on a copy of a fixture, closed after the test.
#pragma once

#include <filesystem>
#include <string>

#include "savkit/model/datafile.h"
#include "temp_dir.h"

namespace savkit::testing {

class Editing : public TempDirTest {
 protected:
  void OpenCopy(const std::string& fixture) {
    path = Path("data.sav");
    std::filesystem::copy_file(DataPath(fixture), path, std::filesystem::copy_options::overwrite_existing);
    d.Set_Filename(path);
    d.Open();
  }
  void TearDown() override {
    d.Close();
    TempDirTest::TearDown();
  }
  TSPSSVariable* Var(const char* name) { return d.Variables()->Find(name); }
  std::string path;
  TSPSSDatafile d;
};

}  // namespace savkit::testing
