// The caret counters of the editors: where the caret stands, and the alarm
// colours of the three message editors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelarin {

struct AppState;

// numerator / denominator to the nearest integer, an exact half to the even
// neighbour. The denominator must not be 0.
int32_t roundHalfEven(int64_t numerator, int64_t denominator);

// round(alarm × percent / 100).
int32_t cautionCount(int32_t alarm, int32_t percent);
int32_t cautionLetters(const AppState& state);
int32_t cautionLines(const AppState& state);

enum class CounterColour { Normal, Caution, Alarm };

// Normal up to the caution count, caution up to the alarm count, alarm beyond.
CounterColour counterColour(int32_t value, int32_t caution, int32_t alarm);
CounterColour letterColour(int32_t column, const AppState& state);
CounterColour lineColour(int32_t line, const AppState& state);

// A byte position in a text whose lines are joined by CR LF: the 0-based line
// it falls in and the bytes before it in that line. A position at the very end
// of a line belongs to that line; the one after its line break to the next.
// Lines past the given ones count as empty.
struct TextPosition {
  size_t line = 0;
  size_t column = 0;
};
TextPosition positionInLines(std::span<const size_t> lineLengths, size_t position);

// The counters' values: column, and line counted from 1.
struct CaretLocation {
  int32_t column = 0;
  int32_t line = 1;
};
CaretLocation locateCaret(std::span<const size_t> lineLengths, size_t caretOffset);

}  // namespace pelarin
