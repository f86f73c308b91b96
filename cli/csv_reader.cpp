#include "csv_reader.h"

#include <cerrno>
#include <initializer_list>

#include "common.h"
#include "savkit/front/text.h"

namespace savkit::cli {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// The bytes that end a run of an unquoted field, and of a quoted one.
constexpr auto Marks(std::initializer_list<unsigned char> bytes) {
  struct Table {
    bool is[256] = {};
  } t;
  for (unsigned char b : bytes) t.is[b] = true;
  return t;
}
constexpr auto kEndsUnquoted = Marks({',', '\r', '\n', 0});
constexpr auto kEndsQuoted = Marks({'"', '\r', '\n', 0});

}  // namespace

CsvReader::CsvReader(std::istream& in, std::string name, const std::string& encoding)
    : in_(in), buffer_(kBufferSize), name_(std::move(name)) {
  if (encoding.empty()) return;
  converter_ = ::iconv_open("UTF-8", encoding.c_str());
  if (converter_ == reinterpret_cast<iconv_t>(-1))
    throw UsageError("--encoding " + encoding + ": not an encoding iconv knows");
}

CsvReader::~CsvReader() {
  if (converter_ != reinterpret_cast<iconv_t>(-1)) ::iconv_close(converter_);
}

bool CsvReader::Fill() {
  in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  pos_ = 0;
  end_ = static_cast<std::size_t>(in_.gcount());
  return end_ > 0;
}

void CsvReader::Take(std::string& field, const bool (&special)[256]) {
  for (;;) {
    const std::size_t start = pos_;
    while (pos_ < end_ && !special[static_cast<unsigned char>(buffer_[pos_])]) ++pos_;
    field.append(buffer_.data() + start, pos_ - start);
    if (pos_ < end_ || !Fill()) return;
  }
}

void CsvReader::Fail(long line, const std::string& why) const {
  throw Failure(name_ + ": line " + std::to_string(line) + ": " + why);
}

bool CsvReader::LineEnd(int c) {
  if (c == '\r') {
    if (Peek() == '\n') Get();
  } else if (c != '\n') {
    return false;
  }
  ++line_;
  return true;
}

void CsvReader::ReadQuoted(std::string& field) {
  const long opened = line_;
  for (;;) {
    Take(field, kEndsQuoted.is);
    const int c = Get();
    if (c == EOF) Fail(opened, "a quoted field is never closed");
    if (c == '"') {
      if (Peek() != '"') return;
      Get();
    } else if (c == '\r' || c == '\n') {
      LineEnd(c);
      field += '\n';  // a line break inside quotes, whichever its bytes
      continue;
    }
    if (c == 0) Fail(line_, "a NUL byte");
    field += static_cast<char>(c);
  }
}

// The field as UTF-8: converted from the encoding given, or checked.
void CsvReader::Check(std::string& field) {
  if (converter_ == reinterpret_cast<iconv_t>(-1)) {
    if (!front::ValidUtf8(field)) Fail(line_, "not UTF-8 (name the encoding with --encoding)");
    return;
  }
  std::string out(field.size() * 4 + 4, '\0');
  char* from = field.data();
  std::size_t left = field.size(), room = out.size();
  char* to = out.data();
  ::iconv(converter_, nullptr, nullptr, nullptr, nullptr);
  if (::iconv(converter_, &from, &left, &to, &room) == static_cast<std::size_t>(-1))
    Fail(line_, "not text in the encoding given");
  out.resize(out.size() - room);
  field = std::move(out);
}

bool CsvReader::Next(std::vector<std::string>& fields) {
  if (!started_) {
    started_ = true;
    if (Peek() == 0xEF) {  // a UTF-8 byte order mark
      Get();
      if (Get() != 0xBB || Get() != 0xBF) Fail(1, "not UTF-8 (name the encoding with --encoding)");
    }
  }
  if (Peek() == EOF) {
    fields.clear();
    return false;
  }
  recordLine_ = line_;
  std::size_t count = 0;
  for (;;) {
    if (count == fields.size()) fields.emplace_back();
    std::string& field = fields[count++];
    field.clear();
    int c;
    if (Peek() == '"') {
      Get();
      ReadQuoted(field);
      c = Get();
      if (c != ',' && c != '\r' && c != '\n' && c != EOF) Fail(line_, "text after a closing quote");
    } else {
      Take(field, kEndsUnquoted.is);
      c = Get();
      if (c == 0) Fail(line_, "a NUL byte");
    }
    Check(field);
    if (c == ',') continue;
    if (c != EOF) LineEnd(c);
    fields.resize(count);
    return true;
  }
}

}  // namespace savkit::cli
