// The work directory: the current directory at start, ending in the separator.
#pragma once

#include "core/text/bytes.h"

namespace pelarin {

Bytes currentWorkDir();  // throws EncodeError for a name without a code page 932 form

}  // namespace pelarin
