#include "savkit/front/facts.h"

#include <cassert>

#include "savkit/front/values.h"
#include "savkit/model/sets.h"
#include "savkit/trim.h"

namespace savkit::front {

namespace {

// Frees what the library handed out on every path.
struct AttributeLists {
  char** names = nullptr;
  char** texts = nullptr;
  int count = 0;
  ~AttributeLists() { spssFreeAttributes(names, texts, count); }
};

// A variable's attributes (of the file when variable is null), the role's
// reserved one set apart.
Attributes StoredAttributes(int handle, const char* variable, std::optional<int>* role) {
  Attributes out;
  if (handle < 0) return out;
  AttributeLists a;
  const int status = variable ? spssGetVarAttributes(handle, variable, &a.names, &a.texts, &a.count)
                              : spssGetFileAttributes(handle, &a.names, &a.texts, &a.count);
  if (status != SPSS_OK) return out;  // a variable the file does not have yet
  for (int i = 0; i < a.count; ++i) {
    if (role && std::string_view(a.names[i]) == "$@Role") {
      int code = 0;
      if (spssGetVarRole(handle, variable, &code) == SPSS_OK) *role = code;
      continue;
    }
    out.emplace_back(a.names[i], a.texts[i]);
  }
  return out;
}

std::vector<std::string> Documents(int handle) {
  std::vector<std::string> out;
  char** lines = nullptr;
  int count = 0;
  if (handle < 0 || spssGetDocuments(handle, &lines, &count) != SPSS_OK) return out;
  for (int i = 0; i < count; ++i) out.emplace_back(lines[i]);
  spssFreeDocuments(lines, count);
  return out;
}

std::vector<std::string> Members(TSPSSVarList* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->Count(); ++i) names.push_back(list->Get_Var(i)->Name());
  return names;
}

Variant Stored(const TSPSSVariable& v, const Variant& value) {
  return v.IsNumeric() ? value : Variant(std::string(trim::Blanks(value.ToString())));
}

}  // namespace

VariableFacts ReadVariableFacts(const TSPSSDatafile& d, const TSPSSVariable& v) {
  VariableFacts f;
  f.name = v.Name();
  f.label = v.LabelText();
  f.numeric = v.IsNumeric();
  f.width = f.textWidth = v.IsNumeric() ? 0 : v.Width();
  if (int fileWidth = 0; !v.IsNumeric() && d.ReadHandle() >= 0 &&
                         spssGetVarFileWidth(d.ReadHandle(), v.Name().c_str(), &fileWidth) == SPSS_OK)
    f.width = fileWidth;
  // A string's formats follow its width in the file; AHEX shows two digits a byte.
  const auto shown = [&](int type) { return type == SPSS_FMT_AHEX ? 2 * f.width : f.width; };
  f.print = {v.PrintType(), v.IsNumeric() ? v.Width() : shown(v.PrintType()), v.Decimals()};
  f.write.type = v.WriteType();
  v.WriteFormat(f.write.width, f.write.decimals);
  if (!v.IsNumeric()) f.write.width = shown(v.WriteType());
  f.measure = v.Level();
  f.alignment = v.Align();
  f.displayWidth = v.Columns();
  f.missingType = v.MissingValueType();
  const Variant* given[] = {&v.MissingValue1(), &v.MissingValue2(), &v.MissingValue3()};
  const int values = f.missingType < 0 ? -f.missingType : f.missingType;  // a range is two of them
  for (int i = 0; i < values && i < 3; ++i) f.missing.push_back(Stored(v, *given[i]));
  if (const TSPSSValuelabels* labels = v.ValueLabels())
    for (int i = 0; i < labels->Count(); ++i)
      f.valueLabels.emplace_back(Stored(v, labels->GetItem(i)->Value()), labels->GetItem(i)->Label());
  f.attributes = StoredAttributes(d.ReadHandle(), v.Name().c_str(), &f.role);
  return f;
}

FileFacts ReadFileFacts(const TSPSSDatafile& d) {
  FileFacts f;
  const TSPSSFileInfo* info = d.FileInfo();
  f.label = info->FileLabel();
  f.created = info->TimeStamp();
  f.product = info->SystemString();
  f.cases = d.Cases()->Count();
  f.compression = d.Get_Compression();
  if (const int h = d.ReadHandle(); h >= 0) {
    char encoding[SPSS_MAX_ENCODING + 1] = "";
    if (spssGetFileEncoding(h, encoding) == SPSS_OK) f.encoding = encoding;
  }
  f.documents = Documents(d.ReadHandle());
  f.attributes = StoredAttributes(d.ReadHandle(), nullptr, nullptr);
  if (const TSPSSVariable* w = d.Variables()->CaseWeightVar()) f.weight = w->Name();
  for (int i = 0; i < d.VariableSets()->Count(); ++i) {
    TSPSSVariableSet* s = d.VariableSets()->GetItem(i);
    f.variableSets.push_back({s->Name(), Members(s->VarList())});
  }
  for (int i = 0; i < d.MRMDSets()->Count(); ++i) {
    TSPSSMRMDSet* s = d.MRMDSets()->GetItem(i);
    MrSetFacts m{s->Name(), s->Labeltext(), s->IsDichotomy(), {}, Members(s->VarList())};
    if (s->IsDichotomy()) m.countedValue = s->CountedValue();
    f.mrSets.push_back(std::move(m));
  }
  return f;
}

FileFacts ReadFacts(const TSPSSDatafile& d) {
  FileFacts f = ReadFileFacts(d);
  for (int i = 0; i < d.Variables()->Count(); ++i)
    f.variables.push_back(ReadVariableFacts(d, *d.Variables()->GetItem(i)));
  return f;
}

const char* CompressionName(int code) {
  switch (code) {
    case SPSS_COMPRESSION_BYTECODE: return "bytecode";
    case SPSS_COMPRESSION_ZLIB: return "zlib";
    default: return "none";
  }
}

int CompressionCode(std::string_view name) {
  for (const int code : {SPSS_COMPRESSION_NONE, SPSS_COMPRESSION_BYTECODE, SPSS_COMPRESSION_ZLIB})
    if (name == CompressionName(code)) return code;
  return -1;
}

}  // namespace savkit::front
