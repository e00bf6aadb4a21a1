// Text of the system: code page 932 bytes, compared and cut as bytes.
#pragma once

#include <string>
#include <string_view>

namespace pelarin {

using Bytes = std::string;
using ByteView = std::string_view;

inline bool beginsWith(ByteView line, ByteView literal) { return line.substr(0, literal.size()) == literal; }

// Bytes at the 1-based positions first..last inclusive, clipped to the line.
inline ByteView columns(ByteView line, long first, long last) {
  if (first < 1) first = 1;
  if (last < first || static_cast<size_t>(first) > line.size()) return {};
  size_t begin = static_cast<size_t>(first - 1);
  size_t end = std::min(line.size(), static_cast<size_t>(last));
  return line.substr(begin, end - begin);
}

// The byte at a 1-based position, or 0 past the end.
inline unsigned char byteAt(ByteView line, long pos) {
  if (pos < 1 || static_cast<size_t>(pos) > line.size()) return 0;
  return static_cast<unsigned char>(line[static_cast<size_t>(pos - 1)]);
}

inline bool isDigitAt(ByteView line, long pos) {
  unsigned char c = byteAt(line, pos);
  return c >= '0' && c <= '9';
}

// A lead byte of a double-byte character.
inline bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// ASCII letters A-Z to lower case; double-byte characters are left whole (the
// second byte of "ア" is 0x41, an "A").
inline Bytes asciiLower(ByteView text) {
  Bytes out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (isLeadByte(c))
      ++i;
    else if (c >= 'A' && c <= 'Z')
      out[i] = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace pelarin
