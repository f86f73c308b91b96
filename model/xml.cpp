// The dictionary described as XML-like markup: every block is a list of
// lines, each ended by CR LF; a nested block is one line of its parent, so an
// empty line follows it.
#include <string>
#include <vector>

#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"

namespace savkit {

namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

// Only '>' and '<' are escaped, in that order.
std::string XmlEscape(std::string text) {
  for (std::size_t p = 0; (p = text.find('>', p)) != std::string::npos; p += 4) text.replace(p, 1, "&gt;");
  for (std::size_t p = 0; (p = text.find('<', p)) != std::string::npos; p += 4) text.replace(p, 1, "&lt;");
  return text;
}

void AddMembers(std::vector<std::string>& lines, TSPSSVarList* list) {
  for (int i = 0; i < list->Count(); ++i) lines.push_back(Format("<variable ID=\"%d\"/>", list->Get_Var(i)->Index()));
}

}  // namespace

std::string TSPSSValuelabels::GetXML() const {
  std::vector<std::string> lines{"<valuelabels>"};
  for (int i = 0; i < Count(); ++i)
    lines.push_back(Format("<valuelabel name=\"%s\" label=\"%s\"/>", GetItem(i)->Value().ToString(),
                           XmlEscape(GetItem(i)->Label())));
  lines.push_back("</valuelabels>");
  return Join(lines);
}

std::string TSPSSVariable::GetXML() const {
  std::string attributes = Format("ID=\"%d\" name=\"%s\" label=\"%s\"", Index(), name_, XmlEscape(labelText_));
  attributes += Format(" PrintType=\"%d\" WriteType=\"%d\" Width=\"%d\" Decimals=\"%d\"", printType_, writeType_,
                       width_, decimals_);
  attributes +=
      Format(" Columns=\"%d\" Align=\"%d\" Level=\"%d\"", columns_, static_cast<int>(align_), static_cast<int>(level_));
  attributes += Format(" MissingValueType=\"%d\" MissingValue1=\"%s\" MissingValue2=\"%s\" MissingValue3=\"%s\"",
                       missingValueType_, missing_[0].ToString(), missing_[1].ToString(), missing_[2].ToString());
  return Join({"<variable " + attributes + ">", valueLabels_->GetXML(), "</variable>"});
}

std::string TSPSSVariables::GetXML() const {
  std::vector<std::string> lines{"<variables>"};
  for (int i = 0; i < Count(); ++i) lines.push_back(GetItem(i)->GetXML());
  lines.push_back("</variables>");
  return Join(lines);
}

std::string TSPSSMRMDSets::GetXML() const {
  std::vector<std::string> lines{"<mrmdsets>"};
  for (int i = 0; i < Count(); ++i) {
    TSPSSMRMDSet* set = GetItem(i);
    lines.push_back(Format("<mrmdset name=\"%s\" label=\"%s\">", set->Name(), XmlEscape(set->Labeltext())));
    AddMembers(lines, set->VarList());
    lines.push_back("</mrmdset>");
  }
  lines.push_back("</mrmdsets>");
  return Join(lines);
}

std::string TSPSSVariableSets::GetXML() const {
  std::vector<std::string> lines{"<variablesets>"};
  for (int i = 0; i < Count(); ++i) {
    TSPSSVariableSet* set = GetItem(i);
    lines.push_back(Format("<variableset name=\"%s\">", set->Name()));
    AddMembers(lines, set->VarList());
    lines.push_back("</variableset>");
  }
  lines.push_back("</variablesets>");
  return Join(lines);
}

std::string TSPSSDatafile::GetXML() const {
  if (filename_.empty()) return {};
  return Join(
      {Format("<datafile name=\"%s\" compressed=\"%s\">", ExtractFileName(filename_), Get_Compressed() ? "1" : "0"),
       variables_->GetXML(), mrmdSets_->GetXML(), variableSets_->GetXML(), "</datafile>"});
}

}  // namespace savkit
