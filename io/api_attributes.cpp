// The C interface to attributes, roles and documents.
#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "api_support.h"
#include "io/format.h"
#include "io/names.h"

using namespace savkit::io;
using namespace savkit::io::api;

namespace {

// Attributes one entry per value: arrays as name[1], name[2], ...
void Flatten(const AttributeSet& set, std::vector<std::string>& names, std::vector<std::string>& texts) {
  for (const Attribute& a : set) {
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      names.push_back(a.values.size() == 1 ? a.name : a.name + "[" + std::to_string(i + 1) + "]");
      texts.push_back(a.values[i]);
    }
  }
}

int HandOutAttributes(const AttributeSet& set, char*** names, char*** texts, int* count) {
  if (!names || !texts || !count) return SPSS_INVALID_HANDLE;
  *names = *texts = nullptr;
  *count = 0;
  std::vector<std::string> n, t;
  Flatten(set, n, t);
  if (n.empty()) return SPSS_OK;
  const int size = static_cast<int>(n.size());
  char** nameList = DupList(size, [&](int i) { return n[static_cast<std::size_t>(i)]; });
  char** textList = nameList ? DupList(size, [&](int i) { return t[static_cast<std::size_t>(i)]; }) : nullptr;
  if (!textList) {
    FreeTexts(nameList, size);
    return SPSS_NO_MEMORY;
  }
  *names = nameList;
  *texts = textList;
  *count = size;
  return SPSS_OK;
}

constexpr const char* kRole = "$@Role";

// An attribute name as the API gives it: a name, or a reserved one after "$@".
bool ValidAttributeName(const std::string& name) {
  const std::string checked = name.starts_with("$@") ? "A" + name.substr(2) : name;
  return spssValidateVarname(checked.c_str()) == SPSS_NAME_OK;
}

// Splits "name[3]" into its name and index; 0 for a name without one.
bool SplitElement(const std::string& entry, std::string& name, int& index) {
  index = 0;
  name = entry;
  if (entry.empty() || entry.back() != ']') return true;
  const std::size_t open = entry.rfind('[');
  if (open == std::string::npos || open + 2 > entry.size() - 1) return false;
  const char* first = entry.data() + open + 1;
  const char* last = entry.data() + entry.size() - 1;
  const auto [end, ec] = std::from_chars(first, last, index);
  if (ec != std::errc() || end != last || index < 1) return false;
  name = entry.substr(0, open);
  return true;
}

// The attributes the lists give, arrays gathered from their elements in
// index order; the elements must run from 1 without a gap.
int Gather(char** names, char** texts, int count, OpenFile& f, AttributeSet& out) {
  if (count < 0 || (count > 0 && (!names || !texts))) return SPSS_INVALID_ATTRDEF;
  std::map<std::string, std::size_t> at;  // folded name -> attribute
  std::vector<std::map<int, std::string>> elements;
  std::string unused;
  for (int i = 0; i < count; ++i) {
    if (!names[i] || !texts[i]) return SPSS_INVALID_ATTRDEF;
    std::string name;
    int index = 0;
    if (!SplitElement(names[i], name, index) || !ValidAttributeName(name)) return SPSS_INVALID_ATTRNAME;
    const std::string text = texts[i];
    if (text.find('\n') != std::string::npos) return SPSS_INVALID_ATTRDEF;  // the record cannot carry it
    if (!f.out.encoder.Encode(name, unused) || !f.out.encoder.Encode(text, unused)) return SPSS_EXC_STRVALUE;
    const auto [it, added] = at.emplace(LowerAscii(name), out.size());
    if (added) {
      out.push_back({name, {}});
      elements.emplace_back();
    }
    if (!elements[it->second].emplace(index, text).second) return SPSS_INVALID_ATTRDEF;
  }
  for (std::size_t a = 0; a < out.size(); ++a) {
    const auto& e = elements[a];
    const bool single = e.size() == 1 && e.begin()->first == 0;
    if (!single && (e.begin()->first != 1 || e.rbegin()->first != static_cast<int>(e.size())))
      return SPSS_INVALID_ATTRDEF;
    for (const auto& [index, text] : e) out[a].values.push_back(text);
  }
  return SPSS_OK;
}

// Reserved attributes ("$@...") the new ones do not name carry on.
void KeepReserved(const AttributeSet& old, AttributeSet& now) {
  for (const Attribute& a : old) {
    if (!a.name.starts_with("$@")) continue;
    const bool named = std::any_of(now.begin(), now.end(),
                                   [&](const Attribute& n) { return LowerAscii(n.name) == LowerAscii(a.name); });
    if (!named) now.insert(now.begin(), a);
  }
}

}  // namespace

