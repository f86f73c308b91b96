// Reading a file into R vectors: numbers as doubles (NA for missing),
// strings as UTF-8 character vectors without their padding. Records come
// whole from the library, one at a time.
#include <cpp11.hpp>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "columns.h"
#include "facts.h"
#include "lazy_texts.h"
#include "savkit/datafile_exception.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/records.h"
#include "savkit/front/values.h"
#include "savkit/trim.h"

using namespace savkit;

namespace {

struct Column {
  const TSPSSVariable* variable;
  std::size_t offset, size;
  std::optional<front::MissingSpec> missing;  // where user-missing values become NA
  SEXP values;                                // a number column's, protected by the list that holds it
  std::unique_ptr<r::LazyTexts> texts;        // a text column's
};

std::vector<const TSPSSVariable*> Selected(TSPSSDatafile& d, cpp11::sexp cols) {
  TSPSSVariables* vars = d.Variables();
  std::vector<bool> wanted(static_cast<std::size_t>(vars->Count()), Rf_isNull(cols));
  if (!Rf_isNull(cols)) {
    for (const std::string name : cpp11::strings(cols)) {
      TSPSSVariable* v = vars->Find(name);
      if (!v) throw ESPSSDataFileException("col_select: the file has no variable " + name);
      wanted[static_cast<std::size_t>(v->Index())] = true;
    }
  }
  std::vector<const TSPSSVariable*> out;
  for (int i = 0; i < vars->Count(); ++i)
    if (wanted[static_cast<std::size_t>(i)]) out.push_back(vars->GetItem(i));
  return out;
}

// Texts are added in order: row is the next of each text column.
void Fill(std::vector<Column>& columns, const char* record, R_xlen_t row, double sysmis) {
  for (Column& c : columns) {
    const char* at = record + c.offset;
    if (c.variable->IsNumeric()) {
      double x;
      std::memcpy(&x, at, sizeof x);
      const bool missing = x == sysmis || (c.missing && c.missing->Number(x));
      REAL(c.values)[row] = missing ? NA_REAL : x;
      continue;
    }
    const std::string_view t = trim::Field({at, c.size});
    if (c.missing && c.missing->Text(t))
      c.texts->AddMissing();
    else
      c.texts->Add(t);
  }
}

cpp11::writable::list ReadCases(TSPSSDatafile& d, cpp11::sexp cols, double skip, double nMax, bool userNa) {
  front::RecordReader records(d);
  const auto cases = static_cast<double>(std::min<std::int64_t>(d.Cases()->Count(), records.MostCases()));
  const double start = std::clamp(skip, 0.0, cases);
  const auto rows = static_cast<R_xlen_t>(std::clamp(std::min(nMax, cases - start), 0.0, cases));
  const std::vector<const TSPSSVariable*> chosen = Selected(d, cols);
  cpp11::writable::list out(static_cast<R_xlen_t>(chosen.size()));
  cpp11::writable::strings names(static_cast<R_xlen_t>(chosen.size()));
  std::vector<Column> columns;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const TSPSSVariable* v = chosen[i];
    SEXP values = v->IsNumeric() ? Rf_allocVector(REALSXP, rows) : R_NilValue;
    out[static_cast<R_xlen_t>(i)] = values;
    names[static_cast<R_xlen_t>(i)] = v->Name();
    Column c{v,
             static_cast<std::size_t>(v->ReadOffset()),
             static_cast<std::size_t>(v->StorageSize()),
             std::nullopt,
             values,
             v->IsNumeric() ? nullptr : std::make_unique<r::LazyTexts>(rows)};
    if (front::MissingSpec m(*v); !userNa && m.Any()) c.missing.emplace(std::move(m));
    columns.push_back(std::move(c));
  }
  if (!chosen.empty()) out.names() = names;
  std::vector<char> record(records.Size());
  if (rows > 0) records.Seek(static_cast<std::int64_t>(start));
  const double sysmis = d.SysmisValue();
  for (R_xlen_t r = 0; r < rows; ++r) {
    records.Read(record.data());
    Fill(columns, record.data(), r, sysmis);
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    if (c.texts) out[static_cast<R_xlen_t>(i)] = r::LazyTexts::Make(std::move(c.texts));
    r::Decorate(out[static_cast<R_xlen_t>(i)], front::ReadVariableFacts(d, *c.variable), userNa);
  }
  return out;
}

// The library's failure as an R condition of class savkit_file_error (the
// file could not be read) or savkit_error, naming the file.
[[noreturn]] void Fail(const std::string& path, const ESPSSDataFileException& e) {
  const bool file = e.ErrorCode() > 0;
  cpp11::function signal = cpp11::package("savkit")["signal_savkit_error"];
  signal(path + ": " + e.what(), file ? "savkit_file_error" : "savkit_error", e.ErrorCode());
  throw std::logic_error("not reached");
}

void Open(TSPSSDatafile& d, const std::string& path, const std::string& encoding, std::string& password) {
  d.Set_ReadEncoding(encoding);
  d.Set_Password(password);
  explicit_bzero(password.data(), password.size());
  try {
    front::OpenForReading(d, path);
  } catch (const front::FileError& e) {
    throw ESPSSDataFileException(e.what(), SPSS_FILE_OERROR);
  }
}

}  // namespace

[[cpp11::register]] cpp11::list savkit_read(std::string path, cpp11::sexp cols, double skip, double n_max, bool user_na,
                                            std::string encoding, std::string password) {
  TSPSSDatafile d;
  try {
    Open(d, path, encoding, password);
    cpp11::writable::list out({cpp11::named_arg("metadata") = savkit::r::Metadata(d)});
    out.push_back(cpp11::named_arg("columns") = ReadCases(d, cols, skip, n_max, user_na));
    d.Close();
    return out;
  } catch (const ESPSSDataFileException& e) {
    Fail(path, e);
  }
}
