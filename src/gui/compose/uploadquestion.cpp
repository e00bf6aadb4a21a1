#include "gui/compose/uploadquestion.h"

#include "core/compose/uploadscript.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

void appendToUploadScript(AppState& state, Platform& platform, QWidget* parent, const Lines& record) {
  AppendUploadRecord(state, record, [&](const Bytes& question) {
    return platform.messageBox(parent, BoxKind::Warning, toQ(question), BoxButtons::YesNoDefaultNo) ==
           BoxAnswer::Yes;
  });
}

}  // namespace pelarin::gui
