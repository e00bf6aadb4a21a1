// Keeps the user's settings file before a run that could not read all of it
// replaces it with values that fell back to their initial ones.
#pragma once

#include <filesystem>

namespace pelarin {

inline constexpr char kSettingsBackupName[] = "pelarin.ini.bak";

// Copies file to file + ".bak" as a new file of its own (made exclusively
// beside it and renamed into place), so a link planted under the backup's
// name is replaced, never followed. Nothing happens when file is gone.
// Throws FileError.
void keepSettingsBackup(const std::filesystem::path& file);

}  // namespace pelarin
