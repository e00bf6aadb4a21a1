#include "core/compose/quotation.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

class Quotation : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaults(state, host);
    state.SelFirstLine = -1;
    state.SelLastLine = -1;
    source.body = {"first", "  indented  ", "", "last"};
    source.name = trimmedName(sj("山田") + "   ");
    source.writerField = source.name;
    source.today = "2026/03/04";
    source.signature = Lines{"--", sj("署名")};
  }
  Bytes header() const { return Bytes(24, '-') + sj("山田") + sj("さんへのレスです") + Bytes(24, '-'); }
  Bytes footer() const { return Bytes(17, '-') + "2026/03/04 written by Pelarin" + Bytes(17, '-'); }

  AppHost host;
  AppState state;
  QuoteSource source;
};

TEST_F(Quotation, ResponseWithTheDefaults) {
  EXPECT_EQ(FillResponseEditor(state, source),
            (Lines{header(), ">first", ">  indented  ", ">", ">last", "", "--", sj("署名"), footer()}));
}

TEST_F(Quotation, MailWithTheDefaults) {
  // No empty line between the quote and the signature; one at the very end.
  EXPECT_EQ(FillMailEditor(state, source),
            (Lines{header(), ">first", ">  indented  ", ">", ">last", "--", sj("署名"), footer(), ""}));
}

TEST_F(Quotation, QuotedLineStyles) {
  state.QuoteStyle = 1;
  EXPECT_EQ(FillResponseEditor(state, source)[1], sj("山田") + ">first");
  source.writerField = sj("山田") + " \t";  // the field is trimmed as well
  EXPECT_EQ(quotedLine(state, source.writerField, "x"), sj("山田") + ">x");

  state.QuoteStyle = 0;
  state.QuoteMark = "";
  const Lines mail = FillMailEditor(state, source);
  EXPECT_EQ(Lines(mail.begin() + 1, mail.begin() + 5), source.body);
  state.QuoteMark = sj("＞ ");
  EXPECT_EQ(quotedLine(state, "", " x "), sj("＞ ") + " x ");
}

TEST_F(Quotation, NoCentreTextMeansNoLineInAResponseOnly) {
  state.HeaderCenter = 0;
  state.FooterCenter = 0;
  const Lines response = FillResponseEditor(state, source);
  EXPECT_EQ(response, (Lines{">first", ">  indented  ", ">", ">last", "", "--", sj("署名")}));

  const Lines mail = FillMailEditor(state, source);
  EXPECT_EQ(mail.front(), Bytes(24, '-') + sj("さんへのレスです") + Bytes(24, '-'));
  EXPECT_EQ(mail[mail.size() - 2], Bytes(17, '-') + " written by Pelarin" + Bytes(17, '-'));

  // A name that trims to nothing is no centre text either.
  state.HeaderCenter = 1;
  source.name = trimmedName("  \t ");
  EXPECT_EQ(FillResponseEditor(state, source).front(), ">first");
  EXPECT_EQ(FillMailEditor(state, source).front(), Bytes(24, '-') + sj("さんへのレスです") + Bytes(24, '-'));

  // Mail drops a header or footer only when all of its texts are empty.
  state.HeaderLeft = state.HeaderSuffix = state.HeaderRight = "";
  state.FooterLeft = state.FooterSuffix = state.FooterRight = "";
  EXPECT_EQ(FillMailEditor(state, source),
            (Lines{">first", ">  indented  ", ">", ">last", "--", sj("署名"), ""}));
}

TEST_F(Quotation, DateAndOutOfRangeCentreKinds) {
  state.HeaderCenter = 2;
  state.FooterCenter = 1;
  const Lines lines = FillResponseEditor(state, source);
  EXPECT_EQ(lines.front(), Bytes(24, '-') + "2026/03/04" + sj("さんへのレスです") + Bytes(24, '-'));
  EXPECT_EQ(lines.back(), Bytes(17, '-') + sj("山田") + " written by Pelarin" + Bytes(17, '-'));
  EXPECT_EQ(centreText(3, "n", "d"), "");
  EXPECT_EQ(centreText(-1, "n", "d"), "");
}

TEST_F(Quotation, NoBodyAndNoSignature) {
  source.body.clear();
  EXPECT_EQ(FillResponseEditor(state, source), (Lines{header(), "", "--", sj("署名"), footer()}));
  source.signature.reset();
  EXPECT_EQ(FillResponseEditor(state, source), (Lines{header(), "", footer()}));
  EXPECT_EQ(FillMailEditor(state, source), (Lines{header(), footer(), ""}));
  source.signature = Lines{};  // an empty "sig.txt"
  EXPECT_EQ(FillMailEditor(state, source), (Lines{header(), footer(), ""}));
}

// Body lines of 4, 6, 4, 6, 4 and 3 bytes start at 0, 6, 14, 20, 28 and 34.
TEST_F(Quotation, SelectionGivesTheQuotedLines) {
  const std::vector<size_t> lengths{4, 6, 4, 6, 4, 3};
  struct Case {
    const char* name;
    size_t start, length;
    int32_t first, last;
  } cases[] = {
      {"middle of line 2 to middle of line 4", 16, 14, 2, 4},
      {"lines 2 and 3 with the break after 3", 14, 14, 2, 4},
      {"lines 2 and 3 without that break", 14, 12, 2, 3},
      {"from the end of line 1", 12, 4, 1, 2},
      {"inside line 0", 1, 2, 0, 0},
      {"nothing selected", 16, 0, -1, -1},
  };
  for (const auto& c : cases) {
    QuotationRange(state, lengths, c.start, c.length);
    EXPECT_EQ(state.SelFirstLine, c.first) << c.name;
    EXPECT_EQ(state.SelLastLine, c.last) << c.name;
  }

  source.body = {"L0", "L1", "L2", "L3", "L4", "L5"};
  QuotationRange(state, lengths, 16, 14);
  EXPECT_EQ(FillResponseEditor(state, source),
            (Lines{header(), ">L2", ">L3", ">L4", "", "--", sj("署名"), footer()}));
  // Mail always quotes the whole body.
  EXPECT_EQ(FillMailEditor(state, source).size(), 1u + 6 + 2 + 1 + 1);
}

TEST(TrimmedName, TrailingBlanksAndControlBytesOnly) {
  struct Case {
    Bytes name, trimmed;
  } cases[] = {
      {"Taro   ", "Taro"},
      {"Taro\t\r\n\x01 ", "Taro"},
      {"  Taro", "  Taro"},
      {"Ta ro ", "Ta ro"},
      {sj("太郎　"), sj("太郎　")},  // a double-byte space stays
      {"   ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(trimmedName(c.name), c.trimmed) << c.name;
}

}  // namespace
}  // namespace pelarin
