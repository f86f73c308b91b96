#include "columns.h"

#include <cfloat>
#include <cmath>

#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::r {

namespace {

constexpr double kEpoch = 12219379200.0;  // 1 Jan 1970 in the file's seconds, from 14 Oct 1582
// A missing range's LO and HI as files hold them; R says -Inf and Inf.
const double kLowest = std::nextafter(-DBL_MAX, 0.0);

SEXP Char(const std::string& text) { return Rf_mkCharLenCE(text.data(), static_cast<int>(text.size()), CE_UTF8); }

std::string Shown(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void Set(SEXP x, const char* name, SEXP value) {
  PROTECT(value);
  Rf_setAttrib(x, Rf_install(name), value);
  UNPROTECT(1);
}

void SetText(SEXP x, const char* name, const std::string& text) { Set(x, name, Rf_ScalarString(Char(text))); }

void SetClass(SEXP x, std::initializer_list<const char*> names) {
  SEXP classes = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(names.size())));
  R_xlen_t i = 0;
  for (const char* n : names) SET_STRING_ELT(classes, i++, Rf_mkChar(n));
  Rf_setAttrib(x, R_ClassSymbol, classes);
  UNPROTECT(1);
}

SEXP Values(const std::vector<Variant>& values, bool numeric) {
  SEXP out = PROTECT(Rf_allocVector(numeric ? REALSXP : STRSXP, static_cast<R_xlen_t>(values.size())));
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (numeric)
      REAL(out)[i] = values[i].ToDouble();
    else
      SET_STRING_ELT(out, static_cast<R_xlen_t>(i), Char(values[i].ToString()));
  }
  UNPROTECT(1);
  return out;
}

SEXP Texts(const std::vector<std::string>& texts) {
  SEXP out = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(texts.size())));
  for (std::size_t i = 0; i < texts.size(); ++i) SET_STRING_ELT(out, static_cast<R_xlen_t>(i), Char(texts[i]));
  UNPROTECT(1);
  return out;
}

// The file's seconds as R's Date, POSIXct (UTC) or hms, in place.
void AsTime(SEXP x, const std::string& kind) {
  double* v = REAL(x);
  const R_xlen_t n = Rf_xlength(x);
  if (kind == "duration") {
    SetClass(x, {"hms", "difftime"});
    SetText(x, "units", "secs");
    return;
  }
  const double scale = kind == "date" ? 86400.0 : 1.0;
  for (R_xlen_t i = 0; i < n; ++i) v[i] = (v[i] - kEpoch) / scale;
  if (kind == "date") return SetClass(x, {"Date"});
  SetClass(x, {"POSIXct", "POSIXt"});
  SetText(x, "tzone", "UTC");
}

// haven's labelled vectors: labels named by their texts as shown; with
// user-missing values kept, haven_labelled_spss with na_values and na_range.
void AsLabelled(SEXP x, const front::VariableFacts& v, bool userNa) {
  std::vector<Variant> labelled, values = v.missing, range;
  std::vector<std::string> labels, exact;
  for (const auto& [value, label] : v.valueLabels)
    labelled.push_back(value), labels.push_back(Shown(label)), exact.push_back(label);
  if (v.missingType == SPSS_MISS_RANGE || v.missingType == SPSS_MISS_RANGEANDVAL) {
    const double low = v.missing[0].ToDouble(), high = v.missing[1].ToDouble();
    range = {Variant(low <= kLowest ? -INFINITY : low), Variant(high >= DBL_MAX ? INFINITY : high)};
    values = v.missingType == SPSS_MISS_RANGEANDVAL ? std::vector<Variant>{v.missing[2]} : std::vector<Variant>{};
  }
  const bool spss = userNa && (!values.empty() || !range.empty());
  if (labels.empty() && !spss) return;
  if (!labels.empty()) {
    SEXP named = PROTECT(Values(labelled, v.numeric));
    Set(named, "names", Texts(labels));
    Set(x, "labels", named);
    UNPROTECT(1);
    if (labels != exact) Set(x, "labels.spss", Texts(exact));  // the file's texts, for writing back
  }
  if (spss) {
    if (!values.empty()) Set(x, "na_values", Values(values, v.numeric));
    if (!range.empty()) Set(x, "na_range", Values(range, true));
  }
  const char* type = v.numeric ? "double" : "character";
  if (spss) return SetClass(x, {"haven_labelled_spss", "haven_labelled", "vctrs_vctr", type});
  SetClass(x, {"haven_labelled", "vctrs_vctr", type});
}

}  // namespace

void Decorate(SEXP x, const front::VariableFacts& v, bool userNa) {
  const std::string time = front::TimeKind(v.print.type);
  if (v.numeric && !time.empty())
    AsTime(x, time);
  else
    AsLabelled(x, v, userNa);
  if (!v.label.empty()) SetText(x, "label", Shown(v.label));
  if (Shown(v.label) != v.label) SetText(x, "label.spss", v.label);
  const std::string format = front::FormatName(v.print.type, v.print.width, v.print.decimals);
  SetText(x, "format.spss", format);
  if (const std::string write = front::FormatName(v.write.type, v.write.width, v.write.decimals); write != format)
    SetText(x, "write_format.spss", write);
  Set(x, "display_width", Rf_ScalarInteger(v.displayWidth));
  SetText(x, "measure", front::LevelName(v.measure));
  SetText(x, "alignment", front::AlignName(v.alignment));
  if (v.role && *v.role >= 0 && *v.role <= 5) SetText(x, "role", front::kRoleNames[*v.role]);
  if (!v.attributes.empty()) {
    std::vector<std::string> names, texts;
    for (const auto& [name, text] : v.attributes) names.push_back(name), texts.push_back(text);
    SEXP values = PROTECT(Texts(texts));
    Set(values, "names", Texts(names));
    Set(x, "spss_attributes", values);
    UNPROTECT(1);
  }
}

}  // namespace savkit::r
