// savkit import: a CSV file into a new system file, written directly.
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string_view>

#include "commands.h"
#include "csv_reader.h"
#include "common.h"
#include "progress.h"
#include "read_ahead.h"
#include "savkit/front/records.h"
#include "savkit/host/sysutils.h"

namespace savkit::cli {

struct ImportOptions {
  std::string in, out, compression = "bytecode", encoding;
  bool quiet = false;
};

namespace {

enum class Kind { Empty, Number, Date, DateTime, Text };

constexpr std::size_t kLongestString = SPSS_MAX_LONGSTRING;

struct Column {
  std::string name;
  std::string label;  // the header cell, when the name had to differ from it
  Kind kind = Kind::Empty;
  std::size_t width = 1;  // bytes of the widest text
  int decimals = 0;
  int digits = 1;  // integer digits of the widest number
};

// A number as strtod reads it (leading blanks and a plus sign allowed), but
// no hexadecimal, infinity or NaN, and all of the text.
bool ParseNumber(std::string_view s, double& d) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && s[i] == '+' && !(i + 1 < s.size() && s[i + 1] == '-')) ++i;
  if (i == s.size()) return false;
  const char* end = s.data() + s.size();
  const auto [stop, ec] = std::from_chars(s.data() + i, end, d);
  if (ec == std::errc::result_out_of_range && stop == end) {
    // Too small for a double: strtod gives the nearest, as before.
    d = std::strtod(std::string(s).c_str(), nullptr);
    return std::isfinite(d);
  }
  return ec == std::errc() && stop == end && std::isfinite(d);
}

// "YYYY-MM-DD", and with "THH:MM:SS" or " HH:MM:SS" after it.
bool ParseDate(std::string_view text, double& spssDate, bool& withTime) {
  if (text.size() < 10 || text.size() > 40) return false;
  const std::string s(text);
  int y, m, d, hh = 0, mm = 0, n = 0;
  double ss = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &n) != 3 || n != 10) return false;
  withTime = s.size() > 10;
  if (withTime) {
    int used = 0;
    if ((s[10] != 'T' && s[10] != ' ') || std::sscanf(s.c_str() + 11, "%2d:%2d:%lf%n", &hh, &mm, &ss, &used) != 3 ||
        11 + used != static_cast<int>(s.size()))
      return false;
  }
  return front::SpssDateTime(y, m, d, hh, mm, ss, spssDate);
}

// Digits before the point of |d| (1 below 10), by comparison where powers of
// ten are exact and by logarithm beyond.
int IntegerDigits(double d) {
  const double a = std::fabs(d);
  if (a >= 1e15) return static_cast<int>(std::log10(a)) + 1;
  int digits = 1;
  for (double p = 10; a >= p; p *= 10) ++digits;
  return digits;
}

void Observe(Column& c, const std::string& field) {
  if (field.empty()) return;
  c.width = std::max(c.width, field.size());
  if (c.kind == Kind::Text) return;
  double d;
  bool withTime;
  Kind seen;
  if (ParseNumber(field, d)) {
    seen = Kind::Number;
    const std::size_t dot = field.find('.');
    if (dot != std::string::npos && field.find_first_of("eE") == std::string::npos)
      c.decimals = std::max(c.decimals, static_cast<int>(field.size() - dot - 1));
    c.digits = std::max(c.digits, IntegerDigits(d));
  } else if (ParseDate(field, d, withTime)) {
    seen = withTime ? Kind::DateTime : Kind::Date;
  } else {
    seen = Kind::Text;
  }
  if (c.kind == Kind::Empty)
    c.kind = seen;
  else if (c.kind != seen)
    c.kind = (c.kind == Kind::Date && seen == Kind::DateTime) || (c.kind == Kind::DateTime && seen == Kind::Date)
                 ? Kind::DateTime
                 : Kind::Text;
}

