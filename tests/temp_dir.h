// A scratch folder for tests that write real files, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace savkit::testing {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';  // parameterised tests have slashes in their names
    dir_ = std::filesystem::temp_directory_path() / ("savkit-" + std::to_string(::getpid()) + "-" + name);
    // A death test's child sets up again and exits without tearing down: its
    // folder stays, and a later process given the same id must not find it.
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

// Tests of work on several threads, which CI also runs under ThreadSanitizer.
class Threads : public TempDirTest {};

// A file's whole content.
inline std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Where the committed fixtures are.
inline std::string DataPath(const std::string& name) { return std::string(SAVKIT_TEST_DATA) + "/" + name; }

}  // namespace savkit::testing
