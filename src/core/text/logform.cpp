#include "core/text/logform.h"

#include <unistd.h>

#include <cerrno>
#include <memory>

#include "core/text/cp932.h"

namespace pelarin {

namespace {

constexpr unsigned char kCtrlZ = 26;
constexpr char kGeta[] = "\x81\xAC";  // 〓

bool sjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool sjisTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool eucByte(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

}  // namespace

void LogFormGuess::feed(ByteView bytes) {
  for (char ch : bytes) {
    if (ended_) return;
    const auto b = static_cast<unsigned char>(ch);
    if (b == kCtrlZ) {
      ended_ = true;
      return;
    }
    if (b == '\r') sawCR_ = true;
    if (b == '\n') sawLF_ = true;
    if (utf8Valid_) utf8(b);
    if (eucValid_) euc(b);
    if (sjisValid_) sjis(b);
  }
}

void LogFormGuess::utf8(unsigned char b) {
  if (utf8Due_ > 0) {
    if (b < utf8Low_ || b > utf8High_) {
      utf8Valid_ = false;
      return;
    }
    utf8Low_ = 0x80;
    utf8High_ = 0xBF;
    if (--utf8Due_ == 0) ++utf8Multi_;
    return;
  }
  if (b < 0x80) return;
  // Overlong forms, surrogates and code points above U+10FFFF are no UTF-8.
  if (b >= 0xC2 && b <= 0xDF) {
    utf8Due_ = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    utf8Due_ = 2;
    if (b == 0xE0) utf8Low_ = 0xA0;
    if (b == 0xED) utf8High_ = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    utf8Due_ = 3;
    if (b == 0xF0) utf8Low_ = 0x90;
    if (b == 0xF4) utf8High_ = 0x8F;
  } else {
    utf8Valid_ = false;
  }
}

void LogFormGuess::euc(unsigned char b) {
  if (eucDue_ > 0) {
    const bool ok = eucKana_ ? (b >= 0xA1 && b <= 0xDF) : eucByte(b);
    if (!ok) {
      eucValid_ = false;
      return;
    }
    eucKana_ = false;
    if (--eucDue_ == 0) ++eucMulti_;
    return;
  }
  if (b < 0x80) return;
  if (b == 0x8E) {
    eucDue_ = 1;
    eucKana_ = true;
  } else if (b == 0x8F) {
    eucDue_ = 2;
  } else if (eucByte(b)) {
    eucDue_ = 1;
  } else {
    eucValid_ = false;
  }
}

void LogFormGuess::sjis(unsigned char b) {
  if (sjisTrailDue_) {
    sjisTrailDue_ = false;
    if (!sjisTrail(b)) sjisValid_ = false;
    ++sjisDouble_;
    return;
  }
  if (b < 0x80) return;
  if (sjisLead(b))
    sjisTrailDue_ = true;
  else if (b >= 0xA1 && b <= 0xDF)
    ++sjisKana_;
  else
    sjisValid_ = false;  // 0x80, 0xA0, 0xFD-0xFF: no captured text holds them
}

LogForm LogFormGuess::result() const {
  LogForm form;
  form.lfLineEnds = sawLF_ && !sawCR_;
  // Code page 932 Japanese is never valid UTF-8 (its kana and most kanji lead with bytes UTF-8
  // only continues with), so valid UTF-8 that is not plain ASCII is UTF-8.
  if (utf8Valid_ && utf8Due_ == 0 && utf8Multi_ > 0) {
    form.encoding = LogEncoding::Utf8;
  } else if (eucValid_ && eucDue_ == 0 && eucMulti_ > 0 &&
             (!sjisValid_ || sjisTrailDue_ || sjisKana_ > sjisDouble_)) {
    // EUC-JP read as code page 932 is mostly halfwidth katakana, which captured text rarely is.
    form.encoding = LogEncoding::EucJp;
  }
  return form;
}

LogForm guessLogForm(int fd) {
  constexpr size_t kPiece = 1 << 16;
  std::unique_ptr<char[]> buffer(new char[kPiece]);
  LogFormGuess guess;
  off_t offset = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer.get(), kPiece, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a read error shows again when the log is read
    guess.feed(ByteView(buffer.get(), static_cast<size_t>(n)));
    if (guess.decided()) break;
    offset += n;
  }
  return guess.result();
}

std::string logFormNote(const LogForm& form, size_t replaced) {
  std::string parts;
  const auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : "・") + part; };
  if (form.encoding == LogEncoding::Utf8) add("UTF-8 から変換");
  if (form.encoding == LogEncoding::EucJp) add("EUC-JP から変換");
  if (form.lfLineEnds) add("LF 改行");
  if (replaced > 0) add("〓 " + std::to_string(replaced) + " 字");
  return parts.empty() ? std::string() : "［" + parts + "］";
}

