// Directory texts as the Directories dialog stores them.
#pragma once

#include "core/text/bytes.h"

namespace pelarin {

// A non-empty directory gets the separator appended unless its last byte is
// one already (a double-byte character whose second byte equals it counts).
Bytes withSeparator(Bytes dir);

}  // namespace pelarin
