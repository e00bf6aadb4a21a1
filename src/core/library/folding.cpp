#include "core/library/folding.h"

#include <unicode/normalizer2.h>
#include <unicode/bytestream.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <stdexcept>

namespace pelarin {

namespace {

const icu::Normalizer2& folder() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFKCCasefoldInstance(status);
  if (U_FAILURE(status) || !n) throw std::runtime_error("ICU has no NFKC case folding");
  return *n;
}

bool isKana(UChar32 c) {
  return (c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E || (c >= 0x30F7 && c <= 0x30FA) || c == 0x30FC;
}

// What is typed for the long-vowel mark: the mark itself (the halfwidth one
// is the mark after NFKC), and the hyphens, dashes and rules that look like it.
bool looksLikeLongVowel(UChar32 c) {
  return c == 0x30FC || c == '-' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0x2500 ||
         c == 0x2501;
}

// Katakana as hiragana, and after a kana the long-vowel look-alikes as the mark.
std::string foldKana(const std::string& s, char32_t& last) {
  std::string out;
  out.reserve(s.size());
  const auto n = static_cast<int32_t>(s.size());
  auto before = static_cast<UChar32>(last);
  for (int32_t i = 0; i < n;) {
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c < 0) c = 0xFFFD;
    if (c >= 0x30A1 && c <= 0x30F6)
      c -= 0x60;
    else if (c == 0x30FD || c == 0x30FE)
      c -= 0x60;
    else if (isKana(before) && looksLikeLongVowel(c))
      c = 0x30FC;
    char bytes[4];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, c);
    out.append(bytes, static_cast<size_t>(length));
    before = c;
  }
  last = static_cast<char32_t>(before);
  return out;
}

}  // namespace

std::string foldText(std::string_view utf8) {
  char32_t before = 0;
  return foldPiece(utf8, before);
}

std::string foldPiece(std::string_view utf8, char32_t& before) {
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
    if (!out.empty()) before = static_cast<unsigned char>(out.back());
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
  return foldKana(out, before);
}

}  // namespace pelarin
