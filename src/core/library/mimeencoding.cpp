#include "core/library/mimeencoding.h"

namespace pelarin {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kWordOpen = "=?UTF-8?B?";
constexpr std::string_view kWordClose = "?=";
constexpr size_t kWordMax = 75;  // RFC 2047's longest encoded-word

bool printableAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

// The longest prefix of at most `limit` bytes that does not cut a UTF-8 character.
size_t characterPrefix(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

// Builds one header, folding before a token that would pass the column limit.
class FoldedHeader {
 public:
  FoldedHeader(std::string& out, std::string_view name) : out_(out), line_(name.size() + 1) {
    out_.append(name);
    out_ += ':';
  }

  void addToken(std::string_view token) {
    if (line_ + 1 + token.size() > kHeaderColumns && line_ > 1 && tokens_ > 0) fold();
    out_ += ' ';
    out_.append(token);
    line_ += 1 + token.size();
    ++tokens_;
  }

  void addEncoded(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t used = line_ + 1 + kWordOpen.size() + kWordClose.size();
      size_t room = used < kHeaderColumns ? kHeaderColumns - used : 0;
      room = std::min(room, kWordMax - kWordOpen.size() - kWordClose.size());
      const size_t take = characterPrefix(text.substr(pos), room / 4 * 3);
      if (take == 0) {  // no room left on this line, even after a long name
        fold();
        continue;
      }
      std::string word(kWordOpen);
      word += base64(text.substr(pos, take));
      word.append(kWordClose);
      out_ += ' ';
      out_ += word;
      line_ += 1 + word.size();
      ++tokens_;
      pos += take;
    }
  }

  void finish() { out_ += '\n'; }

 private:
  // The folding white space is the space each token starts with.
  void fold() {
    out_ += '\n';
    line_ = 0;
  }

  std::string& out_;
  size_t line_;
  int tokens_ = 0;
};

bool beginsLikeFromLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] == '>') ++i;
  return line.substr(i, 5) == "From ";
}

}  // namespace

std::string base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

void appendTextHeader(std::string& out, std::string_view name, std::string_view value,
                      std::string_view asciiLead) {
  FoldedHeader header(out, name);
  if (!asciiLead.empty()) header.addToken(asciiLead);
  const bool plain =
      printableAscii(value) && value.find("=?") == std::string_view::npos &&
      (value.empty() || (value.front() != ' ' && value.back() != ' ')) &&
      value.find("  ") == std::string_view::npos &&
      name.size() + 2 + asciiLead.size() + (asciiLead.empty() ? 0 : 1) + value.size() <= kHeaderColumns;
  if (plain) {
    if (!value.empty()) header.addToken(value);
  } else {
    header.addEncoded(value);
  }
  header.finish();
}

void appendAddressHeader(std::string& out, std::string_view name, std::string_view display,
                         std::string_view address) {
  FoldedHeader header(out, name);
  if (!display.empty()) {
    if (printableAscii(display) && display.find("=?") == std::string_view::npos && display.size() < 60) {
      std::string quoted = "\"";
      for (char c : display) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
      }
      quoted += '"';
      header.addToken(quoted);
    } else {
      header.addEncoded(display);
    }
  }
  header.addToken("<" + std::string(address) + ">");
  header.finish();
}

void appendQuotedPrintable(std::string& out, std::string_view body) {
  constexpr size_t kLine = 76;  // RFC 2045, the soft break's "=" included
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = body.size();
    const std::string_view line = body.substr(start, end - start);
    size_t column = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(line[i]);
      const bool last = i + 1 == line.size();
      bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
      if (column == 0 && literal && (c == '>' || c == 'F') && beginsLikeFromLine(line.substr(i)))
        literal = false;
      const size_t width = literal ? 1 : 3;
      // Room for the soft break's "=", unless this is the line's last character.
      if (column + width > (last ? kLine : kLine - 1)) {
        out += "=\n";
        column = 0;
        if (literal && (c == '>' || c == 'F') && beginsLikeFromLine(line.substr(i))) literal = false;
      }
      if (literal) {
        out += static_cast<char>(c);
        column += 1;
      } else {
        out += '=';
        out += kHex[c >> 4];
        out += kHex[c & 15];
        column += 3;
      }
    }
    // A last line without its LF ends in a soft break, so decoding adds none.
    out += terminated ? "\n" : "=\n";
    start = end + 1;
  }
}

}  // namespace pelarin
