// A text column whose R strings are made when they are first asked for
// (an ALTREP character vector): reading keeps the texts' bytes, and making
// millions of R strings, most of a read's time, is paid only for those
// used, each once. Anything that wants the whole vector as R's own
// (DATAPTR) gets it completed, and the bytes go.
#pragma once

#include <cpp11.hpp>

#include <R_ext/Altrep.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace savkit::r {

class LazyTexts {
 public:
  explicit LazyTexts(R_xlen_t n) { lengths_.reserve(static_cast<std::size_t>(n)); }
  void Add(std::string_view text) {
    starts_.push_back(bytes_.size());
    lengths_.push_back(static_cast<std::int32_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
  }
  void AddMissing() {
    starts_.push_back(bytes_.size());
    lengths_.push_back(-1);
  }
  // The vector R holds, owning this.
  static SEXP Make(std::unique_ptr<LazyTexts> texts);
  // Registers the class with R; from the package's initialisation.
  static void Register(DllInfo* dll);

 private:
  static R_altrep_class_t class_;
  static LazyTexts* Of(SEXP x);
  static SEXP Strings(SEXP x);  // R's vector of the strings made so far (data2), made empty at first
  static SEXP Made(SEXP x);     // the whole vector as R's own, completed
  static R_xlen_t Length(SEXP x);
  static SEXP Elt(SEXP x, R_xlen_t i);
  static void SetElt(SEXP x, R_xlen_t i, SEXP value);
  static void* Dataptr(SEXP x, Rboolean writable);
  static const void* DataptrOrNull(SEXP x);
  static Rboolean Inspect(SEXP x, int pre, int deep, int pvec, void (*inspect)(SEXP, int, int, int));

  SEXP Text(R_xlen_t i) const;

  std::vector<char> bytes_;
  std::vector<std::size_t> starts_;
  std::vector<std::int32_t> lengths_;  // -1: NA
  std::vector<bool> made_;             // whose string is in data2 already
};

}  // namespace savkit::r
