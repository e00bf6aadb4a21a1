#include "core/library/folding.h"

#include <unicode/normalizer2.h>
#include <unicode/bytestream.h>
#include <unicode/unistr.h>

#include <stdexcept>

namespace pelarin {

namespace {

const icu::Normalizer2& folder() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFKCCasefoldInstance(status);
  if (U_FAILURE(status) || !n) throw std::runtime_error("ICU has no NFKC case folding");
  return *n;
}

}  // namespace

std::string foldText(std::string_view utf8) {
  // Most of a log's ASCII needs only its capitals lowered; the rest goes through ICU.
  bool ascii = true;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) {
    std::string out(utf8);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  static const icu::Normalizer2& n = folder();
  UErrorCode status = U_ZERO_ERROR;
  std::string out;
  out.reserve(utf8.size());
  icu::StringByteSink<std::string> sink(&out);
  // Straight from UTF-8 to UTF-8: no UTF-16 copy of every message.
  n.normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink, nullptr, status);
  if (U_FAILURE(status)) return std::string(utf8);
  return out;
}

}  // namespace pelarin
