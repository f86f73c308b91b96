// Writing a new file from columns the package has prepared: double vectors
// for numbers (times already in the file's seconds), character vectors for
// texts, and each column's facts. The file appears under its name complete,
// or not at all.
#include <cpp11.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "savkit/datafile_exception.h"
#include "savkit/front/define.h"
#include "savkit/front/formats.h"
#include "savkit/front/records.h"
#include "savkit/front/values.h"

using namespace savkit;

namespace {

std::string Text(SEXP list, const char* name) {
  SEXP s = cpp11::list(list)[name];
  return Rf_isNull(s) || Rf_length(s) == 0 ? std::string() : std::string(Rf_translateCharUTF8(STRING_ELT(s, 0)));
}

int Int(SEXP list, const char* name) { return Rf_asInteger(cpp11::list(list)[name]); }

std::vector<std::string> Texts(SEXP values) {
  std::vector<std::string> out;
  for (R_xlen_t i = 0; i < Rf_xlength(values); ++i) out.emplace_back(Rf_translateCharUTF8(STRING_ELT(values, i)));
  return out;
}

std::vector<Variant> Values(SEXP values) {
  std::vector<Variant> out;
  if (TYPEOF(values) == STRSXP) {
    for (const std::string& t : Texts(values)) out.emplace_back(t);
  } else if (!Rf_isNull(values)) {
    for (R_xlen_t i = 0; i < Rf_xlength(values); ++i) out.emplace_back(REAL(values)[i]);
  }
  return out;
}

front::Attributes AttributesOf(SEXP list) {
  const cpp11::list a(list);
  const std::vector<std::string> names = Texts(a["name"]), texts = Texts(a["text"]);
  front::Attributes out;
  for (std::size_t i = 0; i < names.size() && i < texts.size(); ++i) out.emplace_back(names[i], texts[i]);
  return out;
}

front::VariableFacts VariableOf(SEXP c) {
  const cpp11::list l(c);
  front::VariableFacts v;
  v.name = Text(c, "name");
  v.label = Text(c, "label");
  v.numeric = Rf_asLogical(l["numeric"]) == TRUE;
  v.width = v.numeric ? 0 : Int(c, "width");
  v.textWidth = v.numeric ? 0 : Int(c, "text_width");
  if (!front::ParseFormatName(Text(c, "format"), v.print.type, v.print.width, v.print.decimals))
    throw ESPSSDataFileException(v.name + ": " + Text(c, "format") + " is no format");
  v.write = v.print;
  for (const TSPSSLevel level : {tslUnknown, tslNominal, tslOrdinal, tslScale})
    if (Text(c, "measure") == front::LevelName(level)) v.measure = level;
  for (const TSPSSAlign align : {tsaLeft, tsaRight, tsaCenter})
    if (Text(c, "alignment") == front::AlignName(align)) v.alignment = align;
  v.displayWidth = Int(c, "display_width");
  if (const std::string role = Text(c, "role"); !role.empty()) {
    v.role = front::RoleCode(role);
    if (*v.role < 0) throw ESPSSDataFileException(v.name + ": role " + role + " is none of SPSS's");
  }
  const std::vector<Variant> labelled = Values(l["labelled"]);
  const std::vector<std::string> labels = Texts(l["labels"]);
  for (std::size_t i = 0; i < labelled.size() && i < labels.size(); ++i)
    v.valueLabels.emplace_back(labelled[i], labels[i]);
  v.missing = Values(l["na_range"]);
  const std::vector<Variant> values = Values(l["na_values"]);
  if (v.missing.empty()) {
    v.missing = values;
    v.missingType = static_cast<int>(values.size());
  } else {
    v.missingType = values.empty() ? SPSS_MISS_RANGE : SPSS_MISS_RANGEANDVAL;
    v.missing.insert(v.missing.end(), values.begin(), values.end());
  }
  v.attributes = AttributesOf(l["attributes"]);
  return v;
}

front::FileFacts FileOf(SEXP columns, SEXP file) {
  const cpp11::list f(file);
  front::FileFacts out;
  out.label = Text(file, "label");
  out.weight = Text(file, "weight");
  out.encoding = Text(file, "encoding");
  out.documents = Texts(f["documents"]);
  out.attributes = AttributesOf(f["attributes"]);
  const cpp11::list sets(f["variable_sets"]);
  for (R_xlen_t i = 0; i < sets.size(); ++i)
    out.variableSets.push_back({Rf_translateCharUTF8(STRING_ELT(sets.names(), i)), Texts(sets[i])});
  for (SEXP m : cpp11::list(f["mr_sets"])) {
    front::MrSetFacts s;
    s.name = Text(m, "name");
    s.label = Text(m, "label");
    s.dichotomy = Text(m, "type") == "dichotomy";
    const std::vector<Variant> counted = Values(cpp11::list(m)["counted_value"]);
    if (!counted.empty()) s.countedValue = counted[0];
    s.members = Texts(cpp11::list(m)["variables"]);
    out.mrSets.push_back(std::move(s));
  }
  for (SEXP c : cpp11::list(columns)) out.variables.push_back(VariableOf(c));
  return out;
}

void PutText(const TSPSSVariable& v, SEXP value, char* slot, std::size_t size) {
  // Texts are UTF-8 already (the package made them so): their bytes as they are.
  const char* bytes = value == NA_STRING ? "" : CHAR(value);
  const std::size_t length = value == NA_STRING ? 0 : static_cast<std::size_t>(LENGTH(value));
  if (length > static_cast<std::size_t>(v.Width()))
    throw ESPSSDataFileException(v.Name() + ": a text of " + std::to_string(length) + " bytes in a column " +
                                 std::to_string(v.Width()) + " wide");
  std::memcpy(slot, bytes, length);
  std::memset(slot + length, ' ', size - length);
}

// Where a column's values come from and go to in the record.
struct Source {
  const TSPSSVariable* variable;
  std::size_t offset, size;
  const double* numbers;  // for a number column
  SEXP texts;             // for a text column
};

void WriteCases(front::NewFile& out, const cpp11::list& data, R_xlen_t rows) {
  TSPSSDatafile& d = out.Data();
  std::vector<char> record(out.RecordSize());
  std::vector<Source> sources;
  for (const front::Slot& slot : front::RecordSlots(d)) {
    const TSPSSVariable* v = slot.variable;
    SEXP column = data[static_cast<R_xlen_t>(sources.size())];
    if (Rf_xlength(column) != rows) throw ESPSSDataFileException(v->Name() + ": a column of another length");
    const bool number = v->IsNumeric();
    sources.push_back({v, slot.offset, slot.size, number ? REAL(column) : nullptr, number ? R_NilValue : column});
  }
  const double sysmis = d.SysmisValue();
  for (R_xlen_t r = 0; r < rows; ++r) {
    for (const Source& s : sources) {
      char* slot = record.data() + s.offset;
      if (!s.numbers) {
        PutText(*s.variable, STRING_ELT(s.texts, r), slot, s.size);
        continue;
      }
      double x = s.numbers[r];
      if (std::isnan(x)) x = sysmis;
      std::memcpy(slot, &x, sizeof x);
    }
    out.Write(record.data());
  }
}

}  // namespace

[[cpp11::register]] void savkit_write(std::string path, cpp11::list columns, cpp11::list data, cpp11::list file,
                                      int compression, double rows) {
  try {
    const front::FileFacts facts = FileOf(columns, file);
    front::NewFile out(path);  // dropped unfinished on any failure: nothing appears
    front::DefineFromFacts(out.Data(), facts);
    out.CommitHeader(compression, facts);
    WriteCases(out, data, static_cast<R_xlen_t>(rows));
    out.Finish();
  } catch (const ESPSSDataFileException& e) {
    cpp11::function signal = cpp11::package("savkit")["signal_savkit_error"];
    signal(path + ": " + e.what(), e.ErrorCode() > 0 ? "savkit_file_error" : "savkit_error", e.ErrorCode());
  }
}

// The longest text's bytes in UTF-8 (the package's texts are UTF-8), NA aside.
[[cpp11::register]] int savkit_text_bytes(cpp11::strings texts) {
  int longest = 0;
  for (R_xlen_t i = 0; i < texts.size(); ++i) {
    SEXP t = STRING_ELT(texts, i);
    if (t != NA_STRING) longest = std::max(longest, LENGTH(t));
  }
  return longest;
}
