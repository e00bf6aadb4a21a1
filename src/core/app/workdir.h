// The work directory: the current directory at start, ending in the separator.
#pragma once

#include <filesystem>
#include <string>

#include "core/text/bytes.h"

namespace pelarin {

// A directory whose name has no code page 932 form gives "": the files are then
// named relative to the current directory, and *warning says so.
Bytes currentWorkDir(std::string* warning = nullptr);

// The same for a directory named on a command line; "" means the caller must make it current.
Bytes workDirText(const std::filesystem::path& dir, std::string* warning);

}  // namespace pelarin
