#include "core/compose/counters.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/compose/uploadrecords.h"

namespace pelarin {
namespace {

TEST(Counters, RoundHalfToEven) {
  struct Case {
    int64_t numerator, denominator;
    int32_t rounded;
  } cases[] = {
      {80 * 90, 100, 72}, {50 * 70, 100, 35}, {75 * 70, 100, 52},  // 52.5
      {5 * 90, 100, 4},                                            // 4.5
      {550, 100, 6},      {5249, 100, 52},    {5251, 100, 53},    {0, 100, 0},
      {-450, 100, -4},    {-550, 100, -6},    {-5251, 100, -53},  {-1, 2, 0},
      {1, -2, 0},         {3, -2, -2},        {-3, -2, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(roundHalfEven(c.numerator, c.denominator), c.rounded) << c.numerator << "/" << c.denominator;

  // A threshold from a hand-edited settings file saturates instead of wrapping.
  EXPECT_EQ(cautionCount(std::numeric_limits<int32_t>::max(), 1000), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(cautionCount(std::numeric_limits<int32_t>::min(), 1000), std::numeric_limits<int32_t>::min());
}

class CounterColours : public ::testing::Test {
 protected:
  void SetUp() override { SetDefaults(state, host); }
  AppHost host;
  AppState state;
};

TEST_F(CounterColours, DefaultThresholds) {
  using enum CounterColour;
  EXPECT_EQ(cautionLetters(state), 72);
  EXPECT_EQ(cautionLines(state), 35);
  struct Case {
    int32_t value;
    CounterColour letters, lines;
  } cases[] = {
      {0, Normal, Normal},   {1, Normal, Normal}, {35, Normal, Normal}, {36, Normal, Caution},
      {50, Normal, Caution}, {51, Normal, Alarm}, {72, Normal, Alarm},  {73, Caution, Alarm},
      {80, Caution, Alarm},  {81, Alarm, Alarm},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(letterColour(c.value, state), c.letters) << "column " << c.value;
    EXPECT_EQ(lineColour(c.value, state), c.lines) << "line " << c.value;
  }
}

TEST_F(CounterColours, CautionAtHundredAndAtZeroPercent) {
  using enum CounterColour;
  state.LetterCaution = 100;
  for (int32_t column = 0; column <= 200; ++column)
    EXPECT_EQ(letterColour(column, state), column <= 80 ? Normal : Alarm) << column;

  state.LetterCaution = 0;
  state.LineCaution = 0;
  EXPECT_EQ(letterColour(0, state), Normal);
  EXPECT_EQ(letterColour(1, state), Caution);
  EXPECT_EQ(letterColour(80, state), Caution);
  EXPECT_EQ(letterColour(81, state), Alarm);
  EXPECT_EQ(lineColour(1, state), Caution);  // the first line already
}

std::vector<size_t> lengths(const Lines& lines) {
  std::vector<size_t> out;
  for (const Bytes& line : lines) out.push_back(line.size());
  return out;
}

TEST(LocateCaret, ColumnAndLineFromTheOffset) {
  const std::vector<size_t> tenThenFive{10, 5};
  struct Case {
    size_t offset;
    int32_t column, line;
  } cases[] = {
      {0, 0, 1},  {3, 3, 1},  {10, 10, 1},  // the end of a line belongs to it
      {12, 0, 2}, {17, 5, 2},
  };
  for (const auto& c : cases) {
    const CaretLocation at = locateCaret(tenThenFive, c.offset);
    EXPECT_EQ(at.column, c.column) << c.offset;
    EXPECT_EQ(at.line, c.line) << c.offset;
  }

  const std::vector<size_t> eighty{80};  // forty double-byte characters, say
  EXPECT_EQ(locateCaret(eighty, 80).column, 80);
  EXPECT_EQ(locateCaret(eighty, 80).line, 1);

  const std::vector<size_t> none;
  EXPECT_EQ(locateCaret(none, 0).column, 0);
  EXPECT_EQ(locateCaret(none, 0).line, 1);
}

TEST(LocateCaret, AfterAFinalLineBreakOnANewLine) {
  // The lines of an editor leave out the empty line a final break opens.
  const Bytes text = "abc\r\n";
  const auto lines = lengths(editorLines(text));
  ASSERT_EQ(lines.size(), 1u);
  const CaretLocation at = locateCaret(lines, text.size());
  EXPECT_EQ(at.column, 0);
  EXPECT_EQ(at.line, 2);
}

}  // namespace
}  // namespace pelarin
