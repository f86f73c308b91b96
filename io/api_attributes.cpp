// The C interface to attributes and documents.
#include <string>
#include <vector>

#include "api_support.h"

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

}  // namespace

extern "C" {

int spssGetFileAttributes(int handle, char*** attribNames, char*** attribText, int* nAttributes) {
  return OnFile(handle, [&](OpenFile& f) {
    return HandOutAttributes(f.dict.fileAttributes, attribNames, attribText, nAttributes);
  });
}

int spssGetVarAttributes(int handle, const char* varName, char*** attribNames, char*** attribText,
                         int* nAttributes) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    return HandOutAttributes(v.attributes, attribNames, attribText, nAttributes);
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

int spssFreeDocuments(char** lines, int numLines) {
  if (numLines < 0) return SPSS_CANNOT_FREE;
  FreeTexts(lines, numLines);
  return SPSS_OK;
}

}  // extern "C"