extern "C" {

int spssGetFileAttributes(int handle, char*** attribNames, char*** attribText, int* nAttributes) {
  return OnFile(handle, [&](OpenFile& f) {
    return HandOutAttributes(f.dict.fileAttributes, attribNames, attribText, nAttributes);
  });
}

int spssGetVarAttributes(int handle, const char* varName, char*** attribNames, char*** attribText, int* nAttributes) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    return HandOutAttributes(v.attributes, attribNames, attribText, nAttributes);
  });
}

int spssSetFileAttributes(int handle, char** attribNames, char** attribText, int nAttributes) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    AttributeSet set;
    if (const int status = Gather(attribNames, attribText, nAttributes, f, set)) return status;
    KeepReserved(f.dict.fileAttributes, set);
    f.dict.fileAttributes = std::move(set);
    f.dict.fileAttributesSet = true;
    return SPSS_OK;
  });
}

int spssSetVarAttributes(int handle, const char* varName, char** attribNames, char** attribText, int nAttributes) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    AttributeSet set;
    if (const int status = Gather(attribNames, attribText, nAttributes, f, set)) return status;
    KeepReserved(v.attributes, set);
    v.attributes = std::move(set);
    f.dict.variableAttributesSet = true;
    return SPSS_OK;
  });
}

int spssGetVarRole(int handle, const char* varName, int* varRole) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!varRole) return SPSS_INVALID_HANDLE;
    *varRole = SPSS_ROLE_INPUT;
    for (const Attribute& a : v.attributes) {
      int role = 0;
      if (LowerAscii(a.name) != LowerAscii(kRole) || a.values.size() != 1) continue;
      const std::string& text = a.values[0];
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), role);
      if (ec == std::errc() && end == text.data() + text.size() && role >= SPSS_ROLE_INPUT && role <= SPSS_ROLE_SPLIT)
        *varRole = role;
    }
    return SPSS_OK;
  });
}

int spssSetVarRole(int handle, const char* varName, int varRole) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (varRole < SPSS_ROLE_INPUT || varRole > SPSS_ROLE_SPLIT) return SPSS_INVALID_ROLE;
    std::erase_if(v.attributes, [](const Attribute& a) { return LowerAscii(a.name) == LowerAscii(kRole); });
    v.attributes.insert(v.attributes.begin(), Attribute{kRole, {std::to_string(varRole)}});
    f.dict.variableAttributesSet = true;
    return SPSS_OK;
  });
}

int spssFreeAttributes(char** attribNames, char** attribText, int nAttributes) {
  if (nAttributes < 0) return SPSS_CANNOT_FREE;
  FreeTexts(attribNames, nAttributes);
  FreeTexts(attribText, nAttributes);
  return SPSS_OK;
}

int spssGetDocuments(int handle, char*** lines, int* numLines) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!lines || !numLines) return SPSS_INVALID_HANDLE;
    *lines = nullptr;
    *numLines = 0;
    const std::vector<std::string>& docs = f.dict.documents;
    if (docs.empty()) return SPSS_OK;
    const int n = static_cast<int>(docs.size());
    *lines = DupList(n, [&](int i) { return docs[static_cast<std::size_t>(i)]; });
    if (!*lines) return SPSS_NO_MEMORY;
    *numLines = n;
    return SPSS_OK;
  });
}

int spssSetDocuments(int handle, char** lines, int numLines) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (numLines < 0 || (numLines > 0 && !lines)) return SPSS_INVALID_HANDLE;
    std::vector<std::string> docs;
    std::string encoded;
    for (int i = 0; i < numLines; ++i) {
      if (!lines[i]) return SPSS_INVALID_HANDLE;
      const std::string line = lines[i];
      // A line is 80 bytes in the file's encoding: a longer one would be cut.
      if (line.find('\n') != std::string::npos || !f.out.encoder.Encode(line, encoded) ||
          encoded.size() > kDocumentLine)
        return SPSS_EXC_STRVALUE;
      docs.push_back(line);
    }
    f.dict.documents = std::move(docs);
    return SPSS_OK;
  });
}

int spssFreeDocuments(char** lines, int numLines) {
  if (numLines < 0) return SPSS_CANNOT_FREE;
  FreeTexts(lines, numLines);
  return SPSS_OK;
}

}  // extern "C"
