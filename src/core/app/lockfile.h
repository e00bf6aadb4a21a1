// The lock file "upload.tmp": exists exactly while a copy of the program owns
// the work directory.
#pragma once

#include <filesystem>

namespace pelarin {

inline constexpr char kLockFileName[] = "upload.tmp";

// Creates the empty file in one exclusive step, so two copies started
// together cannot both own the directory. False when it already exists;
// throws FileError on any other failure.
bool createLockFile(const std::filesystem::path& file);

}  // namespace pelarin
