// Bodies are kept deflated: the library holds every message of years of
// logs, and the text compresses to about a third.
#pragma once

#include <functional>

#include "core/text/bytes.h"

namespace pelarin {

Bytes packBody(ByteView body);
// size is the body's own length, kept beside it. Throws LibraryError when the
// packed bytes do not give it back.
Bytes unpackBody(ByteView packed, size_t size);
// The same body in pieces of whole lines (each ending in CR LF but maybe the
// last), so a large one is never whole in memory. Throws LibraryError as above.
void unpackBodyInLines(ByteView packed, size_t size, const std::function<void(ByteView)>& piece);

}  // namespace pelarin
