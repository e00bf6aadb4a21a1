#include "core/text/cp932.h"

#include <iconv.h>
#include <unicode/unorm2.h>

#include <array>
#include <cerrno>
#include <stdexcept>

#include "core/text/errors.h"

namespace pelarin {

namespace {

constexpr char32_t kCarried = 0xF0000;
constexpr uint16_t kNoForm = 0xFFFF;

bool isTrailByte(unsigned c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

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

void appendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // The whole input converted, or nothing when any of it has no form.
  bool convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* i = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[16];
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd_, &i, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return false;
    out.assign(buffer, static_cast<size_t>(o - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

// Both directions of the table, built once from iconv; lookups need no converter.
struct Tables {
  std::array<char32_t, 256> single{};  // for bytes that are no lead byte
  std::vector<char32_t> pair;          // by lead << 8 | trail; 0 where unassigned
  std::vector<uint16_t> encode;        // by BMP code point: a byte, a lead << 8 | trail, or kNoForm

  Tables() : pair(0x10000, 0), encode(0x10000, kNoForm) {
    Iconv decoder("UTF-8", "CP932");
    std::string out;
    const auto decoded = [&](std::string_view in) -> char32_t {
      if (!decoder.convert(in, out) || out.empty()) return 0;
      size_t length = 0;
      char32_t c = utf8CodePoint(out, 0, length);
      return length == out.size() ? c : 0;
    };
    for (unsigned b = 0; b < 256; ++b)
      if (!isLeadByte(static_cast<unsigned char>(b)))
        single[b] = decoded(std::string(1, static_cast<char>(b)));
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
        if (isTrailByte(trail))
          pair[lead << 8 | trail] = decoded(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
    // The bytes glibc leaves without a form, as Windows decodes them.
    single[0x80] = 0x0080;
    single[0xA0] = 0xF8F0;
    single[0xFD] = 0xF8F1;
    single[0xFE] = 0xF8F2;
    single[0xFF] = 0xF8F3;

    Iconv encoder("CP932", "UTF-8");
    for (char32_t c = 0; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      std::string utf8;
      appendUtf8(utf8, c);
      if (!encoder.convert(utf8, out) || out.empty() || out.size() > 2) continue;
      encode[c] = out.size() == 1 ? static_cast<unsigned char>(out[0])
                                  : static_cast<uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                                          static_cast<unsigned char>(out[1]));
    }
    // Pinned rather than left to the library: what Linux input methods type for the
    // characters of code page 932, and the form Windows chooses among duplicates.
    static constexpr std::pair<char32_t, uint16_t> kPinned[] = {
        {0x301C, 0x8160}, {0x2212, 0x817C}, {0x2016, 0x8161}, {0x00A2, 0x8191}, {0x00A3, 0x8192},
        {0x00AC, 0x81CA}, {0x00A5, 0x005C}, {0x203E, 0x007E}, {0x2014, 0x815C}, {0x2252, 0x81E0},
        {0x2160, 0x8754}, {0x2170, 0xFA40}, {0x7E8A, 0xFA5C}, {0x0080, 0x0080}, {0xF8F0, 0x00A0},
        {0xF8F1, 0x00FD}, {0xF8F2, 0x00FE}, {0xF8F3, 0x00FF},
    };
    for (auto [c, code] : kPinned) encode[c] = code;
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

// The next unit of the bytes as one code point.
char32_t nextUnit(const Tables& t, ByteView bytes, size_t& pos) {
  const auto b = static_cast<unsigned char>(bytes[pos++]);
  if (!isLeadByte(b)) return t.single[b];
  if (pos >= bytes.size() || !isTrailByte(static_cast<unsigned char>(bytes[pos]))) return kCarried + b;
  const unsigned code = b << 8 | static_cast<unsigned char>(bytes[pos++]);
  return t.pair[code] != 0 ? t.pair[code] : kCarried + code;
}

// Appends the form of one code point; false when it has none.
bool encodeOne(const Tables& t, char32_t c, Bytes& out) {
  unsigned code = kNoForm;
  if (c < 0x10000)
    code = t.encode[c];
  else if (isCarriedUnit(c))
    code = static_cast<unsigned>(c - kCarried);
  if (code == kNoForm) return false;
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
  return true;
}

}  // namespace

char32_t composedKana(char32_t base, char32_t mark) {
  if ((mark != 0x3099 && mark != 0x309A) || base < 0x3041 || base > 0x30FF) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return 0;
  const UChar32 c = unorm2_composePair(nfc, static_cast<UChar32>(base), static_cast<UChar32>(mark));
  return c < 0 ? 0 : static_cast<char32_t>(c);
}

namespace {

std::u32string codePoints(std::u16string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (!out.empty()) {
      if (char32_t composed = composedKana(out.back(), c)) {
        out.back() = composed;
        continue;
      }
    }
    out += c;
  }
  return out;
}

Bytes encode(std::u16string_view utf16, std::vector<char32_t>* failed) {
  const Tables& t = tables();
  Bytes out;
  out.reserve(utf16.size() * 2);
  for (char32_t c : codePoints(utf16)) {
    if (encodeOne(t, c, out)) continue;
    out += '?';
    if (!failed) continue;
    bool known = false;
    for (char32_t f : *failed) known = known || f == c;
    if (!known) failed->push_back(c);
  }
  return out;
}

}  // namespace

bool appendCp932(char32_t c, Bytes& out) { return encodeOne(tables(), c, out); }

bool isCarriedUnit(char32_t c) {
  if (c < kCarried || c > kCarried + 0xFFFF) return false;
  const unsigned code = static_cast<unsigned>(c - kCarried);
  if (code <= 0xFF) return isLeadByte(static_cast<unsigned char>(code));
  return isLeadByte(static_cast<unsigned char>(code >> 8)) && isTrailByte(code & 0xFF) &&
         tables().pair[code] == 0;
}

std::string codePointToUtf8(char32_t c) {
  std::string out;
  appendUtf8(out, c);
  return out;
}

std::string cp932ToUtf8(ByteView bytes) {
  const Tables& t = tables();
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 4);
  for (size_t pos = 0; pos < bytes.size();) appendUtf8(out, nextUnit(t, bytes, pos));
  return out;
}

std::u16string cp932ToUtf16(ByteView bytes) {
  const Tables& t = tables();
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t pos = 0; pos < bytes.size();) appendUtf16(out, nextUnit(t, bytes, pos));
  return out;
}

Bytes utf8ToCp932(std::string_view utf8) { return utf16ToCp932(utf8ToUtf16(utf8)); }

Bytes utf16ToCp932(std::u16string_view utf16) {
  std::vector<char32_t> failed;
  Bytes out = encode(utf16, &failed);
  if (!failed.empty()) throw EncodeError(std::move(failed));
  return out;
}

Bytes utf16ToCp932(std::u16string_view utf16, std::vector<char32_t>& failed) {
  return encode(utf16, &failed);
}

size_t cp932Length(std::u16string_view utf16) { return encode(utf16, nullptr).size(); }

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
    appendUtf16(out, c);
  }
  return out;
}

}  // namespace pelarin