// A name made valid: characters no name may hold become '_', a first
// character that cannot start one gets a "v" before it, a reserved word an
// "_" after it, and a name past 64 bytes is cut between characters.
std::string Mended(const std::string& raw) {
  std::string name;
  for (unsigned char c : raw)
    name += (std::isalnum(c) || c == '_' || c == '.' || c == '@' || c == '#' || c == '$' || c >= 0x80)
                ? static_cast<char>(c)
                : '_';
  if (!name.empty() && !(std::isalpha(static_cast<unsigned char>(name[0])) ||
                         static_cast<unsigned char>(name[0]) >= 0x80 || name[0] == '@'))
    name = "v" + name;
  if (front::NameStatus(name) == SPSS_NAME_RESERVED) name += "_";
  if (name.size() > 60) {
    name.resize(60);
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
    if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
  }
  return name;
}

// Valid names, unique ignoring case, one a header cell. Cells that are valid
// names already keep them, so a name made for another cell ("v2" for an
// empty one) never takes a real column's. A cell whose name had to be made
// or changed gives its text as the variable's label.
void NameColumns(const std::vector<std::string>& header, std::vector<Column>& columns) {
  std::set<std::string> used;
  std::vector<bool> named(header.size(), false);
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (front::NameStatus(header[i]) != SPSS_NAME_OK || !used.insert(LowerCase(header[i])).second) continue;
    columns[i].name = header[i];
    named[i] = true;
  }
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (named[i]) continue;
    std::string base = Mended(header[i]);
    if (front::NameStatus(base) != SPSS_NAME_OK) base = "v" + std::to_string(i + 1);
    std::string name = base;
    for (int n = 2; !used.insert(LowerCase(name)).second; ++n) name = base + "_" + std::to_string(n);
    columns[i].name = name;
    columns[i].label = header[i];
  }
}

// The folder for scratch files: $TMPDIR, else /tmp.
std::string ScratchFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

// A scratch file without a name, so that nothing is left of it after a kill.
std::FILE* NamelessScratchFile(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {  // file systems without O_TMPFILE
    std::string name = folder + "/savkit-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
  }
  std::FILE* file = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
  if (!file && fd >= 0) ::close(fd);
  return file;
}

// Records kept for the second pass in a scratch file of our own, when the
// input cannot be read twice (a pipe, a terminal).
class Spool {
 public:
  Spool() : folder_(ScratchFolder()), file_(NamelessScratchFile(folder_)) {
    if (!file_) throw Failure(folder_ + ": a scratch file cannot be made: " + std::strerror(errno));
  }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool() { std::fclose(file_); }

  // A record: its size, then the count of fields and each field's size and bytes.
  void Put(const std::vector<std::string>& fields) {
    record_.clear();
    PutSize(fields.size());
    for (const std::string& f : fields) {
      PutSize(f.size());
      record_ += f;
    }
    const std::uint64_t n = record_.size();
    if (std::fwrite(&n, sizeof n, 1, file_) != 1 || std::fwrite(record_.data(), 1, record_.size(), file_) != n)
      Broken();
  }
  void Rewind() {
    if (std::fflush(file_) != 0) Broken();
    std::rewind(file_);
  }
  // The next record's fields, which stay valid until the next call.
  void Get(std::vector<std::string_view>& fields) {
    std::uint64_t n = 0;
    if (std::fread(&n, sizeof n, 1, file_) != 1) Broken();
    record_.resize(static_cast<std::size_t>(n));
    if (std::fread(record_.data(), 1, record_.size(), file_) != record_.size()) Broken();
    std::size_t at = 0;
    fields.resize(GetSize(at));
    for (std::string_view& f : fields) {
      const std::size_t size = GetSize(at);
      if (size > record_.size() - at) Broken();
      f = std::string_view(record_).substr(at, size);
      at += size;
    }
  }

