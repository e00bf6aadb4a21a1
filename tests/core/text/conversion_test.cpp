#include <gtest/gtest.h>

#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/integers.h"

namespace pelarin {
namespace {

TEST(StrToInt, AcceptsTheStrictForms) {
  EXPECT_EQ(StrToInt("123"), 123);
  EXPECT_EQ(StrToInt("00123"), 123);
  EXPECT_EQ(StrToInt("  456"), 456);
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RefusesEverythingElseNamingTheText) {
  for (Bytes bad : {"", "   ", "12 ", "1 2", "\t12", "12a", "2147483648", "-", "+", "$", "0x10", "１２"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.text(), bad);
    }
  }
  try {
    StrToInt("12 ");
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'12 ' は整数ではありません");
  }
}

TEST(Cp932, RoundTripsJapanese) {
  std::string text = "● [ BBS12 ＭＳ ゴシック ｱｲｳ ～ ∥ －";
  Bytes bytes = utf8ToCp932(text);
  EXPECT_EQ(bytes.substr(0, 2), "\x81\x9c");
  EXPECT_EQ(cp932ToUtf8(bytes), text);
  EXPECT_EQ(cp932ToUtf16(bytes), utf8ToUtf16(text));
  EXPECT_EQ(utf16ToCp932(utf8ToUtf16(text)), bytes);
}

TEST(Cp932, ControlBytesStayThemselves) {
  Bytes controls("\x1a\x1c\x7f\x5c", 4);
  EXPECT_EQ(cp932ToUtf8(controls), Bytes("\x1a\x1c\x7f\\", 4));
  EXPECT_EQ(utf8ToCp932(Bytes("\x1a\x1c\x7f\\", 4)), controls);
}

TEST(Cp932, DecodingNeverFails) {
  // A lone lead byte at the end, and a lead byte followed by an invalid trail: carried, not lost.
  EXPECT_EQ(cp932ToUtf8("a\x82"), "a" + codePointToUtf8(0xF0082));
  std::string decoded = cp932ToUtf8("\x81\x20x");
  EXPECT_EQ(decoded, codePointToUtf8(0xF0081) + " x");
}

TEST(Cp932, EncodingNamesEveryCharacterWithoutAForm) {
  try {
    utf8ToCp932("a😀b한c😀");
    FAIL();
  } catch (const EncodeError& e) {
    EXPECT_EQ(e.characters(), (std::vector<char32_t>{0x1F600, 0xD55C}));
    EXPECT_NE(std::string(e.what()).find("U+1F600"), std::string::npos);
  }
}

TEST(Cp932, ByteLength) {
  EXPECT_EQ(cp932Length(u""), 0u);
  EXPECT_EQ(cp932Length(u"abc"), 3u);
  EXPECT_EQ(cp932Length(u"日本語"), 6u);
  EXPECT_EQ(cp932Length(u"ｱ"), 1u);
  EXPECT_EQ(cp932Length(u"a한"), 2u);
}

}  // namespace
}  // namespace pelarin
