// R strings (CHARSXPs) of a column's texts: a value that repeats is looked
// up in a small table of the texts seen rather than made again, which is
// most of a coded column's cost. Each CHARSXP in the table is also in the
// column, which keeps it alive.
#pragma once

#include <cpp11.hpp>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "savkit/front/values.h"

namespace savkit::r {

class TextCache {
 public:
  SEXP Get(std::string_view text) {
    if (!on_) return Make(text);
    ++looked_;
    const std::uint64_t hash = front::TextHash(text);
    std::size_t i = hash & (table_.size() - 1);
    for (; table_[i].made; i = (i + 1) & (table_.size() - 1)) {
      const Entry& e = table_[i];
      if (e.hash == hash && e.size == text.size() && std::memcmp(bytes_.data() + e.offset, text.data(), text.size()) == 0)
        return ++found_, e.made;
    }
    SEXP made = Make(text);
    ++added_;
    // A column whose texts hardly repeat is made text by text from here on.
    if (looked_ >= kTrial && found_ * 4 < looked_) {
      on_ = false;
      std::vector<Entry>().swap(table_);
      std::string().swap(bytes_);
      return made;
    }
    if (added_ > kEntries || bytes_.size() + text.size() > kBytes) return made;  // full: what is in it is still found
    if (2 * (added_ + 1) > table_.size()) i = Grow(hash);
    table_[i] = {hash, bytes_.size(), text.size(), made};
    bytes_.append(text);
    return made;
  }

 private:
  // Decided after kTrial texts; at most kEntries texts of kBytes in all.
  static constexpr std::size_t kTrial = 1 << 17, kEntries = 1 << 17, kBytes = 4 << 20;
  struct Entry {
    std::uint64_t hash = 0;
    std::size_t offset = 0, size = 0;
    SEXP made = nullptr;
  };
  static SEXP Make(std::string_view t) { return Rf_mkCharLenCE(t.data(), static_cast<int>(t.size()), CE_UTF8); }

  // Twice the slots, the entries placed again; gives the free slot for hash.
  std::size_t Grow(std::uint64_t hash) {
    std::vector<Entry> old(table_.size() * 2);
    old.swap(table_);
    for (const Entry& e : old)
      if (e.made) table_[Free(e.hash)] = e;
    return Free(hash);
  }
  std::size_t Free(std::uint64_t hash) const {
    std::size_t j = hash & (table_.size() - 1);
    while (table_[j].made) j = (j + 1) & (table_.size() - 1);
    return j;
  }

  std::vector<Entry> table_ = std::vector<Entry>(1024);
  std::string bytes_;
  std::size_t looked_ = 0, added_ = 0, found_ = 0;
  bool on_ = true;
};

}  // namespace savkit::r
