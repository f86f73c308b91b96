// savkit diff: comparing two dictionaries.
#include <map>

#include "common.h"
#include "diff.h"
#include "io/names.h"
#include "savkit/spssio.h"

namespace savkit::cli {

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Records differences in one scope and name.
class Recorder {
 public:
  Recorder(std::vector<Difference>& out, std::string scope, std::string name)
      : out_(out), scope_(std::move(scope)), name_(std::move(name)) {}
  void Field(const std::string& field, const std::optional<std::string>& a, const std::optional<std::string>& b,
             bool text = false) {
    if (a != b) out_.push_back({scope_, name_, field, a, b, text});
  }
  void Text(const std::string& field, const std::string& a, const std::string& b) { Field(field, a, b, true); }
  // Entries matched by key, in a's order and then b's own.
  void Entries(const std::string& field, const Pairs& a, const Pairs& b) {
    const std::map<std::string, std::string> inA(a.begin(), a.end()), inB(b.begin(), b.end());
    auto side = [](const std::map<std::string, std::string>& m, const std::string& key) {
      const auto it = m.find(key);
      return it == m.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    for (const auto& [key, value] : a) Field(field + " " + key, value, side(inB, key), true);
    for (const auto& [key, value] : b)
      if (!inA.count(key)) Field(field + " " + key, std::nullopt, value, true);
  }

 private:
  std::vector<Difference>& out_;
  std::string scope_, name_;
};

Pairs Attributes(int handle, const char* variable) {
  char** names = nullptr;
  char** texts = nullptr;
  int n = 0;
  const int status = variable ? spssGetVarAttributes(handle, variable, &names, &texts, &n)
                              : spssGetFileAttributes(handle, &names, &texts, &n);
  Pairs out;
  if (status != SPSS_OK) return out;
  for (int i = 0; i < n; ++i) out.emplace_back(names[i], texts[i]);
  spssFreeAttributes(names, texts, n);
  return out;
}

Pairs Documents(int handle) {
  char** lines = nullptr;
  int n = 0;
  Pairs out;
  if (spssGetDocuments(handle, &lines, &n) != SPSS_OK) return out;
  for (int i = 0; i < n; ++i) out.emplace_back(std::to_string(i + 1), lines[i]);
  spssFreeDocuments(lines, n);
  return out;
}

std::string Encoding(int handle) {
  char name[SPSS_MAX_ENCODING + 1] = "";
  spssGetFileEncoding(handle, name);
  return name;
}

std::string Compression(int handle) {
  int code = 0;
  spssGetCompression(handle, &code);
  return code == 2 ? "zlib" : code == 1 ? "bytecode" : "none";
}

std::optional<std::string> Weight(TSPSSDatafile& d) {
  const TSPSSVariable* w = d.Variables()->CaseWeightVar();
  return w ? std::optional<std::string>(w->Name()) : std::nullopt;
}

void CompareFiles(TSPSSDatafile& a, TSPSSDatafile& b, std::vector<Difference>& out) {
  Recorder r(out, "file", "");
  r.Text("label", a.FileInfo()->FileLabel(), b.FileInfo()->FileLabel());
  r.Field("compression", Compression(a.ReadHandle()), Compression(b.ReadHandle()));
  r.Field("encoding", Encoding(a.ReadHandle()), Encoding(b.ReadHandle()));
  r.Field("weight", Weight(a), Weight(b));
  r.Entries("document line", Documents(a.ReadHandle()), Documents(b.ReadHandle()));
  r.Entries("attribute", Attributes(a.ReadHandle(), nullptr), Attributes(b.ReadHandle(), nullptr));
}

std::string Format(int handle, const std::string& name, bool print) {
  int type = 0, decimals = 0, width = 0;
  if (print) spssGetVarPrintFormat(handle, name.c_str(), &type, &decimals, &width);
  else spssGetVarWriteFormat(handle, name.c_str(), &type, &decimals, &width);
  return FormatName(type, width, decimals);
}

Pairs ValueLabels(const TSPSSVariable& v) {
  Pairs out;
  const TSPSSValuelabels* labels = v.ValueLabels();
  for (int i = 0; i < labels->Count(); ++i) {
    const TSPSSValueLabel* l = labels->GetItem(i);
    out.emplace_back(v.IsNumeric() ? NumberText(l->Value().ToDouble()) : TrimRight(l->Value().ToString()), l->Label());
  }
  return out;
}

// The label as stored, however long: the component's is cut for display.
std::string Label(int handle, const std::string& name) {
  int size = 0;
  char probe[1];
  if (spssGetVarLabelLong(handle, name.c_str(), probe, 1, &size) != SPSS_OK) return {};
  std::string label(static_cast<std::size_t>(size) + 1, '\0');
  spssGetVarLabelLong(handle, name.c_str(), label.data(), size + 1, &size);
  label.resize(static_cast<std::size_t>(size));
  return label;
}

std::optional<std::string> UnlessEmpty(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

std::string Kind(const TSPSSVariable& v) { return v.IsNumeric() ? "number" : "A" + std::to_string(v.Width()); }

void CompareVariable(TSPSSDatafile& da, const TSPSSVariable& a, TSPSSDatafile& db, const TSPSSVariable& b,
                     std::vector<Difference>& out) {
  Recorder r(out, "variable", a.Name());
  r.Field("name", a.Name(), b.Name());  // letter case only: they were matched by name
  r.Field("type", Kind(a), Kind(b));
  r.Field("print format", Format(da.ReadHandle(), a.Name(), true), Format(db.ReadHandle(), b.Name(), true));
  r.Field("write format", Format(da.ReadHandle(), a.Name(), false), Format(db.ReadHandle(), b.Name(), false));
  r.Text("label", Label(da.ReadHandle(), a.Name()), Label(db.ReadHandle(), b.Name()));
  r.Field("measure", LevelName(a.Level()), LevelName(b.Level()));
  r.Field("alignment", AlignName(a.Align()), AlignName(b.Align()));
  r.Field("display width", std::to_string(a.Columns()), std::to_string(b.Columns()));
  r.Field("missing values", UnlessEmpty(MissingText(a)), UnlessEmpty(MissingText(b)));
  r.Entries("value label", ValueLabels(a), ValueLabels(b));
  r.Entries("attribute", Attributes(da.ReadHandle(), a.Name().c_str()), Attributes(db.ReadHandle(), b.Name().c_str()));
}

// The variables both files have, in the order of the file `of`, each as b's.
std::vector<const TSPSSVariable*> CommonInOrder(TSPSSDatafile& of, TSPSSDatafile& a, TSPSSDatafile& b) {
  std::vector<const TSPSSVariable*> common;
  for (int i = 0; i < of.Variables()->Count(); ++i) {
    const std::string& name = of.Variables()->GetItem(i)->Name();
    if (a.Variables()->Find(name))
      if (const TSPSSVariable* v = b.Variables()->Find(name)) common.push_back(v);
  }
  return common;
}

// Where the common variables stand in another order: a few names from the
// first that differs.
void CompareOrder(TSPSSDatafile& a, TSPSSDatafile& b, std::vector<Difference>& out) {
  const std::vector<const TSPSSVariable*> inA = CommonInOrder(a, a, b), inB = CommonInOrder(b, a, b);
  std::size_t first = 0;
  while (first < inA.size() && first < inB.size() && inA[first] == inB[first]) ++first;
  if (first == inA.size() && first == inB.size()) return;
  auto from = [&](const std::vector<const TSPSSVariable*>& vars) {
    std::string text = "from position " + std::to_string(first + 1) + ":";
    for (std::size_t i = first; i < vars.size() && i < first + 5; ++i) text += " " + vars[i]->Name();
    return text + (vars.size() > first + 5 ? " …" : "");
  };
  Recorder(out, "file", "").Field("variable order", from(inA), from(inB));
}

void CompareVariables(TSPSSDatafile& a, TSPSSDatafile& b, std::vector<Difference>& out) {
  for (int i = 0; i < a.Variables()->Count(); ++i) {
    const TSPSSVariable* va = a.Variables()->GetItem(i);
    if (const TSPSSVariable* vb = b.Variables()->Find(va->Name())) CompareVariable(a, *va, b, *vb, out);
    else out.push_back({"variable", va->Name(), "", Kind(*va), std::nullopt, false});
  }
  for (int i = 0; i < b.Variables()->Count(); ++i) {
    const TSPSSVariable* vb = b.Variables()->GetItem(i);
    if (!a.Variables()->Find(vb->Name())) out.push_back({"variable", vb->Name(), "", std::nullopt, Kind(*vb), false});
  }
  CompareOrder(a, b, out);
}

std::string Members(TSPSSVarList* list) {
  std::string text;
  for (int i = 0; i < list->Count(); ++i) text += (i ? " " : "") + list->Get_Var(i)->Name();
  return text;
}

// Sets matched by name, described by their fields.
template <class Sets, class Describe>
void CompareSets(const std::string& scope, Sets* a, Sets* b, Describe describe, std::vector<Difference>& out) {
  std::map<std::string, std::map<std::string, std::string>> inA, inB;
  std::vector<std::string> order;
  for (int i = 0; i < a->Count(); ++i) {
    order.push_back(io::LowerAscii(a->GetItem(i)->Name()));
    inA[order.back()] = describe(a->GetItem(i));
  }
  for (int i = 0; i < b->Count(); ++i) {
    const std::string key = io::LowerAscii(b->GetItem(i)->Name());
    if (!inA.count(key)) order.push_back(key);
    inB[key] = describe(b->GetItem(i));
  }
  for (const std::string& key : order) {
    const auto ia = inA.find(key), ib = inB.find(key);
    const std::string& name = (ia != inA.end() ? ia : ib)->second.at("name");
    if (ia == inA.end() || ib == inB.end()) {
      out.push_back({scope, name, "", ia != inA.end() ? std::optional(ia->second.at("members")) : std::nullopt,
                     ib != inB.end() ? std::optional(ib->second.at("members")) : std::nullopt, false});
      continue;
    }
    Recorder r(out, scope, name);
    for (const auto& [field, value] : ia->second) r.Field(field, value, ib->second.at(field), field == "label");
  }
}

}  // namespace

std::vector<Difference> CompareDictionaries(TSPSSDatafile& a, TSPSSDatafile& b) {
  std::vector<Difference> out;
  CompareFiles(a, b, out);
  CompareVariables(a, b, out);
  CompareSets(
      "variable set", a.VariableSets(), b.VariableSets(),
      [](TSPSSVariableSet* s) {
        return std::map<std::string, std::string>{{"name", s->Name()}, {"members", Members(s->VarList())}};
      },
      out);
  CompareSets(
      "multiple-response set", a.MRMDSets(), b.MRMDSets(),
      [](TSPSSMRMDSet* s) {
        const std::string kind = s->IsDichotomy() ? "dichotomy counting " + s->CountedValue().ToString() : "category";
        return std::map<std::string, std::string>{
            {"name", s->Name()}, {"kind", kind}, {"label", s->Labeltext()}, {"members", Members(s->VarList())}};
      },
      out);
  return out;
}

}  // namespace savkit::cli
