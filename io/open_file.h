// The files open through the API, by handle.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "case_reader.h"
#include "case_writer.h"
#include "dictionary.h"
#include "mrsets.h"
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

  // Writing and appending.
  int writeFd = -1;
  std::string target;  // the file that closing makes
  std::string temp;    // where a new file is written until then
  bool committed = false;
  std::vector<MrSet> mrSets;
  std::vector<std::uint8_t> record;  // the case that spssSetValue... fill
  std::unique_ptr<CaseWriter> writer;
  TextEncoder encoder;  // appending to a file in another encoding
  std::int64_t written = 0;
};

// Reads a file's dictionary and prepares its cases; returns a status.
int OpenForReading(const char* path, std::unique_ptr<OpenFile>& file);
// Creates the scratch file that a new file is written to until it is closed.
int CreateForWriting(const char* path, OpenFile& file);
// Prepares an open file for appending cases to it.
int PrepareAppend(OpenFile& file);
// Completes a new file, or the cases appended; the file is gone either way.
int FinishWriting(std::unique_ptr<OpenFile> file);

namespace handles {
constexpr int kMaxOpen = 128;
// The handle of the registered file, or -1 when the table is full.
int Add(std::unique_ptr<OpenFile> file);
OpenFile* Get(int handle);
std::unique_ptr<OpenFile> Remove(int handle);
}  // namespace handles

}  // namespace savkit::io
