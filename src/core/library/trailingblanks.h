// Titles and writer names are stored padded to their column with blanks; what
// leaves the library for another program drops the padding.
#pragma once

#include <string>
#include <string_view>

namespace pelarin {

// UTF-8 text without its trailing blanks, ASCII and ideographic.
std::string withoutTrailingBlanks(std::string_view text);

}  // namespace pelarin
