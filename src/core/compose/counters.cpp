#include "core/compose/counters.h"

#include <algorithm>
#include <cstdint>

#include "core/app/appstate.h"

namespace pelarin {

int32_t roundHalfEven(int64_t numerator, int64_t denominator) {
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  // Floor division, then compare twice the remainder with the denominator.
  int64_t quotient = numerator / denominator;
  int64_t remainder = numerator % denominator;
  if (remainder < 0) {
    quotient -= 1;
    remainder += denominator;
  }
  const int64_t twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) quotient += 1;
  // Thresholds from a hand-edited settings file may not fit: saturate rather than wrap.
  return static_cast<int32_t>(std::clamp<int64_t>(quotient, INT32_MIN, INT32_MAX));
}

int32_t cautionCount(int32_t alarm, int32_t percent) {
  return roundHalfEven(static_cast<int64_t>(alarm) * percent, 100);
}

int32_t cautionLetters(const AppState& state) {
  return cautionCount(state.AlarmLetters, state.LetterCaution);
}

int32_t cautionLines(const AppState& state) { return cautionCount(state.AlarmLines, state.LineCaution); }

CounterColour counterColour(int32_t value, int32_t caution, int32_t alarm) {
  if (value <= caution) return CounterColour::Normal;
  if (value <= alarm) return CounterColour::Caution;
  return CounterColour::Alarm;
}

CounterColour letterColour(int32_t column, const AppState& state) {
  return counterColour(column, cautionLetters(state), state.AlarmLetters);
}

CounterColour lineColour(int32_t line, const AppState& state) {
  return counterColour(line, cautionLines(state), state.AlarmLines);
}

TextPosition positionInLines(std::span<const size_t> lineLengths, size_t position) {
  TextPosition at{0, position};
  while (at.line < lineLengths.size() && at.column > lineLengths[at.line]) {
    const size_t step = lineLengths[at.line] + 2;
    at.column = at.column >= step ? at.column - step : 0;  // inside a line break
    ++at.line;
  }
  // Past the given lines every line is empty: a caret after a final line break
  // (which the lines of an editor leave out) stands at the start of a new line.
  if (at.line >= lineLengths.size() && at.column > 0) {
    at.line += (at.column + 1) / 2;
    at.column = 0;
  }
  return at;
}

CaretLocation locateCaret(std::span<const size_t> lineLengths, size_t caretOffset) {
  const TextPosition at = positionInLines(lineLengths, caretOffset);
  return {static_cast<int32_t>(at.column), static_cast<int32_t>(at.line + 1)};
}

}  // namespace pelarin
