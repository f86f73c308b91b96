// Reading cases into NumPy columns: records come whole from the I/O library
// in batches, numbers go straight into one float64 block (a row a column),
// times into int64 nanoseconds, texts into object arrays of str.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "batches.h"
#include "bindings.h"
#include "savkit/front/records.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/datafile_exception.h"
#include "savkit/resourcestrings.h"
#include "savkit/trim.h"
#include "text_objects.h"

namespace savkit::python {

namespace {

// Small enough that a batch is still in cache when its columns are taken out.
constexpr std::size_t kBatchBytes = 256 << 10;
constexpr std::size_t kBatchCases = 4096;
// Seconds from the file's day zero, 14 Oct 1582, to 1 Jan 1970.
constexpr double kUnixEpoch = 12219379200.0;
constexpr std::int64_t kNaT = std::numeric_limits<std::int64_t>::min();

enum class Kind { Number, Text, Time };

struct Column {
  const TSPSSVariable* variable;
  Kind kind;
  std::size_t offset, size;
  std::optional<front::MissingSpec> missing;  // set where user-missing values become missing
  bool duration = false;                      // a time of day or a span, not a point in time
  int blockRow = -1;
  TextObjects texts{0};  // for a text column
};

// Seconds (from 1970; durations from zero) as nanoseconds, NaN as NaT, or
// false where one does not fit in 64 bits.
bool Nanoseconds(double seconds, std::int64_t& ns) {
  if (std::isnan(seconds)) {
    ns = kNaT;
    return true;
  }
  const double whole = std::floor(seconds);
  if (!(std::fabs(whole) < 9.2e9)) return false;
  ns = static_cast<std::int64_t>(whole) * 1000000000 + std::llround((seconds - whole) * 1e9);
  return ns != kNaT;
}

// A time column read as seconds becomes int64 nanoseconds in the same
// memory, where every value fits; else it stays seconds, kind "...-seconds".
py::tuple TimeColumn(const char* kind, py::array seconds) {
  auto* values = static_cast<double*>(seconds.mutable_data());
  const auto n = static_cast<std::size_t>(seconds.size());
  std::int64_t ns;
  for (std::size_t i = 0; i < n; ++i)
    if (!Nanoseconds(values[i], ns)) return py::make_tuple(std::string(kind) + "-seconds", seconds);
  for (std::size_t i = 0; i < n; ++i) {
    Nanoseconds(values[i], ns);
    std::memcpy(values + i, &ns, sizeof ns);
  }
  return py::make_tuple(kind, py::array(py::dtype("int64"), {seconds.size()}, values, seconds));
}

// Arrays on memory of our own. NumPy asks the kernel for huge pages for large
// arrays, and where that means compacting memory first it costs more than
// the whole read; plain pages fault in several times faster.
struct Texts {
  PyObject** items;
  std::size_t count;
};

py::array NumberArray(const py::dtype& type, std::vector<py::ssize_t> shape) {
  std::size_t bytes = 8;
  for (py::ssize_t n : shape) bytes *= static_cast<std::size_t>(n);
  void* memory = std::malloc(std::max<std::size_t>(bytes, 1));
  if (!memory) throw std::bad_alloc();
  py::capsule owner(memory, [](void* p) { std::free(p); });
  return py::array(type, std::move(shape), memory, owner);
}

// Starts out all null; whatever is in it when it goes is released.
py::array TextArray(py::ssize_t n) {
  auto* memory =
      static_cast<PyObject**>(std::calloc(static_cast<std::size_t>(std::max<py::ssize_t>(n, 1)), sizeof(PyObject*)));
  if (!memory) throw std::bad_alloc();
  auto* texts = new Texts{memory, static_cast<std::size_t>(n)};
  py::capsule owner(texts, [](void* p) {
    auto* t = static_cast<Texts*>(p);
    for (std::size_t i = 0; i < t->count; ++i) Py_XDECREF(t->items[i]);
    std::free(t->items);
    delete t;
  });
  return py::array(py::dtype("O"), {n}, memory, owner);
}

class Reader {
 public:
  Reader(const std::string& path, const std::optional<std::vector<std::string>>& usecols, bool userMissing,
         const std::string& encoding, bool dates, std::string password)
      : path_(path) {
    d_.Set_ReadEncoding(encoding);
    d_.Set_Password(password);
    explicit_bzero(password.data(), password.size());
    OpenForReading(d_, path);
    Plan(usecols, userMissing, dates);
    records_.emplace(d_);
    caseSize_ = records_->Size();
    batchCases_ = std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(caseSize_, 1), 1, kBatchCases);
  }

  std::string Fault() const { return d_.FaultDetail(); }

  py::dict Meta() {
    py::dict m = Metadata(d_);
    py::list names;
    for (const Column& c : columns_) names.append(c.variable->Name());
    m["selected"] = names;
    return m;
  }

  std::int64_t Rows() const { return d_.Cases()->Count(); }

