// CSV as RFC 4180 has it, read strictly and in one pass: fields quoted or
// not, "" for a quote inside quotes, lines ended by CR LF, LF or CR alone, a
// UTF-8 byte order mark skipped. Whatever is not CSV, or not text in the
// encoding given, is an error naming its line.
#pragma once

#include <iconv.h>

#include <cstddef>
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

  // The next record; false at the end of the input. The strings of fields
  // are used again, so a caller keeping one vector allocates little.
  bool Next(std::vector<std::string>& fields);
  long Line() const { return recordLine_; }  // where the last record started

 private:
  int Get() { return pos_ < end_ || Fill() ? static_cast<unsigned char>(buffer_[pos_++]) : EOF; }
  int Peek() { return pos_ < end_ || Fill() ? static_cast<unsigned char>(buffer_[pos_]) : EOF; }
  bool Fill();
  // Appends the bytes up to the next one that special marks (or the end of
  // the input) to field, in runs.
  void Take(std::string& field, const bool (&special)[256]);
  [[noreturn]] void Fail(long line, const std::string& why) const;
  void ReadQuoted(std::string& field);
  // Ends a line at c (CR, LF or CR LF); false when c ends no line.
  bool LineEnd(int c);
  void Check(std::string& field);

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  std::string name_;
  iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
  long line_ = 1;
  long recordLine_ = 0;
  bool started_ = false;
};

}  // namespace savkit::cli
