// The files open through the API, by handle.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "case_reader.h"
#include "dictionary.h"
#include "text_codec.h"

namespace savkit::io {

struct OpenFile {
  enum class Mode { Read, Append, Write };

  OpenFile() = default;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  // The variable of that name (exact, else ignoring ASCII case), or null.
  const Variable* Find(const char* name) const;
  void IndexNames();

  Mode mode = Mode::Read;
  int fd = -1;
  Dictionary dict;
  TextCodec codec;
  std::unique_ptr<CaseReader> reader;
  std::unordered_map<std::string, int> exact;
  std::unordered_map<std::string, int> folded;
};

// Reads a file's dictionary and prepares its cases; returns a status.
int OpenForReading(const char* path, std::unique_ptr<OpenFile>& file);

namespace handles {
constexpr int kMaxOpen = 128;
// The handle of the registered file, or -1 when the table is full.
int Add(std::unique_ptr<OpenFile> file);
OpenFile* Get(int handle);
std::unique_ptr<OpenFile> Remove(int handle);
}  // namespace handles

}  // namespace savkit::io
