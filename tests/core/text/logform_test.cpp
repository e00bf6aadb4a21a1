#include "core/text/logform.h"

#include <gtest/gtest.h>

#include "core/text/linereader.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

// Stops where the reader's guess stops, so every case also checks that what
// came after could not have changed the answer.
LogForm guess(ByteView bytes, size_t piece = 7) {
  LogFormGuess g;
  for (size_t i = 0; i < bytes.size() && !g.decided(); i += piece) g.feed(bytes.substr(i, piece));
  return g.result();
}

// Only where the bytes leave no doubt: captured logs, mixed files and plain ASCII stay as they are.
TEST(LogFormGuess, NamesAConversionOnlyWhereCertain) {
  const Bytes jp = sj("日本語のテキスト、ｶﾀｶﾅ");
  const Bytes utf8 = "日本語のテキスト";
  const Bytes euc = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\x8E\xB6";  // 日本語の ｶ
  struct Case {
    const char* what;
    Bytes bytes;
    LogEncoding encoding;
    bool lf;
  } cases[] = {
      {"code page 932, CR LF", jp + "\r\n" + jp + "\r\n", LogEncoding::Cp932, false},
      {"code page 932, LF", jp + "\n" + jp + "\n", LogEncoding::Cp932, true},
      {"code page 932, CR", jp + "\r" + jp, LogEncoding::Cp932, false},
      {"one CR among LFs", jp + "\n\r" + jp + "\n", LogEncoding::Cp932, false},
      {"UTF-8, LF", utf8 + "\n" + utf8 + "\n", LogEncoding::Utf8, true},
      {"UTF-8, CR LF", utf8 + "\r\n", LogEncoding::Utf8, false},
      {"EUC-JP, LF", euc + "\n" + euc + "\n", LogEncoding::EucJp, true},
      {"ASCII, LF", "plain\ntext\n", LogEncoding::Cp932, true},
      {"mixed code page 932 and UTF-8", jp + "\n" + utf8 + "\n", LogEncoding::Cp932, true},
      {"UTF-8 cut in a character", utf8.substr(0, utf8.size() - 1), LogEncoding::Cp932, false},
      {"an overlong UTF-8 form", "\xC0\xAF and \xE3\x81\x82", LogEncoding::Cp932, false},
      {"after Ctrl-Z nothing counts", jp + "\r\n\x1A" + utf8 + "\n", LogEncoding::Cp932, false},
      {"empty", "", LogEncoding::Cp932, false},
      {"ASCII with CR, then UTF-8", "plain\r\n" + utf8 + "\r\n", LogEncoding::Utf8, false},
      {"UTF-8 with CR, then code page 932", utf8 + "\r\n" + jp + "\r\n", LogEncoding::Cp932, false},
  };
  for (const Case& c : cases)
    for (size_t piece : {size_t{1}, size_t{3}, size_t{4096}}) {
      const LogForm form = guess(c.bytes, piece);
      EXPECT_EQ(form.encoding, c.encoding) << c.what << " in pieces of " << piece;
      EXPECT_EQ(form.lfLineEnds, c.lf) << c.what << " in pieces of " << piece;
    }
}

TEST(LogFormGuess, KnowsACapturedLogByItsFirstLine) {
  LogFormGuess g;
  g.feed(sj("●ＢＦ 掲示板") + "\r\n");
  EXPECT_TRUE(g.decided());
  LogFormGuess ascii;
  ascii.feed("#Fc. 00001\r\n");
  EXPECT_FALSE(ascii.decided()) << "UTF-8 may still follow";
}

Bytes transcode(LogEncoding encoding, ByteView in, size_t piece, size_t* replaced = nullptr) {
  LogTranscoder t(encoding);
  Bytes out;
  for (size_t i = 0; i < in.size(); i += piece) t.convert(in.substr(i, piece), out, false);
  t.convert({}, out, true);
  if (replaced) *replaced = t.replaced();
  return out;
}

