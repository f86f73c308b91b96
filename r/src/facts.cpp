#include "facts.h"

#include "savkit/front/facts.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::r {

namespace {

using cpp11::named_arg;

SEXP Char(const std::string& text) { return Rf_mkCharLenCE(text.data(), static_cast<int>(text.size()), CE_UTF8); }

SEXP Utf8(const std::string& text) { return Rf_ScalarString(Char(text)); }

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
  // The columns' facts are the columns' attributes, made where they are read.
  const front::FileFacts f = front::ReadFileFacts(d);
  cpp11::writable::list sets, mrSets;
  std::vector<std::string> setNames;
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
  });
}

}  // namespace savkit::r
