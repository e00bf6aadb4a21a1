// Bodies are kept deflated: the library holds every message of years of
// logs, and the text compresses to about a third.
#pragma once

#include "core/text/bytes.h"

namespace pelarin {

Bytes packBody(ByteView body);
// size is the body's own length, kept beside it. Throws LibraryError when the
// packed bytes do not give it back.
Bytes unpackBody(ByteView packed, size_t size);

}  // namespace pelarin