void LogTranscoder::convert(ByteView in, Bytes& out, bool last) {
  for (char ch : in) {
    const auto b = static_cast<unsigned char>(ch);
    if (encoding_ == LogEncoding::Utf8)
      utf8(b, out);
    else if (encoding_ == LogEncoding::EucJp)
      euc(b, out);
    else
      out += ch;
  }
  if (!last) return;
  // A character cut off by the end of the file.
  if (due_ > 0 || leads_ > 0) geta(out);
  due_ = leads_ = 0;
  flushPending(out);
}

void LogTranscoder::geta(Bytes& out) {
  flushPending(out);
  out += kGeta;
  ++replaced_;
}

void LogTranscoder::flushPending(Bytes& out) {
  if (pending_ == 0) return;
  const char32_t c = pending_;
  pending_ = 0;
  if (!appendCp932(c, out)) {
    out += kGeta;
    ++replaced_;
  }
}

void LogTranscoder::emit(char32_t c, Bytes& out) {
  const bool first = !started_;
  started_ = true;
  if (first && c == 0xFEFF) return;  // the byte order mark some editors put first
  if (pending_ != 0) {
    if (char32_t composed = composedKana(pending_, c)) {
      pending_ = composed;
      return;
    }
    flushPending(out);
  }
  if (c >= 0x3041 && c <= 0x30FF) {
    pending_ = c;
    return;
  }
  if (!appendCp932(c, out)) {
    out += kGeta;
    ++replaced_;
  }
}

void LogTranscoder::utf8(unsigned char b, Bytes& out) {
  if (due_ > 0) {
    if ((b & 0xC0) == 0x80) {
      code_ = code_ << 6 | (b & 0x3F);
      if (--due_ == 0) emit(code_, out);
      return;
    }
    due_ = 0;
    geta(out);  // the guess saw only valid UTF-8; this is the safe answer if the file changed since
  }
  if (b < 0x80) {
    emit(b, out);
  } else if (b >= 0xC2 && b <= 0xDF) {
    code_ = b & 0x1F;
    due_ = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    code_ = b & 0x0F;
    due_ = 2;
  } else if (b >= 0xF0 && b <= 0xF4) {
    code_ = b & 0x07;
    due_ = 3;
  } else {
    geta(out);
  }
}

void LogTranscoder::euc(unsigned char b, Bytes& out) {
  if (leads_ == 0) {
    if (b < 0x80) {
      flushPending(out);
      out += static_cast<char>(b);
      started_ = true;
    } else if (b == 0x8E || b == 0x8F || eucByte(b)) {
      lead_[leads_++] = b;
    } else {
      geta(out);
    }
    return;
  }
  if (lead_[0] == 0x8E) {
    leads_ = 0;
    if (b >= 0xA1 && b <= 0xDF)
      out += static_cast<char>(b);  // halfwidth katakana are single bytes in code page 932
    else
      geta(out);
    return;
  }
  if (lead_[0] == 0x8F) {
    // JIS X 0212 has no place in code page 932.
    if (leads_ == 1) {
      lead_[leads_++] = b;
      return;
    }
    leads_ = 0;
    geta(out);
    return;
  }
  leads_ = 0;
  if (!eucByte(b)) {
    geta(out);
    return;
  }
  // JIS X 0208 row and cell to the Shift-JIS pair; rows from 0x75 are the user-defined area.
  const unsigned j1 = lead_[0] - 0x80, j2 = b - 0x80;
  unsigned s1;
  if (j1 >= 0x75)
    s1 = (j1 - 0x75) / 2 + 0xF0;
  else
    s1 = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
  unsigned s2;
  if (j1 % 2 == 1)
    s2 = j2 + (j2 >= 0x60 ? 0x20 : 0x1F);
  else
    s2 = j2 + 0x7E;
  out += static_cast<char>(s1);
  out += static_cast<char>(s2);
}

}  // namespace pelarin
