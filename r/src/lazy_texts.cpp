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

// data1: an external pointer to the texts, null once they are made into
// data2, R's own character vector.
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

SEXP LazyTexts::Made(SEXP x) {
  SEXP made = R_altrep_data2(x);
  if (made != R_NilValue) return made;
  const LazyTexts* texts = Of(x);
  const auto n = static_cast<R_xlen_t>(texts->lengths_.size());
  made = PROTECT(Rf_allocVector(STRSXP, n));
  for (R_xlen_t i = 0; i < n; ++i) SET_STRING_ELT(made, i, texts->Text(i));
  R_set_altrep_data2(x, made);
  UNPROTECT(1);
  Release(R_altrep_data1(x));  // the bytes are not needed any more
  return made;
}

R_xlen_t LazyTexts::Length(SEXP x) {
  SEXP made = R_altrep_data2(x);
  return made != R_NilValue ? Rf_xlength(made) : static_cast<R_xlen_t>(Of(x)->lengths_.size());
}

SEXP LazyTexts::Elt(SEXP x, R_xlen_t i) {
  SEXP made = R_altrep_data2(x);
  return made != R_NilValue ? STRING_ELT(made, i) : Of(x)->Text(i);
}

void LazyTexts::SetElt(SEXP x, R_xlen_t i, SEXP value) { SET_STRING_ELT(Made(x), i, value); }

void* LazyTexts::Dataptr(SEXP x, Rboolean) { return DATAPTR(Made(x)); }

const void* LazyTexts::DataptrOrNull(SEXP x) {
  SEXP made = R_altrep_data2(x);
  return made != R_NilValue ? DATAPTR(made) : nullptr;
}

Rboolean LazyTexts::Inspect(SEXP x, int, int, int, void (*)(SEXP, int, int, int)) {
  Rprintf("savkit texts (%s)\n", R_altrep_data2(x) != R_NilValue ? "made" : "as read");
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
