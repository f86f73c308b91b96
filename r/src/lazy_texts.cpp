#include "lazy_texts.h"

#include <memory>

namespace savkit::r {

R_altrep_class_t LazyTexts::class_;

namespace {

void Release(SEXP pointer) {
  delete static_cast<LazyTexts*>(R_ExternalPtrAddr(pointer));
  R_ClearExternalPtr(pointer);
}

}  // namespace

// data1: an external pointer to the texts, cleared once every string is
// made; data2: R's vector of the strings made so far.
SEXP LazyTexts::Make(std::unique_ptr<LazyTexts> texts) {
  SEXP pointer = PROTECT(R_MakeExternalPtr(texts.get(), R_NilValue, R_NilValue));
  texts.release();
  R_RegisterCFinalizerEx(pointer, Release, TRUE);
  SEXP x = R_new_altrep(class_, pointer, R_NilValue);
  UNPROTECT(1);
  return x;
}

LazyTexts* LazyTexts::Of(SEXP x) { return static_cast<LazyTexts*>(R_ExternalPtrAddr(R_altrep_data1(x))); }

SEXP LazyTexts::Text(R_xlen_t i) const {
  const auto k = static_cast<std::size_t>(i);
  if (lengths_[k] < 0) return NA_STRING;
  return Rf_mkCharLenCE(bytes_.data() + starts_[k], lengths_[k], CE_UTF8);
}

SEXP LazyTexts::Strings(SEXP x) {
  SEXP strings = R_altrep_data2(x);
  if (strings != R_NilValue) return strings;
  LazyTexts* texts = Of(x);
  strings = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(texts->lengths_.size())));
  R_set_altrep_data2(x, strings);
  UNPROTECT(1);
  texts->made_.assign(texts->lengths_.size(), false);
  return strings;
}

SEXP LazyTexts::Made(SEXP x) {
  SEXP strings = Strings(x);
  LazyTexts* texts = Of(x);
  if (!texts) return strings;  // completed before
  const auto n = static_cast<R_xlen_t>(texts->lengths_.size());
  for (R_xlen_t i = 0; i < n; ++i)
    if (!texts->made_[static_cast<std::size_t>(i)]) SET_STRING_ELT(strings, i, texts->Text(i));
  Release(R_altrep_data1(x));  // every string is made: the bytes are not needed any more
  return strings;
}

R_xlen_t LazyTexts::Length(SEXP x) {
  const LazyTexts* texts = Of(x);
  return texts ? static_cast<R_xlen_t>(texts->lengths_.size()) : Rf_xlength(R_altrep_data2(x));
}

SEXP LazyTexts::Elt(SEXP x, R_xlen_t i) {
  LazyTexts* texts = Of(x);
  if (!texts) return STRING_ELT(R_altrep_data2(x), i);
  SEXP strings = Strings(x);
  if (!texts->made_[static_cast<std::size_t>(i)]) {
    SET_STRING_ELT(strings, i, texts->Text(i));
    texts->made_[static_cast<std::size_t>(i)] = true;
  }
  return STRING_ELT(strings, i);
}

void LazyTexts::SetElt(SEXP x, R_xlen_t i, SEXP value) { SET_STRING_ELT(Made(x), i, value); }

void* LazyTexts::Dataptr(SEXP x, Rboolean) { return DATAPTR(Made(x)); }

const void* LazyTexts::DataptrOrNull(SEXP x) { return Of(x) ? nullptr : DATAPTR(R_altrep_data2(x)); }

Rboolean LazyTexts::Inspect(SEXP x, int, int, int, void (*)(SEXP, int, int, int)) {
  Rprintf("savkit texts (%s)\n", Of(x) ? "made as used" : "all made");
  return TRUE;
}

void LazyTexts::Register(DllInfo* dll) {
  class_ = R_make_altstring_class("savkit_texts", "savkit", dll);
  R_set_altrep_Length_method(class_, Length);
  R_set_altrep_Inspect_method(class_, Inspect);
  R_set_altvec_Dataptr_method(class_, Dataptr);
  R_set_altvec_Dataptr_or_null_method(class_, DataptrOrNull);
  R_set_altstring_Elt_method(class_, Elt);
  R_set_altstring_Set_elt_method(class_, SetElt);
}

}  // namespace savkit::r

[[cpp11::init]] void savkit_init_lazy_texts(DllInfo* dll) { savkit::r::LazyTexts::Register(dll); }