 private:
  void PutSize(std::size_t n) {
    const auto v = static_cast<std::uint32_t>(n);
    record_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  std::size_t GetSize(std::size_t& at) {
    std::uint32_t v = 0;
    if (record_.size() - at < sizeof v) Broken();
    std::memcpy(&v, record_.data() + at, sizeof v);
    at += sizeof v;
    return v;
  }
  [[noreturn]] void Broken() const {
    throw Failure(folder_ + ": the scratch copy of the input failed: " + std::strerror(errno));
  }

  std::string folder_;
  std::FILE* file_;
  std::string record_;
};

// The records after the header, read ahead on a worker, empty lines skipped
// (in a file of one column, an empty line is an empty value).
ReadAhead::Reader Records(CsvReader& csv, std::size_t columns) {
  return [&csv, columns](std::vector<std::string>& record, long& line) {
    do {
      if (!csv.Next(record)) return false;
    } while (record.size() == 1 && record[0].empty() && columns != 1);
    line = csv.Line();
    return true;
  };
}

// What tells a regular file's content apart without reading it: a file
// written to or replaced since has another.
struct Stamp {
  dev_t device;
  ino_t inode;
  off_t size;
  timespec modified, changed;
  bool operator==(const Stamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec;
  }
};

// The stamp of a regular file; none for anything else, which is read once.
std::optional<Stamp> StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// The second pass reads a regular file again instead of a scratch copy; the
// file must be the one the first pass read, so that the types found then
// hold every value now.
class Reread {
 public:
  Reread(const ImportOptions& o, const Stamp& stamp, std::size_t columns)
      : name_(o.in), stamp_(stamp), in_(o.in, std::ios::binary), csv_(in_, o.in, o.encoding) {
    if (!in_) throw Failure(o.in + ": cannot be read");
    std::vector<std::string> header;
    csv_.Next(header);
    Check();
    records_.emplace(Records(csv_, columns));
  }
  void Get(std::vector<std::string_view>& fields) {
    const std::vector<std::string>* record;
    long line;
    if (!records_->Next(record, line)) Changed();
    fields.assign(record->begin(), record->end());
  }
  // The file is still the one read first, read to its end.
  void Finish() {
    const std::vector<std::string>* record;
    long line;
    if (records_->Next(record, line) || in_.bad()) Changed();
    Check();
  }
  [[noreturn]] void Changed() const { throw Failure(name_ + ": changed while it was being imported"); }

 private:
  void Check() const {
    if (StampOf(name_) != stamp_) Changed();
  }
  std::string name_;
  Stamp stamp_;
  std::ifstream in_;
  CsvReader csv_;
  std::optional<ReadAhead> records_;
};

// The dictionary and every case, into a file opened with OpenNew; next gives
// each record of the second pass, and changed says a value no longer fits
// what the first pass found.
void WriteImport(front::NewFile& out, const std::vector<Column>& columns,
                 const std::function<void(std::vector<std::string_view>&)>& next, const std::function<void()>& changed,
                 std::int64_t rows, int compression, bool quiet);

}  // namespace

int CompressionCode(const std::string& name) {
  if (name == "none") return 0;
  if (name == "bytecode") return 1;
  if (name == "zlib") return 2;
  throw Failure("--compression " + name + ": use none, bytecode or zlib");
}

int RunImport(const ImportOptions& o) {
  const int compression = CompressionCode(o.compression);
  RefuseInputAsOutput(o.in, o.out);
  std::ifstream in(o.in, std::ios::binary);
  if (!in) throw Failure(o.in + ": cannot be read");
  CsvReader csv(in, o.in, o.encoding);
  std::vector<std::string> fields;
  if (!csv.Next(fields) || (fields.size() == 1 && fields[0].empty())) throw Failure(o.in + ": no header row");
  std::vector<Column> columns(fields.size());
  NameColumns(fields, columns);

  // The first pass over the input finds what each column holds; a pipe's
  // records are spooled for the second.
  const std::optional<Stamp> stamp = StampOf(o.in);
  std::optional<Spool> spool;
  if (!stamp) spool.emplace();
  std::int64_t rows = 0;
  {
    ReadAhead records(Records(csv, columns.size()));
    const std::vector<std::string>* record;
    long line;
    while (records.Next(record, line)) {
      const std::vector<std::string>& fields = *record;
      if (fields.size() != columns.size())
        throw Failure(o.in + ": line " + std::to_string(line) + " has " + std::to_string(fields.size()) +
                      " fields, the header " + std::to_string(columns.size()));
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].size() > kLongestString)
          throw Failure(o.in + ": line " + std::to_string(line) + ", column " + columns[i].name + ": a text of " +
                        std::to_string(fields[i].size()) + " bytes; a system file's strings hold at most " +
                        std::to_string(kLongestString));
        Observe(columns[i], fields[i]);
      }
      if (spool) spool->Put(fields);
      ++rows;
    }
  }
  if (in.bad()) throw Failure(o.in + ": cannot be read");
  std::optional<Reread> reread;
  if (spool)
    spool->Rewind();
  else
    reread.emplace(o, *stamp, columns.size());
  const auto next = [&](std::vector<std::string_view>& record) {
    if (spool)
      spool->Get(record);
    else
      reread->Get(record);
  };
  const auto changed = [&] {
    if (reread) reread->Changed();
    throw Failure(o.in + ": the scratch copy of the input does not match it");
  };

  return AboutFile(o.out, [&] {
    front::NewFile out(o.out);  // dropped unfinished on any failure: the old file stays
    WriteImport(out, columns, next, changed, rows, compression, o.quiet);
    if (reread) reread->Finish();
    out.Finish();
    return 0;
  });
}

