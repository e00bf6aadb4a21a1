// The settings file "pelarin.ini": 51 positional lines, no keys.
#pragma once

#include "core/text/bytes.h"

namespace pelarin {

struct AppState;
class AppHost;

inline constexpr char kSettingsName[] = "pelarin.ini";
inline constexpr char kHelpFileName[] = "pelarin.HLP";

// Reads dir + "pelarin.ini" into the state, then the follow-up steps: the board
// list caption, "bbs.ini" and the upload file, UploadRewrite, the help file and
// the viewer font. Throws; fields read before a bad line keep their new values
// and no follow-up step runs.
void LoadSettings(ByteView dir, AppState& state, AppHost& host);

// Writes all 51 lines to WorkDir + "pelarin.ini" through a temporary file, so a
// failed save leaves the old file whole. Throws FileError.
void SaveSettings(const AppState& state);

}  // namespace pelarin
