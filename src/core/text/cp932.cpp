#include "core/text/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "core/text/errors.h"

namespace pelarin {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One converter per direction and thread, reset before each use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return cd_;
  }

 private:
  iconv_t cd_;
};

iconv_t decoder() {
  thread_local Converter c("UTF-8", "CP932");
  return c.get();
}

iconv_t encoder() {
  thread_local Converter c("CP932", "UTF-8");
  return c.get();
}

// Length of the UTF-8 sequence starting with this byte and its code point.
char32_t utf8CodePoint(std::string_view s, size_t pos, size_t& length) {
  unsigned char c = static_cast<unsigned char>(s[pos]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || pos + n > s.size()) {
    length = 1;
    return 0xFFFD;
  }
  char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t i = 1; i < n; ++i) {
    unsigned char t = static_cast<unsigned char>(s[pos + i]);
    if ((t & 0xC0) != 0x80) {
      length = 1;
      return 0xFFFD;
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  length = n;
  return cp;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Runs the encoder; unconvertible characters go to `failed` (each once) and count one byte.
Bytes encode(std::string_view utf8, std::vector<char32_t>& failed) {
  Bytes out;
  out.reserve(utf8.size());
  iconv_t cd = encoder();
  char buffer[4096];
  size_t pos = 0;
  while (pos < utf8.size()) {
    char* in = const_cast<char*>(utf8.data() + pos);
    size_t inLeft = utf8.size() - pos;
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    int err = errno;
    out.append(buffer, static_cast<size_t>(o - buffer));
    pos = utf8.size() - inLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (err == E2BIG) continue;
    size_t length = 1;
    char32_t cp = utf8CodePoint(utf8, pos, length);
    bool known = false;
    for (char32_t f : failed) known = known || f == cp;
    if (!known) failed.push_back(cp);
    out += '?';
    pos += length;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string codePointToUtf8(char32_t c) {
  std::string out;
  appendUtf8(out, c);
  return out;
}

std::string cp932ToUtf8(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 4);
  iconv_t cd = decoder();
  char buffer[4096];
  size_t pos = 0;
  while (pos < bytes.size()) {
    char* in = const_cast<char*>(bytes.data() + pos);
    size_t inLeft = bytes.size() - pos;
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    int err = errno;
    out.append(buffer, static_cast<size_t>(o - buffer));
    pos = bytes.size() - inLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (err == E2BIG) continue;
    // Invalid or truncated sequence: one replacement per offending byte.
    out += kReplacement;
    ++pos;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::u16string cp932ToUtf16(ByteView bytes) { return utf8ToUtf16(cp932ToUtf8(bytes)); }

Bytes utf8ToCp932(std::string_view utf8) {
  std::vector<char32_t> failed;
  Bytes out = encode(utf8, failed);
  if (!failed.empty()) throw EncodeError(std::move(failed));
  return out;
}

Bytes utf16ToCp932(std::u16string_view utf16) { return utf8ToCp932(utf16ToUtf8(utf16)); }

size_t cp932Length(std::u16string_view utf16) {
  std::vector<char32_t> failed;
  return encode(utf16ToUtf8(utf16), failed).size();
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    size_t length = 1;
    char32_t c = utf8CodePoint(s, pos, length);
    pos += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace pelarin
