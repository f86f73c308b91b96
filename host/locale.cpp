// Locale-aware case handling through ICU, under the user's default locale.
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

#include "savkit/host/sysutils.h"

namespace savkit {

namespace {

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  const int32_t n = static_cast<int32_t>(s.size());
  int32_t i = 0;
  while (i < n) {
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) return false;
  }
  return true;
}

icu::UnicodeString FromUtf8(std::string_view s) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string ToUtf8(const icu::UnicodeString& u) {
  std::string out;
  u.toUTF8String(out);
  return out;
}

// Collators are not shared between threads; each thread gets its own.
const icu::Collator* CaseInsensitiveCollator() {
  thread_local std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    // The C/POSIX locale maps to en_US_POSIX, whose collation is code-point
    // order with case as a primary difference; the root order serves instead.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getVariant()) == "POSIX") locale = icu::Locale::getRoot();
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !c) {
      status = U_ZERO_ERROR;
      c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (c) c->setStrength(icu::Collator::SECONDARY);  // letters and accents, not case
    return c;
  }();
  return collator.get();
}

// Full Unicode case folding ("Straße" and "STRASSE" both become "strasse").
std::string Fold(std::string_view s) {
  if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return LowerCase(s);
  icu::UnicodeString u = FromUtf8(s);
  u.foldCase();
  return ToUtf8(u);
}

}  // namespace

int AnsiCompareText(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  const bool validA = IsValidUtf8(a), validB = IsValidUtf8(b);
  if (!validA || !validB) {
    // Broken text has no letters to fold: it sorts after all valid text and by
    // its bytes, so two different byte strings never pass for one name and the
    // order stays consistent for the trees.
    if (validA != validB) return validA ? -1 : 1;
    return CompareStr(a, b);
  }
  // The order depends on the foldings alone, so texts that differ only in case
  // are one key, and the order stays consistent for the trees.
  const std::string fa = Fold(a), fb = Fold(b);
  if (fa == fb) return 0;
  if (const icu::Collator* coll = CaseInsensitiveCollator()) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = coll->compareUTF8(icu::StringPiece(fa.data(), static_cast<int32_t>(fa.size())),
                                                 icu::StringPiece(fb.data(), static_cast<int32_t>(fb.size())), status);
    if (U_SUCCESS(status) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  }
  // Equal to the collator (which ignores some characters): bytes decide.
  return CompareStr(fa, fb);
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

std::string AnsiUpperCase(std::string_view text) {
  if (!IsValidUtf8(text)) return UpperCase(text);
  icu::UnicodeString u = FromUtf8(text);
  u.toUpper();
  return ToUtf8(u);
}

std::string AnsiLowerCase(std::string_view text) {
  if (!IsValidUtf8(text)) return LowerCase(text);
  icu::UnicodeString u = FromUtf8(text);
  u.toLower();
  return ToUtf8(u);
}

}  // namespace savkit
