#include "savkit/front/define.h"

#include "savkit/datafile_exception.h"
#include "savkit/front/files.h"

namespace savkit::front {

namespace {

[[noreturn]] void Refuse(const std::string& message) { throw ESPSSDataFileException(message); }

void SetFormat(TSPSSVariable& v, const Format& f) {
  const bool text = f.type == SPSS_FMT_A || f.type == SPSS_FMT_AHEX;
  if (text != !v.IsNumeric()) Refuse(v.Name() + ": a format for " + (text ? "texts" : "numbers") + " on the other");
  v.Set_PrintType(f.type), v.Set_WriteType(f.type);
  if (!text) v.Set_Width(f.width), v.Set_Decimals(f.decimals);  // a text shows at its own width
}

void SetMissing(TSPSSVariable& v, const VariableFacts& f) {
  void (TSPSSVariable::*set[3])(const Variant&) = {&TSPSSVariable::Set_MissingValue1, &TSPSSVariable::Set_MissingValue2,
                                                   &TSPSSVariable::Set_MissingValue3};
  const bool range = f.missingType == SPSS_MISS_RANGE || f.missingType == SPSS_MISS_RANGEANDVAL;
  const std::size_t wanted =
      range ? (f.missingType == SPSS_MISS_RANGE ? 2 : 3) : static_cast<std::size_t>(f.missingType);
  if (f.missingType < SPSS_MISS_RANGEANDVAL || f.missingType > 3 || f.missing.size() != wanted)
    Refuse(v.Name() + ": at most three missing values, or a range and one value");
  if (range && !v.IsNumeric()) Refuse(v.Name() + ": a missing range on texts");
  v.Set_MissingValueType(f.missingType);
  for (std::size_t i = 0; i < f.missing.size(); ++i) (v.*set[i])(f.missing[i]);
}

void DefineVariable(TSPSSDatafile& d, const VariableFacts& f) {
  if (NameStatus(f.name) != SPSS_NAME_OK) Refuse(f.name + ": not a variable name a file can hold");
  if (d.Variables()->Find(f.name)) Refuse(f.name + ": a second variable of that name (letter case aside)");
  TSPSSVariable& v = *AddVariable(d, f.name, f.numeric, f.numeric ? 8 : f.textWidth);
  SetFormat(v, f.print);
  v.Set_LabelText(f.label);
  v.Set_Level(f.measure);
  v.Set_Align(f.alignment);
  v.Set_Columns(f.displayWidth);
  auto labels = std::make_unique<TSPSSValuelabels>(v.ValueLabels()->Datafile());
  for (const auto& [value, label] : f.valueLabels) labels->Add(value, label);
  v.Set_ValueLabels(std::move(labels));
  SetMissing(v, f);
}

TSPSSVariable& Named(TSPSSDatafile& d, const std::string& name, const std::string& what) {
  TSPSSVariable* v = d.Variables()->Find(name);
  if (!v) Refuse(what + ": there is no variable " + name);
  return *v;
}

}  // namespace

void DefineFromFacts(TSPSSDatafile& d, const FileFacts& facts) {
  for (const VariableFacts& v : facts.variables) DefineVariable(d, v);
  d.FileInfo()->Set_FileLabel(facts.label);
  if (!facts.weight.empty()) {
    TSPSSVariable& w = Named(d, facts.weight, "weight");
    if (!w.IsNumeric()) Refuse("weight: " + w.Name() + " holds texts");
    d.Variables()->Set_CaseWeightVar(&w);
  }
  for (const VariableSetFacts& s : facts.variableSets) {
    TSPSSVariableSet* set = d.VariableSets()->Add(s.name);
    for (const std::string& m : s.members) set->VarList()->Add(Named(d, m, "variable set " + s.name).Name());
  }
  for (const MrSetFacts& s : facts.mrSets) {
    TSPSSMRMDSet* set = d.MRMDSets()->Add(s.name, s.dichotomy);
    set->Set_Labeltext(s.label);
    for (const std::string& m : s.members) set->VarList()->Add(Named(d, m, "multiple-response set " + s.name).Name());
    if (s.dichotomy && !s.members.empty()) set->Set_CountedValue(s.countedValue);
  }
}

}  // namespace savkit::front
