// The window-free steps of loading one log: the association lookup, the
// window title, clearing the store, splitting and sorting.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

struct AppState;
class AppHost;
class LineReader;

// ListFileName and UploadFile from the association whose Target occurs in the
// log's file name (ASCII case ignored; the last match wins).
void associateLog(AppState& state, ByteView logFileName);

// The board list's first line + " - Pelarin for Windows", or the plain title
// when WorkDir + ListFileName + ".bod" does not exist.
Bytes titleFromBoardList(const AppState& state);

// The steps up to the display: UploadFile, UploadRewrite, the association, the
// title (through the host), writing over the store unless AppendMode, SplitLog,
// MesCount, CurrentMes and the sort. The log is opened first, so a folder or
// an unreadable log (FileError) changes nothing. A SplitStoppedError comes
// after MesCount counts the messages completed before it and the sort ran.
void loadLogIntoStore(const std::filesystem::path& log, AppState& state, AppHost& host);
void loadLogIntoStore(LineReader& log, AppState& state, AppHost& host);

}  // namespace pelarin
