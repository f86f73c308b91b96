#include "facts.h"

#include "savkit/front/facts.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::r {

namespace {

using cpp11::named_arg;

SEXP Char(const std::string& text) { return Rf_mkCharLenCE(text.data(), static_cast<int>(text.size()), CE_UTF8); }

SEXP Utf8(const std::string& text) { return Rf_ScalarString(Char(text)); }

SEXP Int(int n) { return Rf_ScalarInteger(n); }

cpp11::writable::strings Texts(const std::vector<std::string>& texts) {
  cpp11::writable::strings out(static_cast<R_xlen_t>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) out[static_cast<R_xlen_t>(i)] = cpp11::r_string(Char(texts[i]));
  return out;
}

// Values of one kind: numbers as doubles, texts as strings.
SEXP Values(const std::vector<Variant>& values, bool numeric) {
  if (numeric) {
    cpp11::writable::doubles out;
    for (const Variant& v : values) out.push_back(v.ToDouble());
    return out;
  }
  std::vector<std::string> texts;
  for (const Variant& v : values) texts.push_back(v.ToString());
  return Texts(texts);
}

cpp11::writable::list AttributeList(const front::Attributes& attributes) {
  std::vector<std::string> names, texts;
  for (const auto& [name, text] : attributes) names.push_back(name), texts.push_back(text);
  cpp11::writable::list out({named_arg("name") = SEXP(Texts(names)), named_arg("text") = SEXP(Texts(texts))});
  return out;
}

cpp11::writable::list Variable(const front::VariableFacts& v) {
  std::vector<Variant> labelled, missing = v.missing, range;
  std::vector<std::string> labels;
  for (const auto& [value, label] : v.valueLabels) labelled.push_back(value), labels.push_back(label);
  if (v.missingType == SPSS_MISS_RANGE || v.missingType == SPSS_MISS_RANGEANDVAL) {
    range = {v.missing[0], v.missing[1]};
    missing = v.missingType == SPSS_MISS_RANGEANDVAL ? std::vector<Variant>{v.missing[2]} : std::vector<Variant>{};
  }
  const char* role = v.role && *v.role >= 0 && *v.role <= 5 ? front::kRoleNames[*v.role] : "";
  return cpp11::writable::list({
      named_arg("name") = Utf8(v.name),
      named_arg("label") = Utf8(v.label),
      named_arg("numeric") = Rf_ScalarLogical(v.numeric),
      named_arg("width") = Int(v.width),
      named_arg("format") = Utf8(front::FormatName(v.print.type, v.print.width, v.print.decimals)),
      named_arg("write_format") = Utf8(front::FormatName(v.write.type, v.write.width, v.write.decimals)),
      named_arg("time") = Utf8(front::TimeKind(v.print.type)),
      named_arg("measure") = Utf8(front::LevelName(v.measure)),
      named_arg("alignment") = Utf8(front::AlignName(v.alignment)),
      named_arg("display_width") = Int(v.displayWidth),
      named_arg("role") = Utf8(role),
      named_arg("labelled") = Values(labelled, v.numeric),
      named_arg("labels") = SEXP(Texts(labels)),
      named_arg("na_values") = Values(missing, v.numeric),
      named_arg("na_range") = Values(range, true),
      named_arg("attributes") = SEXP(AttributeList(v.attributes)),
  });
}

cpp11::writable::list MrSet(const front::MrSetFacts& s) {
  return cpp11::writable::list({
      named_arg("name") = Utf8(s.name),
      named_arg("label") = Utf8(s.label),
      named_arg("type") = Utf8(s.dichotomy ? "dichotomy" : "category"),
      named_arg("counted_value") = s.dichotomy ? Values({s.countedValue}, !s.countedValue.IsString()) : R_NilValue,
      named_arg("variables") = SEXP(Texts(s.members)),
  });
}

}  // namespace

cpp11::writable::list Metadata(const TSPSSDatafile& d) {
  const front::FileFacts f = front::ReadFacts(d);
  cpp11::writable::list variables, sets, mrSets;
  std::vector<std::string> setNames;
  for (const front::VariableFacts& v : f.variables) variables.push_back(Variable(v));
  for (const front::VariableSetFacts& s : f.variableSets) sets.push_back(Texts(s.members)), setNames.push_back(s.name);
  if (!setNames.empty()) sets.names() = Texts(setNames);
  for (const front::MrSetFacts& s : f.mrSets) mrSets.push_back(MrSet(s));
  return cpp11::writable::list({
      named_arg("file_label") = Utf8(f.label),
      named_arg("encoding") = Utf8(f.encoding),
      named_arg("compression") = Utf8(front::CompressionName(f.compression)),
      named_arg("created") = Rf_ScalarReal(f.created),  // days since 30 Dec 1899
      named_arg("product") = Utf8(f.product),
      named_arg("rows") = Rf_ScalarReal(static_cast<double>(f.cases)),
      named_arg("weight") = Utf8(f.weight),
      named_arg("documents") = SEXP(Texts(f.documents)),
      named_arg("attributes") = SEXP(AttributeList(f.attributes)),
      named_arg("variable_sets") = SEXP(sets),
      named_arg("mr_sets") = SEXP(mrSets),
      named_arg("variables") = SEXP(variables),
  });
}

}  // namespace savkit::r
