// What the functions of the C interface share: finding the open file a handle
// names, and handing out texts and lists the caller frees.
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "guard.h"
#include "open_file.h"
#include "savkit/spssio.h"
#include "io/text_codec.h"

namespace savkit::io::api {

// A file's dictionary, in any mode: a new file's as far as it is defined.
template <class F>
int OnFile(int handle, F&& f) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    return f(*file);
  });
}

// The cases of a file open for reading.
template <class F>
int OnReader(int handle, F&& f) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode != OpenFile::Mode::Read) return SPSS_OPEN_WRMODE;
    return f(*file);
  });
}

template <class F>
int OnVariable(int handle, const char* name, F&& f) {
  return OnFile(handle, [&](OpenFile& file) {
    if (!name) return SPSS_INVALID_VARNAME;
    const Variable* v = file.Find(name);
    return v ? f(file, *v) : SPSS_VAR_NOTFOUND;
  });
}

inline void CopyText(char* dst, std::string text, std::size_t maxBytes) {
  CutUtf8(text, maxBytes);
  std::memcpy(dst, text.c_str(), text.size() + 1);
}

inline char* Dup(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

inline void FreeTexts(char** texts, int n) {
  if (!texts) return;
  for (int i = 0; i < n; ++i) std::free(texts[i]);
  std::free(texts);
}

// A list of n texts, or null when memory runs out (nothing is left allocated).
template <class Get>
char** DupList(int n, Get&& get) {
  auto** list = static_cast<char**>(std::calloc(static_cast<std::size_t>(n > 0 ? n : 1), sizeof(char*)));
  if (!list) return nullptr;
  for (int i = 0; i < n; ++i)
    if (!(list[i] = Dup(get(i)))) {
      FreeTexts(list, i);
      return nullptr;
    }
  return list;
}

// A text of the file's, or null with the warning for none or for an empty one.
inline int HandOut(bool present, const std::string& text, int none, int empty, char** out) {
  if (!out) return SPSS_INVALID_HANDLE;
  *out = nullptr;
  if (!present) return none;
  if (text.empty()) return empty;
  *out = Dup(text);
  return *out ? SPSS_OK : SPSS_NO_MEMORY;
}

// A new file's dictionary, before it is committed.
template <class F>
int OnNewDictionary(int handle, F&& f) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode == OpenFile::Mode::Read) return SPSS_OPEN_RDMODE;
    if (file->out.broken) return SPSS_FILE_WERROR;
    if (file->out.committed) return SPSS_DICT_COMMIT;
    return f(*file);
  });
}

template <class F>
int OnNewVariable(int handle, const char* name, F&& f) {
  return OnNewDictionary(handle, [&](OpenFile& file) {
    if (!name) return SPSS_INVALID_VARNAME;
    const Variable* v = file.Find(name);
    return v ? f(file, const_cast<Variable&>(*v)) : SPSS_VAR_NOTFOUND;
  });
}

// The variable a handle from spssGetVarHandle names, or null.
inline Variable* ByHandle(OpenFile& f, double varHandle) {
  if (!(varHandle >= 0) || varHandle >= static_cast<double>(f.dict.variables.size()) ||
      varHandle != std::floor(varHandle))
    return nullptr;
  return &f.dict.variables[static_cast<std::size_t>(varHandle)];
}

}  // namespace savkit::io::api