  // Up to count cases from start (0-based): the float64 block of the
  // numbers, and per column its block row or (kind, array). A failure names
  // the file. mark, from Marks, is where start is: no case before it is
  // decoded.
  // ahead: records are read on a second thread while texts are made.
  py::tuple Read(std::int64_t start, std::int64_t count, const std::optional<py::bytes>& mark, bool ahead) {
    try {
      if (mark) JumpTo(start, *mark);
      return ReadCases(start, count, ahead);
    } catch (const ESPSSDataFileException& e) {
      RethrowNaming(path_, e);
    }
  }

  // The marks of the cases at starts (ascending), in one pass over the data.
  std::vector<py::bytes> Marks(const std::vector<std::int64_t>& starts) {
    if (!records_) Refuse("the file is closed");
    std::vector<front::RecordReader::Mark> marks;
    try {
      py::gil_scoped_release unlocked;
      for (std::int64_t start : starts) marks.push_back(records_->MarkOf(std::clamp<std::int64_t>(start, 0, Rows())));
    } catch (const ESPSSDataFileException& e) {
      RethrowNaming(path_, e);
    }
    std::vector<py::bytes> out;
    for (const auto& m : marks) out.emplace_back(reinterpret_cast<const char*>(m.data()), m.size());
    return out;
  }

  void Close() {
    if (busy_) Refuse("the file is being read by another thread");
    records_.reset();
    d_.Close();
  }

 private:
  py::tuple ReadCases(std::int64_t start, std::int64_t count, bool ahead) {
    // The interpreter is let go while records are read: a second thread
    // must not use the handle meanwhile.
    if (!records_) Refuse("the file is closed");
    if (busy_.exchange(true)) Refuse("the file is being read by another thread");
    struct Done {
      std::atomic<bool>& busy;
      ~Done() { busy = false; }
    } done{busy_};
    // Room for the cases the file can hold, not for any count its header claims.
    const std::int64_t most = std::min(Rows(), records_->MostCases());
    const std::int64_t rows = std::clamp<std::int64_t>(std::min(count, most - start), 0, most);
    if (rows < std::clamp<std::int64_t>(std::min(count, Rows() - start), 0, Rows())) SayWhereTheDataEnd(most);
    const auto n = static_cast<py::ssize_t>(rows);
    py::array block = NumberArray(py::dtype("float64"), {static_cast<py::ssize_t>(numbers_), n});
    auto* numbers = static_cast<double*>(block.mutable_data());
    py::list out;
    std::vector<void*> data(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      Column& c = columns_[i];
      if (c.kind == Kind::Number) {
        out.append(c.blockRow);
        data[i] = numbers + static_cast<std::size_t>(c.blockRow) * static_cast<std::size_t>(rows);
        continue;
      }
      py::array a = c.kind == Kind::Text ? TextArray(n) : NumberArray(py::dtype("float64"), {n});
      data[i] = a.mutable_data();
      out.append(py::make_tuple(c.kind == Kind::Text ? "string" : front::TimeKind(c.variable->PrintType()), a));
    }
    if (rows > 0) {
      py::gil_scoped_release unlocked;
      records_->Seek(start);  // nothing to do where a mark put it there
    }
    // The worker reads and fills numbers; texts are made here, with the
    // interpreter, while it reads the next batch (not ahead: in turns).
    const auto produce = [&](std::uint8_t* records, std::int64_t done) -> std::size_t {
      const auto take =
          static_cast<std::size_t>(std::min<std::int64_t>(rows - done, static_cast<std::int64_t>(batchCases_)));
      for (std::size_t r = 0; r < take; ++r) records_->Read(reinterpret_cast<char*>(records + r * caseSize_));
      FillNumbers(records, take, data, static_cast<std::size_t>(done));
      return take;
    };
    Batches batches(caseSize_ * batchCases_, produce, ahead);
    const std::uint8_t* records;
    std::size_t take;
    std::int64_t first;
    for (;;) {
      bool more;
      {
        py::gil_scoped_release unlocked;
        more = batches.Next(records, take, first);
      }
      if (!more) break;
      for (std::size_t i : textColumns_)
        FillTexts(columns_[i], records, take, static_cast<PyObject**>(data[i]) + first);
      batches.Release();
    }
    for (std::size_t i : timeColumns_) {
      const py::tuple read = out[i];
      out[i] = TimeColumn(front::TimeKind(columns_[i].variable->PrintType()), read[1]);
    }
    return py::make_tuple(block, out);
  }

  void JumpTo(std::int64_t start, const py::bytes& mark) {
    if (!records_) Refuse("the file is closed");
    const std::string_view bytes = mark;
    front::RecordReader::Mark m;
    if (bytes.size() != m.size()) Refuse("a case mark is " + std::to_string(m.size()) + " bytes");
    std::memcpy(m.data(), bytes.data(), m.size());
    try {
      records_->SeekMark(start, m);
    } catch (const ESPSSDataFileException&) {
      Refuse(path_ + ": the mark of case " + std::to_string(start) + " is not of this file as it is now");
    }
  }

  // Cases asked for past what the file can hold: the library says where its
  // data end, reading the first of them.
  [[noreturn]] void SayWhereTheDataEnd(std::int64_t most) {
    std::vector<char> record(caseSize_);
    records_->Seek(most);
    records_->Read(record.data());
    Refuse("the file cannot hold the cases its header declares");
  }

