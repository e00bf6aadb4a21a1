#include "core/text/integers.h"

#include "core/text/errors.h"

namespace pelarin {

std::optional<int32_t> parseNumber(ByteView text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = i < text.size() && text[i] == '$';
  if (hex) ++i;
  if (i >= text.size()) return std::nullopt;
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * (hex ? 16 : 10) + digit;
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t numberOr0(ByteView text) {
  const auto n = parseNumber(text);
  return n ? *n : 0;
}

int32_t StrToInt(ByteView text) {
  size_t start = text.find_first_not_of(' ');
  if (start != ByteView::npos) {
    if (auto value = parseNumber(text.substr(start))) return *value;
  }
  throw ConversionError(Bytes(text));
}

Bytes IntToStr(int64_t value) { return std::to_string(value); }

}  // namespace pelarin
