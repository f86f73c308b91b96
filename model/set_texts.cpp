// The line-oriented texts in which the library exchanges variable sets and
// multiple-response sets.
#include <cstdlib>

#include "mr_default.h"

#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// Appends " name" for each member, lower-cased (A to Z); a member that cannot
// be read is left out and the line goes on.
void AppendMembers(std::string& text, TSPSSVarList* list) {
  for (int i = 0; i < list->Count(); ++i) {
    try {
      const std::string name = LowerCase(list->Get_Var(i)->Name());
      if (!name.empty()) text += " " + name;
    } catch (...) {
    }
  }
}

// The words of text between single blanks; empty words stand between two
// adjacent blanks, before a leading and after a trailing one.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  for (std::size_t end; (end = text.find(' ', pos)) != std::string::npos; pos = end + 1)
    words.push_back(text.substr(pos, end - pos));
  words.push_back(text.substr(pos));
  return words;
}

// A text the library handed out, copied, and the text given back to it.
template <class Get, class Free>
std::string TakeText(Get&& get, Free&& give) {
  char* raw = nullptr;
  CheckSuccess(get(&raw));
  std::string text = raw ? raw : "";
  CheckSuccess(give(raw));
  return text;
}

}  // namespace

std::string TSPSSDatafile::VariableSetText() const {
  std::string text;
  for (int i = 0; i < variableSets_->Count(); ++i) {
    TSPSSVariableSet* set = variableSets_->GetItem(i);
    text += set->Name() + "=";
    AppendMembers(text, set->VarList());
    text += "\n";
  }
  return text;
}

void TSPSSDatafile::WriteVariableSet() {
  if (variableSets_->Count() == 0) return;
  CheckSuccess(spssSetVariableSets(writeHandle_, VariableSetText().c_str()));
}

void TSPSSDatafile::ReadVariableSet(bool again) {
  std::string text = TakeText([&](char** t) { return spssGetVariableSets(readHandle_, t); }, spssFreeVariableSets);
  int read = 0;
  // Whole lines only: text after the last line feed is left out.
  for (std::size_t eol; (eol = text.find('\n')) != std::string::npos; ++read) {
    std::string line = text.substr(0, eol);
    text.erase(0, eol + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    const std::string name = eq == std::string::npos ? "" : Trim(line.substr(0, eq));
    TSPSSVariableSet* set = nullptr;
    if (again && read < variableSets_->Count()) {
      set = variableSets_->GetItem(read);
      set->name_ = name;
      set->varList_.members_.clear();
    } else {
      set = variableSets_->AddExistingVariableSet(name);
    }
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    for (const std::string& word : Words(line.substr(blank + 1)))
      if (TSPSSVariable* v = variables_->Find(word)) set->VarList()->AddExisting(v->Name());
  }
  while (again && variableSets_->Count() > read) variableSets_->TCollection::Delete(variableSets_->Count() - 1);
}

std::string TSPSSDatafile::MRMDSetText(bool storableOnly) const {
  std::string text;
  for (int i = 0; i < mrmdSets_->Count(); ++i) {
    TSPSSMRMDSet* set = mrmdSets_->GetItem(i);
    if (storableOnly && set->LeftOutOfFiles()) continue;
    text += "$" + set->Name() + "=";
    if (set->IsDichotomy()) {
      const std::string value = set->CountedValue().ToString();
      text += "D" + std::to_string(value.size()) + " " + value + " ";
    } else {
      text += "C ";
    }
    text += std::to_string(set->Labeltext().size()) + " " + set->Labeltext();
    AppendMembers(text, set->VarList());
    text += "\n";
  }
  return text;
}

void TSPSSDatafile::WriteMRMDSet() {
  const std::string text = MRMDSetText(true);
  if (!text.empty()) CheckSuccess(spssSetMultRespDefs(writeHandle_, text.c_str()));
}

void TSPSSDatafile::ReadMRMDSet(bool again) {
  std::string text = TakeText([&](char** t) { return spssGetMultRespDefs(readHandle_, t); }, spssFreeMultRespDefs);
  int read = 0;
  // A last line without its line feed is read as a line all the same.
  for (; !text.empty(); ++read) {
    const std::size_t eol = text.find('\n');
    const std::string line = text.substr(0, eol);
    text.erase(0, eol == std::string::npos ? text.size() : eol + 1);
    if (again && read < mrmdSets_->Count())
      FillMRMDSet(*mrmdSets_->GetItem(read), line);
    else
      ParseMRMDSetLine(line);
  }
  while (again && mrmdSets_->Count() > read) mrmdSets_->TCollection::Delete(mrmdSets_->Count() - 1);
}

TSPSSMRMDSet* TSPSSDatafile::ParseMRMDSetLine(const std::string& line) {
  TSPSSMRMDSet* set = mrmdSets_->AddExistingMRMDSet("");
  FillMRMDSet(*set, line);
  return set;
}

void TSPSSDatafile::FillMRMDSet(TSPSSMRMDSet& into, const std::string& line) {
  TSPSSMRMDSet* set = &into;
  set->varList_.members_.clear();
  set->shrunkByDeletion_ = false;
  std::string rest = Trim(line);
  const std::size_t eq = rest.find('=');
  set->name_ = eq == std::string::npos || eq < 1 ? std::string() : rest.substr(1, eq - 1);
  if (eq != std::string::npos) rest.erase(0, eq + 1);

  const std::size_t q = rest.find(' ');
  const std::string typeWord = q != std::string::npos && q > 0 ? rest.substr(0, q) : rest;
  if (q != std::string::npos) rest.erase(0, q + 1);
  if (!typeWord.empty() && (typeWord[0] == 'D' || typeWord[0] == 'd')) {
    // The counted value ends at the first blank or backspace; a value with
    // neither runs to the end of the line.
    const std::size_t stop = rest.find_first_of(std::string(" \b", 2));
    const std::string value = rest.substr(0, stop);
    set->countedValue_ = Variant(value);
    rest = Trim(rest.substr(value.size()));
    set->isDichotomy_ = true;
  } else {
    set->countedValue_ = MRDefault(-1);
    set->isDichotomy_ = false;
  }

  int n = 0;
  if (const std::size_t r = rest.find(' '); r != std::string::npos) {
    n = StrToInt(Trim(rest.substr(0, r)));
    rest.erase(0, r + 1);
  }
  if (n > 0) {
    set->labeltext_ = rest.substr(0, static_cast<std::size_t>(n));
    rest = Trim(rest.substr(std::min(rest.size(), static_cast<std::size_t>(n))));
    // A word of digits 1 to 8 after the label is not a member.
    if (!rest.empty() && rest[0] > '0' && rest[0] < '9') {
      if (const std::size_t b = rest.find(' '); b != std::string::npos) rest.erase(0, b + 1);
    }
  } else {
    set->labeltext_.clear();
  }
  for (const std::string& word : Words(rest))
    if (TSPSSVariable* v = variables_->Find(word)) set->VarList()->AddExisting(v->Name());
}

}  // namespace savkit