  // dates: time columns as datetime64/timedelta64; else the file's numbers.
  void Plan(const std::optional<std::vector<std::string>>& usecols, bool userMissing, bool dates) {
    TSPSSVariables* vars = d_.Variables();
    std::vector<bool> wanted(static_cast<std::size_t>(vars->Count()), !usecols);
    if (usecols) {
      for (const std::string& name : *usecols) {
        TSPSSVariable* v = vars->Find(name);
        if (!v) throw ESPSSDataFileException("usecols: the file has no variable " + name);
        wanted[static_cast<std::size_t>(v->Index())] = true;
      }
    }
    std::size_t textColumns = 0;
    for (int i = 0; i < vars->Count(); ++i) textColumns += !vars->GetItem(i)->IsNumeric();
    // A table of repeated texts pays while it stays in cache: at most 256 KiB
    // a column, and 64 MiB in all.
    const std::size_t budget = std::min<std::size_t>(256u << 10, (64u << 20) / std::max<std::size_t>(textColumns, 1));
    for (int i = 0; i < vars->Count(); ++i) {
      if (!wanted[static_cast<std::size_t>(i)]) continue;
      const TSPSSVariable* v = vars->GetItem(i);
      const Kind kind = !v->IsNumeric()                             ? Kind::Text
                        : dates && *front::TimeKind(v->PrintType()) ? Kind::Time
                                                                    : Kind::Number;
      Column c{v,
               kind,
               static_cast<std::size_t>(v->ReadOffset()),
               static_cast<std::size_t>(v->StorageSize()),
               std::nullopt,
               std::string_view(front::TimeKind(v->PrintType())) == "duration",
               -1,
               TextObjects(kind == Kind::Text ? budget : 0)};
      if (front::MissingSpec m(*v); !userMissing && m.Any()) c.missing.emplace(std::move(m));
      if (kind == Kind::Number) c.blockRow = static_cast<int>(numbers_++);
      (kind == Kind::Number ? numberColumns_
       : kind == Kind::Time ? timeColumns_
                            : textColumns_)
          .push_back(columns_.size());
      columns_.push_back(std::move(c));
    }
  }

  double Number(const Column& c, const std::uint8_t* record) const {
    double x;
    std::memcpy(&x, record + c.offset, sizeof x);
    if (x == sysmis_ || (c.missing && c.missing->Number(x))) return std::numeric_limits<double>::quiet_NaN();
    return x;
  }

  // Record by record, each read once while it is in cache; times as
  // seconds from 1970 (durations from zero).
  void FillNumbers(const std::uint8_t* batch, std::size_t take, const std::vector<void*>& data,
                   std::size_t done) const {
    for (std::size_t r = 0; r < take; ++r) {
      const std::uint8_t* record = batch + r * caseSize_;
      for (std::size_t i : numberColumns_) static_cast<double*>(data[i])[done + r] = Number(columns_[i], record);
      for (std::size_t i : timeColumns_) {
        const Column& c = columns_[i];
        const double x = Number(c, record);
        static_cast<double*>(data[i])[done + r] = c.duration ? x : x - kUnixEpoch;
      }
    }
  }

  void FillTexts(Column& c, const std::uint8_t* batch, std::size_t take, PyObject** to) const {
    for (std::size_t r = 0; r < take; ++r) {
      const std::string_view t = trim::Field({reinterpret_cast<const char*>(batch + r * caseSize_ + c.offset), c.size});
      PyObject* s = c.missing && c.missing->Text(t) ? PyFloat_FromDouble(std::numeric_limits<double>::quiet_NaN())
                                                    : c.texts.Get(t);
      if (!s) throw py::error_already_set();
      to[r] = s;
    }
  }

  std::string path_;
  TSPSSDatafile d_;
  std::optional<front::RecordReader> records_;  // while the file is open
  std::vector<Column> columns_;
  std::vector<std::size_t> numberColumns_, timeColumns_, textColumns_;  // indexes into columns_
  std::size_t numbers_ = 0;
  std::size_t caseSize_ = 0;
  std::size_t batchCases_ = 0;
  double sysmis_ = d_.SysmisValue();
  std::atomic<bool> busy_{false};
};

}  // namespace

void BindReader(py::module_& m) {
  py::class_<Reader>(m, "Reader")
      .def(py::init<const std::string&, const std::optional<std::vector<std::string>>&, bool, const std::string&, bool,
                    std::string>(),
           py::arg("path"), py::arg("usecols") = py::none(), py::arg("user_missing") = false, py::arg("encoding") = "",
           py::arg("dates") = true, py::arg("password") = "")
      .def("metadata", &Reader::Meta)
      .def("fault", [](const Reader& r) { return r.Fault(); })
      .def("rows", &Reader::Rows)
      .def("read", &Reader::Read, py::arg("start"), py::arg("count"), py::arg("mark") = py::none(),
           py::arg("ahead") = true)
      .def("marks", &Reader::Marks, py::arg("starts"))
      .def("close", &Reader::Close);
}

}  // namespace savkit::python