TEST(LogTranscoder, BackToTheBytesTheTextCameFrom) {
  const Bytes geta = sj("〓");  // 81 AC, as README and the title bar name it
  struct Case {
    const char* what;
    LogEncoding encoding;
    Bytes in;
    Bytes out;
    size_t replaced;
  } cases[] = {
      {"kanji, kana, ASCII", LogEncoding::Utf8, "日本語 abc ｶﾅ\r\n", sj("日本語 abc ｶﾅ\r\n"), 0},
      {"the forms Unix tools gave", LogEncoding::Utf8, "\xE3\x80\x9C\xE2\x88\x92\xE2\x80\x94",
       "\x81\x60\x81\x7C\x81\x5C", 0},
      {"no form: the geta mark, counted", LogEncoding::Utf8,
       "a\xF0\x9F\x98\x80"
       "b\xC3\xA9",
       "a" + geta + "b" + geta, 2},
      {"a byte order mark first is dropped", LogEncoding::Utf8,
       "\xEF\xBB\xBF"
       "a\xEF\xBB\xBF",
       "a" + geta, 1},
      {"kana with a combining voiced mark", LogEncoding::Utf8, "\xE3\x81\x8B\xE3\x82\x99\xE3\x81\x8B",
       sj("がか"), 0},
      {"a character cut by the end", LogEncoding::Utf8, "a\xE3\x81", "a" + geta, 1},
      {"EUC-JP rows, kana and ASCII", LogEncoding::EucJp, "\xA1\xA1\xB0\xA1\xA4\xA2\x8E\xB6z\xDF\xFE",
       "\x81\x40\x88\x9F\x82\xA0\xB6z\xE0\x9E", 0},
      {"EUC-JP user-defined rows", LogEncoding::EucJp, "\xF5\xA1\xF6\xFE", "\xF0\x40\xF0\xFC", 0},
      {"JIS X 0212 has no form", LogEncoding::EucJp, "\x8F\xB0\xA1x", geta + "x", 1},
  };
  for (const Case& c : cases)
    for (size_t piece : {size_t{1}, size_t{2}, size_t{64}}) {
      size_t replaced = 0;
      EXPECT_EQ(transcode(c.encoding, c.in, piece, &replaced), c.out) << c.what << " in pieces of " << piece;
      EXPECT_EQ(replaced, c.replaced) << c.what;
    }
}

TEST(LogFormNote, SaysWhatWasDone) {
  EXPECT_EQ(logFormNote({}, 0), "");
  EXPECT_EQ(logFormNote({LogEncoding::Cp932, true}, 0), "［LF 改行］");
  EXPECT_EQ(logFormNote({LogEncoding::Utf8, true}, 3), "［UTF-8 から変換・LF 改行・〓 3 字］");
  EXPECT_EQ(logFormNote({LogEncoding::EucJp, false}, 0), "［EUC-JP から変換］");
}

// The reader takes LF as the line end only in a log without a CR, and converts across its buffer.
TEST(LineReaderGuess, ReadsAConvertedLogAsItsCapture) {
  testing::TempDir dir;
  Bytes utf8, expected;
  for (int i = 0; i < 30000; ++i) {
    utf8 += "行" + std::to_string(i) + "です\n";
    expected += sj("行") + std::to_string(i) + sj("です") + "\n";
  }
  testing::writeFile(dir / "u.log", utf8);
  LineReader in(dir / "u.log", LineReader::Form::Guess);
  EXPECT_EQ(in.form(), (LogForm{LogEncoding::Utf8, true}));
  Bytes got;
  while (!in.atEnd()) got += in.readLine() + "\n";
  EXPECT_TRUE(got == expected);
  EXPECT_EQ(in.lineNumber(), 30000u);

  LineReader raw(dir / "u.log", LineReader::Form::Raw);
  EXPECT_TRUE(raw.readLine() == utf8);  // one line: no CR in it
  testing::writeFile(dir / "c.log", "a\r\nb\nc\r\n");
  LineReader captured(dir / "c.log", LineReader::Form::Guess);
  EXPECT_EQ(captured.readLine(), "a");
  EXPECT_EQ(captured.readLine(), "b\nc");  // as the system reads it
}

}  // namespace
}  // namespace pelarin
