#include "core/text/visiblecontrols.h"

#include <unicode/utf8.h>

namespace pelarin {

namespace {

// cat -v's form of one byte that is no character of its own.
void appendCaret(std::string& out, unsigned c) {
  if (c >= 0x80) {
    out += "M-";
    c -= 0x80;
  }
  if (c < 0x20) {
    out += '^';
    out += static_cast<char>(c + 0x40);
  } else if (c == 0x7F) {
    out += "^?";
  } else {
    out += static_cast<char>(c);
  }
}

}  // namespace

std::string visibleControls(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  while (i < n) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c < 0) {
      for (int32_t k = start; k < i; ++k)
        appendCaret(out, static_cast<unsigned char>(s[static_cast<size_t>(k)]));
    } else if ((c < 0x20 && c != '\t' && c != '\n') || (c >= 0x7F && c <= 0x9F)) {
      appendCaret(out, static_cast<unsigned>(c));
    } else {
      out.append(s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
    }
  }
  return out;
}

}  // namespace pelarin
