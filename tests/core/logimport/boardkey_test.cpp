#include "core/logimport/boardkey.h"

#include <gtest/gtest.h>

#include "core/app/appstate.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

struct ScanRow {
  const char* line;  // UTF-8, converted to code page 932
  int32_t keyAfter;
  int mapCount;  // BoardMapCount after the line
};

// The rows run in order over one map, as a log would.
TEST(NextBoardKey, ExampleTable) {
  const ScanRow rows[] = {
      {"● [ BBS12(IBBS345) 雑談", 10345, 1},
      {"● [ BBS7 お知らせ", 7, 1},
      {"§ BBS5(IBBS20)", 10020, 2},
      {"● [ IBBS123 ", 10123, 2},
      {"● [ FSW3 ", 30003, 2},
      {"[ Ｂbs１２ ]", 10345, 2},
      {"[ Ｂbs１３ ]", 13, 2},
      {"[ ＢbsＦ ]", 0, 2},
      {"[ Ｍail ]", 20000, 2},
      {"[ Ｉbbs４５ ]", 10045, 2},
      {"[ Ｆsw １２ ]", 30012, 2},
  };
  AppState state;
  int32_t key = 777;
  for (const ScanRow& row : rows) {
    key = NextBoardKey(sj(row.line), key, state);
    EXPECT_EQ(key, row.keyAfter) << row.line;
    EXPECT_EQ(state.BoardMapCount, row.mapCount) << row.line;
  }
  EXPECT_EQ(state.BoardMap[0].From, 12);
  EXPECT_EQ(state.BoardMap[0].To, 10345);
  EXPECT_EQ(state.BoardMap[1].From, 5);
  EXPECT_EQ(state.BoardMap[1].To, 10020);
}

struct KeyRow {
  const char* line;
  int32_t keyBefore;
  int32_t keyAfter;
};

TEST(NextBoardKey, Rules) {
  const KeyRow rows[] = {
      {"", 5, 5},
      {"本文の行", 5, 5},
      {"● [ CUG42 ", 5, 42},
      {"● [ BBS", 5, 5},
      {"● [ BBSx", 5, 5},
      {"● [ BBS0 ", 5, 0},
      {"● [ BBS123", 5, 12},
      {"● [ BBS3(IBBS)", 5, 10000},
      {"● [ BBS3(IBBS1234)", 5, 10123},
      {"● [ FSW", 5, 5},
      {"● [ FSW45x", 5, 30045},
      {"● [ IBBS", 5, 5},
      {"● [ IBBSz", 5, 5},
      {"● [ IBBS1234", 5, 10123},
      {"● [ IBBS7", 5, 10007},
      {"§ BBS", 5, 5},
      {"§ BBS12(IBBS3)", 5, 10003},
      {"§ BBS12", 5, 12},
      {"[ Ｂbs", 9, 9},
      {"[ Ｂbs０１", 9, 9},
      {"[ Ｂbs１", 9, 1},
      {"[ Ｂbs１Ｆ", 9, 1},
      {"[ Ｂbs９９９", 9, 99},
      {"[ ＢbsＦ", 9, 0},
      {"[ Ｍai", 9, 9},
      {"[ Ｉbbs", 9, 9},
      {"[ Ｉbbs０１", 9, 9},
      {"[ Ｉbbs１２３４", 9, 10123},
      {"[ Ｉbbs７x", 9, 10007},
      {"[ Ｆsw１２", 9, 30012},
      {"[ Ｆsw １２", 9, 30012},
      {"[ Ｆsw  １２", 9, 9},
      {"[ Ｆsw ０", 9, 9},
      {"[ Ｆsw１２３４", 9, 30123},
      {" [ Ｍail", 9, 9},
  };
  for (const KeyRow& row : rows) {
    AppState state;
    EXPECT_EQ(NextBoardKey(sj(row.line), row.keyBefore, state), row.keyAfter) << row.line;
  }
}

TEST(NextBoardKey, HalfMarkersAtLineEnd) {
  AppState state;
  for (ByteView line : {"\x81", "[", "[ \x82", "\x81\x9c [ BBS", "\x81\x9c [ IBB", "[ \x82\x65sw \x82"})
    EXPECT_EQ(NextBoardKey(line, 3, state), 3);
  EXPECT_EQ(state.BoardMapCount, 0);
}

TEST(NextBoardKey, PromptWithoutDigitsLooksUpTheKeyInForce) {
  AppState state;
  AddBoardPair(state, 12, 10345);
  EXPECT_EQ(NextBoardKey(sj("[ Ｂbs ]"), 12, state), 10345);
  EXPECT_EQ(NextBoardKey(sj("[ ＢbsＦ ]"), 12, state), 0);
}

TEST(NextBoardKey, FirstRecordedPairDecides) {
  AppState state;
  NextBoardKey(sj("● [ BBS12(IBBS345)"), 0, state);
  NextBoardKey(sj("● [ BBS12(IBBS400)"), 0, state);
  EXPECT_EQ(state.BoardMapCount, 2);
  EXPECT_EQ(NextBoardKey(sj("[ Ｂbs１２"), 0, state), 10345);
}

TEST(NextBoardKey, MapStopsAtItsRoom) {
  AppState state;
  for (int n = 0; n < kBoardMapSize; ++n)
    NextBoardKey("\x81\x9c [ BBS" + std::to_string(n) + "(IBBS" + std::to_string(n + 100) + ")", 0, state);
  ASSERT_EQ(state.BoardMapCount, kBoardMapSize);
  // The title still files its own messages under the linked board.
  EXPECT_EQ(NextBoardKey(sj("● [ BBS5(IBBS999)"), 0, state), 10999);
  EXPECT_EQ(state.BoardMapCount, kBoardMapSize);
  EXPECT_EQ(NextBoardKey(sj("[ Ｂbs５"), 0, state), 10105);
  EXPECT_EQ(NextBoardKey(sj("[ Ｂbs９９"), 0, state), 10199);
}

TEST(FullWidthDigitValue, DigitsAndF) {
  const Bytes digits = sj("０１２３４５６７８９");
  for (int d = 0; d < 10; ++d) {
    auto lead = static_cast<unsigned char>(digits[2 * d]);
    auto trail = static_cast<unsigned char>(digits[2 * d + 1]);
    EXPECT_EQ(FullWidthDigitValue(lead, trail), d);
  }
  const Bytes f = sj("Ｆ");
  EXPECT_EQ(FullWidthDigitValue(static_cast<unsigned char>(f[0]), static_cast<unsigned char>(f[1])), 0);
  const Bytes a = sj("Ａ");
  EXPECT_EQ(FullWidthDigitValue(static_cast<unsigned char>(a[0]), static_cast<unsigned char>(a[1])), 0);
}

TEST(IbbsNumberAfter, UpToThreeDigits) {
  const Bytes line = sj("● [ BBS1(IBBS7) ");
  EXPECT_EQ(IbbsNumberAfter(line, 0), 10007);
  EXPECT_EQ(IbbsNumberAfter(sj("● [ BBS1(IBBS98765"), 0), 10987);
  EXPECT_EQ(IbbsNumberAfter(sj("● [ BBS1(IBBS"), 0), 10000);
  EXPECT_EQ(IbbsNumberAfter(sj("● [ BBS1(IBBSx1"), 0), 10000);
  EXPECT_EQ(IbbsNumberAfter(sj("§ BBS5(IBBS20)"), -2), 10020);
}

}  // namespace
}  // namespace pelarin
