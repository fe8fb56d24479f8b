#include "textfields/normalize.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace textfields {

std::optional<std::u16string> stringConvertNormalize(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  // Read-only alias of the caller's units: no copy on the way in.
  icu::UnicodeString in(false, text.data(), static_cast<int32_t>(text.size()));
  if (nfc->isNormalized(in, status) && U_SUCCESS(status)) return std::u16string(text);
  status = U_ZERO_ERROR;
  icu::UnicodeString out = nfc->normalize(in, status);
  if (U_FAILURE(status) || out.isBogus()) return std::nullopt;
  return std::u16string(out.getBuffer(), static_cast<size_t>(out.length()));
}

}  // namespace textfields
