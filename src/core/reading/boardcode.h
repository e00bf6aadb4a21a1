// The text shown for a board key: BF, B<n>, I<n>, M, F<n>.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text/bytes.h"

namespace pelarin {

// keyText is line 1 of a message file; throws ConversionError when it is not an integer.
Bytes BoardCode(ByteView keyText);

// The board key of a code (BF, B<n>, I<n>, M, F<n>, n from 1); none for any other text.
std::optional<int32_t> BoardKeyOfCode(std::string_view code);

}  // namespace pelarin
