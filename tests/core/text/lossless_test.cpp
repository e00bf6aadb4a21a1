#include <gtest/gtest.h>

#include <set>

#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/fieldencoder.h"

namespace pelarin {
namespace {

Bytes roundTrip(ByteView bytes) { return utf16ToCp932(cp932ToUtf16(bytes)); }

bool isTrail(unsigned c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

TEST(Cp932Lossless, EverySingleByteComesBack) {
  for (unsigned b = 0; b < 256; ++b) {
    const Bytes one(1, static_cast<char>(b));
    EXPECT_EQ(roundTrip(one), one) << std::hex << b;
    EXPECT_EQ(roundTrip(one + "\r\n"), one + "\r\n") << std::hex << b;
    EXPECT_EQ(cp932Length(cp932ToUtf16(one)), 1u) << std::hex << b;
  }
}

TEST(Cp932Lossless, EveryLeadAndTrailPairComesBackOrAsWindowsEncodesItsCharacter) {
  std::set<unsigned> duplicateLeads;
  for (unsigned lead = 0x80; lead < 256; ++lead) {
    if (!isLeadByte(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0; trail < 256; ++trail) {
      const Bytes pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string text = cp932ToUtf16(pair);
      const Bytes back = utf16ToCp932(text);
      EXPECT_EQ(cp932Length(text), 2u) << std::hex << lead << ' ' << trail;
      if (back == pair) continue;
      // A duplicate: the same character, in the form Windows chooses.
      EXPECT_EQ(cp932ToUtf16(back), text) << std::hex << lead << ' ' << trail;
      EXPECT_TRUE(isTrail(trail));
      duplicateLeads.insert(lead);
    }
  }
  EXPECT_EQ(duplicateLeads, (std::set<unsigned>{0x87, 0xED, 0xEE, 0xFA}));
}

TEST(Cp932Lossless, BytesWithoutAFormDecodeAsWindowsOrAreCarried) {
  struct Case {
    Bytes bytes;
    std::u16string text;
  } cases[] = {
      {"\x80", u"\u0080"},
      {"\xA0", u"\uF8F0"},
      {"\xFD\xFE\xFF", u"\uF8F1\uF8F2\uF8F3"},
      // An unassigned code is one unit: its trail 0x5C is no backslash.
      {"\x85\x5C", u"\U000F855C"},
      {"\xEB\x40", u"\U000FEB40"},
      // Half a character at the end, and a lead before a byte that is no trail.
      {"a\x82", u"a\U000F0082"},
      {"\x81\r\n", u"\U000F0081\r\n"},
      {"\x81\x7F", u"\U000F0081\u007F"},
      // The user-defined area keeps its own mapping.
      {"\xF0\x40", u"\uE000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp932ToUtf16(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(utf16ToCp932(c.text), c.bytes) << c.bytes;
  }
  EXPECT_TRUE(isCarriedUnit(0xF855C));
  EXPECT_TRUE(isCarriedUnit(0xF0082));
  // Only what decoding gives is carried: an assigned code or a byte that is no lead has a form of its own.
  for (char32_t c : {char32_t(0xF0041), char32_t(0xF82A0), char32_t(0xF00A0), char32_t(0xFFFFD)}) {
    EXPECT_FALSE(isCarriedUnit(c));
    EXPECT_THROW(utf16ToCp932(utf8ToUtf16(codePointToUtf8(c))), EncodeError);
  }
}

TEST(Cp932Lossless, CaretCountersCountTheBytesACarriedUnitStandsFor) {
  EXPECT_EQ(cp932Length(u"\U000F855C"), 2u);
  EXPECT_EQ(cp932Length(u"a\U000F0082"), 2u);
  EXPECT_EQ(cp932Length(u"\uF8F0\u0080"), 2u);
}

TEST(Cp932Pinned, FormsOfLinuxInputMethodsAndWindowsDuplicates) {
  struct Case {
    char32_t c;
    Bytes bytes;
  } cases[] = {
      {0x301C, "\x81\x60"}, {0x2212, "\x81\x7C"}, {0x2016, "\x81\x61"}, {0x00A2, "\x81\x91"},
      {0x00A3, "\x81\x92"}, {0x00AC, "\x81\xCA"}, {0x00A5, "\x5C"},     {0x203E, "\x7E"},
      {0x2014, "\x81\x5C"}, {0x2252, "\x81\xE0"}, {0x2160, "\x87\x54"}, {0x2170, "\xFA\x40"},
      {0x7E8A, "\xFA\x5C"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(utf8ToCp932(codePointToUtf8(c.c)), c.bytes) << std::hex << static_cast<unsigned>(c.c);
}

TEST(Cp932Voiced, KanaWithACombiningMarkIsComposed) {
  struct Case {
    std::u16string text;
    Bytes bytes;
  } cases[] = {
      {u"\u304B\u3099", "\x82\xAA"},  // か + voiced = が
      {u"\u30CF\u309A", "\x83\x70"},  // ハ + semi-voiced = パ
      {u"\u30A6\u3099", "\x83\x94"},  // ウ + voiced = ヴ
      {u"a\u3057\u3099b",
       "a\x82\xB6"
       "b"},  // じ
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf16ToCp932(c.text), c.bytes);
    EXPECT_EQ(cp932Length(c.text), c.bytes.size());
  }
  // Only those sequences: a mark after anything else is still no character of the code page.
  for (std::u16string text : {u"a\u3099", u"\u3099", u"e\u0301"})
    EXPECT_THROW(utf16ToCp932(text), EncodeError);
}

TEST(EncodeError, InvisibleCharactersAreNamed) {
  struct Case {
    char32_t c;
    std::string description;
  } cases[] = {
      {0x00A0, "NO-BREAK SPACE (U+00A0)"},
      {0x200B, "ZERO WIDTH SPACE (U+200B)"},
      {0xFEFF, "ZERO WIDTH NO-BREAK SPACE (U+FEFF)"},
      {0x2028, "LINE SEPARATOR (U+2028)"},
      {0x3099, "COMBINING KATAKANA-HIRAGANA VOICED SOUND MARK (U+3099)"},
      {0x0085, "<control-0085> (U+0085)"},
      {0x2665, "\"\u2665\" (U+2665)"},
      {0x1F600, "\"\U0001F600\" (U+1F600)"},
  };
  for (const Case& c : cases) EXPECT_EQ(characterDescription(c.c), c.description);
}

TEST(FieldEncoder, OneErrorNamesEveryFieldWithItsCaption) {
  FieldEncoder fields;
  EXPECT_EQ(fields.encode("Title", u"a\u2665b"), "a?b");
  EXPECT_EQ(fields.encode("Board Number", u"12"), "12");
  fields.encode("Text", u"x\u00A0y\U0001F600\u00A0");
  try {
    fields.check();
    FAIL();
  } catch (const EncodeError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Characters that cannot be sent in Shift-JIS:\n"
              "Title: \"\u2665\" (U+2665)\n"
              "Text: NO-BREAK SPACE (U+00A0) \"\U0001F600\" (U+1F600)");
    EXPECT_EQ(e.characters(), (std::vector<char32_t>{0x2665, 0xA0, 0x1F600}));
  }
  FieldEncoder clean;
  clean.encode("Title", u"ok");
  EXPECT_NO_THROW(clean.check());
}

}  // namespace
}  // namespace pelarin
