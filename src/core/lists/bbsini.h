// The association file "bbs.ini": 15 lines, column by column (the List of
// entries 1-5, then their Target, then their Upload).
#pragma once

#include <array>
#include <filesystem>

#include "core/app/appstate.h"

namespace pelarin {

inline constexpr char kBbsIniName[] = "bbs.ini";

using BbsTableType = std::array<BbsEntry, kBbsEntries>;

// Missing lines give empty texts; lines after the 15th are ignored. Throws FileError.
BbsTableType readBbsIni(const std::filesystem::path& file);

// Replaces the file whole (temporary file and rename). Throws FileError.
void writeBbsIni(const std::filesystem::path& file, const BbsTableType& table);

}  // namespace pelarin
