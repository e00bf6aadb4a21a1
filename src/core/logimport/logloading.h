// The window-free steps of loading one log: the association lookup, the
// window title, clearing the store, splitting and sorting.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

struct AppState;
class AppHost;
class LineReader;
class Progress;

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
// With progress, a cancel of the split is such a stop too (cancelled()): the
// cancel is taken back and the sort runs, so a second cancel can stop it;
// a cancel of the sort (CancelledError) leaves every message whole.
void loadLogIntoStore(const std::filesystem::path& log, AppState& state, AppHost& host,
                      Progress* progress = nullptr);
void loadLogIntoStore(LineReader& log, AppState& state, AppHost& host, Progress* progress = nullptr);

}  // namespace pelarin
