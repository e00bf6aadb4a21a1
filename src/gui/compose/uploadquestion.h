// The composers' OK: one record into the upload script, the overwrite
// question asked in a "警告" box with Yes and No.
#pragma once

#include "core/compose/uploadrecords.h"

class QWidget;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

// Throws what AppendUploadRecord throws; the caller's window stays open then.
void appendToUploadScript(AppState& state, Platform& platform, QWidget* parent, const Lines& record);

}  // namespace pelarin::gui
