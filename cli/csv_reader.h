// CSV as RFC 4180 has it, read strictly and in one pass: fields quoted or
// not, "" for a quote inside quotes, lines ended by CR LF, LF or CR alone, a
// UTF-8 byte order mark skipped. Whatever is not CSV, or not text in the
// encoding given, is an error naming its line.
#pragma once

#include <iconv.h>

#include <istream>
#include <string>
#include <vector>

namespace savkit::cli {

class CsvReader {
 public:
  // encoding: the input's character set, converted to UTF-8; "" for UTF-8.
  CsvReader(std::istream& in, std::string name, const std::string& encoding);
  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;
  ~CsvReader();

  // The next record; false at the end of the input.
  bool Next(std::vector<std::string>& fields);
  long Line() const { return recordLine_; }  // where the last record started

 private:
  int Get() { return in_.rdbuf()->sbumpc(); }
  int Peek() { return in_.rdbuf()->sgetc(); }
  [[noreturn]] void Fail(long line, const std::string& why) const;
  void ReadQuoted(std::string& field);
  // Ends a line at c (CR, LF or CR LF); false when c ends no line.
  bool LineEnd(int c);
  void Check(std::string& field);

  std::istream& in_;
  std::string name_;
  iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
  long line_ = 1;
  long recordLine_ = 0;
  bool started_ = false;
};

}  // namespace savkit::cli
