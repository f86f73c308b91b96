// Cases a whole record at a time, as the library lays a record out: the
// variables in dictionary order, each in a slot of its width rounded up to
// 8 bytes (numbers a native double, strings blank-padded). The fastest way
// through a file, for front ends that read or write every case.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "savkit/front/facts.h"
#include "savkit/model/datafile.h"
#include "savkit/model/library_handle.h"
#include "savkit/spssio.h"

namespace savkit::front {

// The slot of a variable of this width (0 for numbers) in a record.
inline std::size_t SlotSize(int width) { return width == 0 ? 8 : (static_cast<std::size_t>(width) + 7) / 8 * 8; }

// Where each variable's value is in a record of d, in dictionary order.
struct Slot {
  const TSPSSVariable* variable;
  std::size_t offset, size;
};
std::vector<Slot> RecordSlots(const TSPSSDatafile& d);

// The records of the file open in d for reading. Failures raise the
// component's exceptions, with why the file is bad where it is.
class RecordReader {
 public:
  explicit RecordReader(const TSPSSDatafile& d);
  std::size_t Size() const { return size_; }
  // The most cases the file's bytes can hold: what to make room for, as a
  // header may claim any count.
  std::int64_t MostCases() const;
  // The next Read gives the case at index (from 0).
  void Seek(std::int64_t index);
  // The place of the case at index, for SeekMark on any later opening of
  // the file: it goes there without decoding the cases before.
  using Mark = std::array<unsigned char, SPSS_CASE_MARK_SIZE>;
  Mark MarkOf(std::int64_t index);
  void SeekMark(std::int64_t index, const Mark& mark);
  void Read(char* record);

 private:
  int handle_;
  std::size_t size_ = 0;
};

// A new file written in direct-write mode, all or nothing: until Finish it
// has no name, and a failure (or dropping the writer) leaves whatever was
// under the name as it was.
// The compression code that makes NewFile write a portable file.
constexpr int kPortableFile = -1;

class NewFile {
 public:
  explicit NewFile(const std::string& path);
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile();

  // Where the variables, sets and file label are defined.
  TSPSSDatafile& Data() { return d_; }
  // Writes the dictionary with what only a file keeps (of stored: the
  // encoding, documents, attributes, roles and string widths in the file's
  // bytes; the rest is the component's), then the header; from then on cases
  // are written.
  void CommitHeader(int compression, const FileFacts& stored);
  std::size_t RecordSize() const { return size_; }
  void Write(const char* record);
  void Finish();

 private:
  TSPSSDatafile d_;
  std::size_t size_ = 0;
  bool finished_ = false;
};

// A copy of the file open in d for reading, whose dictionary is copied whole
// (records savkit does not know included) and whose compression alone
// changes; its cases are written after. All or nothing, as NewFile.
class FileCopy {
 public:
  // portable: a portable file, which takes no compression; password: a
  // system file encrypted with it (none when empty).
  FileCopy(const TSPSSDatafile& d, const std::string& path, int compression, bool portable = false,
           const std::string& password = {});
  void Write(const char* record);
  void Finish();

 private:
  LibraryHandle out_{LibraryHandle::Kind::Write};
};

}  // namespace savkit::front
