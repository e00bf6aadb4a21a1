// The text shown for a board key: BF, B<n>, I<n>, M, F<n>.
#pragma once

#include "core/text/bytes.h"

namespace pelarin {

// keyText is line 1 of a message file; throws ConversionError when it is not an integer.
Bytes BoardCode(ByteView keyText);

}  // namespace pelarin