namespace {

void WriteImport(front::NewFile& out, const std::vector<Column>& columns,
                 const std::function<void(std::vector<std::string_view>&)>& next, const std::function<void()>& changed,
                 std::int64_t rows, int compression, bool quiet) {
  TSPSSDatafile& d = out.Data();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    const bool text = c.kind == Kind::Text;
    TSPSSVariable* v = AddVariable(d, c.name, !text, text ? static_cast<int>(c.width) : 8);
    if (!c.label.empty()) v->Set_LabelText(c.label);
    if (c.kind == Kind::Date) {
      v->Set_PrintType(20), v->Set_WriteType(20), v->Set_Decimals(0), v->Set_Width(11);
    } else if (c.kind == Kind::DateTime) {
      v->Set_PrintType(22), v->Set_WriteType(22), v->Set_Decimals(0), v->Set_Width(20);
    } else if (!text) {
      const int decimals = std::min(c.decimals, 16);
      v->Set_Decimals(decimals);
      v->Set_Width(std::clamp(c.digits + decimals + (decimals ? 2 : 1), 1, 40));
      v->Set_Columns(std::min(v->Width(), 40));
    }
  }
  // The dictionary as SaveDictionary writes it, with the compression asked for.
  out.CommitHeader(compression, {});

  // Cases go to the library whole: a record laid out as it lays it out.
  std::vector<std::size_t> offset(columns.size());
  std::size_t size = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    offset[i] = size;
    size += front::SlotSize(columns[i].kind == Kind::Text ? static_cast<int>(columns[i].width) : 0);
  }
  assert(out.RecordSize() == size);
  std::vector<char> record(size);
  const double sysmis = d.SysmisValue();
  std::vector<std::string_view> fields;
  Progress progress("import", rows, !quiet && StderrIsTerminal());
  for (std::int64_t done = 0; done < rows;) {
    next(fields);
    if (fields.size() != columns.size()) changed();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const std::string_view f = fields[i];
      char* slot = record.data() + offset[i];
      if (columns[i].kind == Kind::Text) {
        if (f.size() > columns[i].width) changed();  // the width is the widest text's
        std::memcpy(slot, f.data(), f.size());
        std::memset(slot + f.size(), ' ', front::SlotSize(static_cast<int>(columns[i].width)) - f.size());
        continue;
      }
      double value = sysmis;
      bool withTime;
      if (f.empty()) {
        // stays system-missing
      } else if (columns[i].kind == Kind::Empty ||
                 (columns[i].kind == Kind::Number ? !ParseNumber(f, value) : !ParseDate(f, value, withTime))) {
        changed();  // the first pass saw this value fit its column
      }
      std::memcpy(slot, &value, sizeof value);
    }
    out.Write(record.data());
    progress.Advance(++done);
  }
}

}  // namespace

Command AddImport(CommandLine& line) {
  auto o = std::make_shared<ImportOptions>();
  Options options = line.Add("import", "A CSV file with a header row into a new system file");
  options.Argument("IN", o->in, "The CSV file")
      .Output(o->out, "The system file to write", true)
      .Choice("--compression", o->compression, {"none", "bytecode", "zlib"}, "none, bytecode or zlib")
      .Quiet(o->quiet)
      .Text("--encoding", o->encoding, "The CSV's character set, as iconv names it (default UTF-8)");
  return {options, [o] { return RunImport(*o); }, [o] { return o->in; }};
}

}  // namespace savkit::cli
