// The two ways the system reads a number from text.
#pragma once

#include <cstdint>
#include <optional>

#include "core/text/bytes.h"

namespace pelarin {

// An optional sign, then decimal digits or "$" and hex digits, and nothing else,
// fitting in 32 signed bits.
std::optional<int32_t> parseNumber(ByteView text);
// The same, 0 for a field that is none (blanks, line noise).
int32_t numberOr0(ByteView text);

// The strict integer rule: leading blanks, then parseNumber; anything else
// throws ConversionError naming the text.
int32_t StrToInt(ByteView text);

Bytes IntToStr(int64_t value);

}  // namespace pelarin
