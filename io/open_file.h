// The files open through the API, by handle.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "case_reader.h"
#include "case_writer.h"
#include "dictionary.h"
#include "fault.h"
#include "encryption.h"
#include "mrsets.h"
#include "portable.h"
#include "io/pending_file.h"
#include "io/text_codec.h"

namespace savkit::io {

// What appending changes in a file, as it was before.
struct AppendUndo {
  std::uint64_t from = 0;          // where tail starts
  std::vector<std::uint8_t> tail;  // the bytes from there to the end
  std::uint8_t count[4] = {};
  std::uint8_t extendedCount[8] = {};
  bool pending = false;  // the file is changed and not yet complete
};

// The most that may follow the last case of a file appended to.
constexpr std::uint64_t kMaxAppendTail = 1 << 20;

// What reading a file needs: its cases, and what went wrong opening it.
struct Reading {
  std::unique_ptr<CaseReader> reader;
  bool haveRecord = false;  // record holds the case spssReadCaseRecord read
  Fault fault;              // the first fault met opening it; the reader keeps those met after
};

// What writing a new file or appending cases needs: where the bytes go, in
// which encoding, and how far they got.
struct Writing {
  int fd = -1;
  std::string target;   // the file that closing makes, or appends to
  PendingFile pending;  // a new file's, until it is complete
  bool committed = false;
  bool broken = false;  // writing the dictionary failed: the file is never completed
  std::unique_ptr<CaseWriter> writer;
  bool portable = false;  // the new file is a portable file
  Secret password;        // the new file is encrypted with it; fd is then its plain bytes in memory
  std::unique_ptr<PortableWriter> portableWriter;
  TextEncoder encoder;  // the file's encoding, where it is not UTF-8
  std::int64_t written = 0;
  AppendUndo undo;  // appending: the bytes to put back
};

// What a new file whose dictionary was copied from another needs when its
// variables are defined anew: the copied ones set aside, found by FoldName,
// and which of them a variable carries on already.
struct Copying {
  bool restarted = false;
  std::vector<Variable> setAside;
  std::unordered_map<std::string, int> setAsideFolded;
  std::vector<char> setAsideTaken;
};

struct OpenFile {
  enum class Mode { Read, Append, Write };

  OpenFile() = default;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  // The variable of that name (exact, else ignoring ASCII case), or null.
  const Variable* Find(const char* name) const;
  void IndexNames();
  // Puts the bytes an append changed back as they were.
  void UndoAppend();
  // Every value of the case record system-missing or blank.
  void ClearRecord();

  Mode mode = Mode::Read;
  int fd = -1;
  Dictionary dict;
  TextCodec codec;
  std::unordered_map<std::string, int> exact;
  std::unordered_map<std::string, int> folded;  // by FoldName
  std::vector<MrSet> mrSets;
  std::vector<std::uint8_t> record;  // the case that spssSetValue... fill, or the one read

  Reading in;                   // reading, and appending (which reads first)
  Writing out;                  // writing and appending
  std::optional<Copying> copy;  // a new file whose dictionary was copied
};

// Reads a file's dictionary and prepares its cases; returns a status, or a
// warning (SPSS_NAME_MENDED, SPSS_DATA_CUT) with the file open. encoding,
// when given, is taken for the file's texts whatever the file says.
// password, when given, opens an encrypted file (SPSS_NEEDS_PASSWORD without).
int OpenForReading(const char* path, std::unique_ptr<OpenFile>& file, const char* encoding = nullptr,
                   const char* password = nullptr);
// Makes the pending file that a new file is written to until it is complete.
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
