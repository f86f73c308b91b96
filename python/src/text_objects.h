// Python strings from a file's text values, without padding. A column's
// values that repeat become one object each: a table of the texts seen keeps
// them while it pays, which saves the making, and the memory, of most
// strings of a coded column.
#pragma once

#include <Python.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "savkit/front/facts.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::python {

class TextObjects {
 public:
  // budget: bytes the table may take, texts included; 0 turns it off.
  explicit TextObjects(std::size_t budget) : budget_(budget), on_(budget > 0) {}
  TextObjects(const TextObjects&) = delete;
  TextObjects& operator=(const TextObjects&) = delete;
  TextObjects(TextObjects&& o) noexcept
      : budget_(o.budget_),
        on_(o.on_),
        table_(std::move(o.table_)),
        bytes_(std::move(o.bytes_)),
        used_(o.used_),
        looked_(o.looked_),
        found_(o.found_) {
    o.table_.clear();
  }
  ~TextObjects() {
    for (Entry& e : table_) Py_XDECREF(e.object);
  }

  // A new reference to the str for text; null with a Python error set when
  // none could be made.
  PyObject* Get(std::string_view text) {
    if (!on_) return Make(text);
    if (table_.empty()) table_.resize(1024);
    ++looked_;
    const std::uint64_t hash = front::TextHash(text);
    std::size_t i = hash & (table_.size() - 1);
    for (; table_[i].object; i = (i + 1) & (table_.size() - 1)) {
      const Entry& e = table_[i];
      if (e.hash == hash && e.size == text.size() &&
          std::memcmp(bytes_.data() + e.offset, text.data(), text.size()) == 0) {
        ++found_;
        Py_INCREF(e.object);
        return e.object;
      }
    }
    PyObject* made = Make(text);
    if (made && Keep()) {
      Py_INCREF(made);
      table_[i] = Entry{made, hash, bytes_.size(), text.size()};
      bytes_.append(text);
      if (++used_ * 2 > table_.size()) Grow();
    }
    return made;
  }

 private:
  struct Entry {
    PyObject* object = nullptr;
    std::uint64_t hash = 0;
    std::size_t offset = 0, size = 0;
  };

  // Whether a new text goes into the table: not once lookups (64Ki and
  // more) find fewer than one in four, nor past the budget.
  bool Keep() {
    if (looked_ >= 65536 && found_ < looked_ / 4) {
      on_ = false;
      for (Entry& e : table_) Py_XDECREF(e.object);
      std::vector<Entry>().swap(table_);
      std::string().swap(bytes_);
      return false;
    }
    return (table_.size() * 2) * sizeof(Entry) + bytes_.size() < budget_;
  }

  void Grow() {
    std::vector<Entry> old(table_.size() * 2);
    old.swap(table_);
    for (const Entry& e : old) {
      if (!e.object) continue;
      std::size_t i = e.hash & (table_.size() - 1);
      while (table_[i].object) i = (i + 1) & (table_.size() - 1);
      table_[i] = e;
    }
  }

  static bool Ascii(std::string_view t) {
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i + 8 <= t.size(); i += 8) {
      std::uint64_t w;
      std::memcpy(&w, t.data() + i, 8);
      bits |= w;
    }
    for (; i < t.size(); ++i) bits |= static_cast<unsigned char>(t[i]);
    return (bits & 0x8080808080808080ull) == 0;
  }

  static PyObject* Make(std::string_view t) {
    if (Ascii(t)) {
      PyObject* s = PyUnicode_New(static_cast<Py_ssize_t>(t.size()), 127);
      if (s) std::memcpy(PyUnicode_1BYTE_DATA(s), t.data(), t.size());
      return s;
    }
    // Bytes that are no UTF-8 (a text cut inside a character) show as U+FFFD.
    return PyUnicode_DecodeUTF8(t.data(), static_cast<Py_ssize_t>(t.size()), "replace");
  }

  std::size_t budget_;
  bool on_;
  std::vector<Entry> table_;
  std::string bytes_;  // the texts of the table's entries, one after another
  std::size_t used_ = 0;
  std::uint64_t looked_ = 0, found_ = 0;
};

}  // namespace savkit::python
