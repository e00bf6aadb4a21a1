// Everything pelarin-cli prints goes through here. On a terminal the control
// characters a log may carry are shown, not obeyed; into a pipe or a file the
// bytes stay exactly as they are.
#pragma once

#include <cstdio>
#include <string_view>

namespace pelarin::cli {

void print(std::FILE* out, std::string_view text);

}  // namespace pelarin::cli
