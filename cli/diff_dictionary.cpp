// savkit diff: comparing two dictionaries.
#include <map>

#include "common.h"
#include "diff.h"
#include "savkit/front/facts.h"
#include "savkit/front/text.h"

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

Pairs Documents(const front::FileFacts& f) {
  Pairs out;
  for (std::size_t i = 0; i < f.documents.size(); ++i) out.emplace_back(std::to_string(i + 1), f.documents[i]);
  return out;
}

std::optional<std::string> Weight(const front::FileFacts& f) {
  return f.weight.empty() ? std::nullopt : std::optional<std::string>(f.weight);
}

void CompareFiles(const front::FileFacts& a, const front::FileFacts& b, std::vector<Difference>& out) {
  Recorder r(out, "file", "");
  r.Text("label", a.label, b.label);
  r.Field("compression", front::CompressionName(a.compression), front::CompressionName(b.compression));
  r.Field("encoding", a.encoding, b.encoding);
  r.Field("weight", Weight(a), Weight(b));
  r.Entries("document line", Documents(a), Documents(b));
  r.Entries("attribute", a.attributes, b.attributes);
}

std::string FormatText(const front::Format& f) { return FormatName(f.type, f.width, f.decimals); }

Pairs ValueLabels(const front::VariableFacts& v) {
  Pairs out;
  for (const auto& [value, label] : v.valueLabels)
    out.emplace_back(v.numeric ? NumberText(value.ToDouble()) : value.ToString(), label);
  return out;
}

std::optional<std::string> Role(const front::VariableFacts& v) {
  if (!v.role) return std::nullopt;
  return *v.role >= 0 && *v.role <= 5 ? kRoleNames[*v.role] : std::to_string(*v.role);
}

std::optional<std::string> UnlessEmpty(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

std::string Kind(bool numeric, int width) { return numeric ? "number" : "A" + std::to_string(width); }
std::string Kind(const front::VariableFacts& v) { return Kind(v.numeric, v.width); }
std::string Kind(const TSPSSVariable& v) { return Kind(v.IsNumeric(), v.Width()); }

void CompareVariable(TSPSSDatafile& da, const TSPSSVariable& va, TSPSSDatafile& db, const TSPSSVariable& vb,
                     std::vector<Difference>& out) {
  const front::VariableFacts a = front::ReadVariableFacts(da, va), b = front::ReadVariableFacts(db, vb);
  Recorder r(out, "variable", a.name);
  r.Field("name", a.name, b.name);  // letter case only: they were matched by name
  r.Field("type", Kind(a), Kind(b));
  r.Field("print format", FormatText(a.print), FormatText(b.print));
  r.Field("write format", FormatText(a.write), FormatText(b.write));
  r.Text("label", a.label, b.label);
  r.Field("measure", LevelName(a.measure), LevelName(b.measure));
  r.Field("alignment", AlignName(a.alignment), AlignName(b.alignment));
  r.Field("display width", std::to_string(a.displayWidth), std::to_string(b.displayWidth));
  r.Field("missing values", UnlessEmpty(MissingText(va)), UnlessEmpty(MissingText(vb)));
  r.Entries("value label", ValueLabels(a), ValueLabels(b));
  r.Field("role", Role(a), Role(b));
  r.Entries("attribute", a.attributes, b.attributes);
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
    if (const TSPSSVariable* vb = b.Variables()->Find(va->Name()))
      CompareVariable(a, *va, b, *vb, out);
    else
      out.push_back({"variable", va->Name(), "", Kind(*va), std::nullopt, false});
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
    order.push_back(front::LowerAscii(a->GetItem(i)->Name()));
    inA[order.back()] = describe(a->GetItem(i));
  }
  for (int i = 0; i < b->Count(); ++i) {
    const std::string key = front::LowerAscii(b->GetItem(i)->Name());
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
  CompareFiles(front::ReadFileFacts(a), front::ReadFileFacts(b), out);  // variables are compared one by one
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
