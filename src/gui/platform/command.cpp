#include "gui/platform/command.h"

#include <QString>
#include <exception>
#include <new>

#include "core/text/progress.h"
#include "gui/platform/platform.h"

namespace pelarin::gui {

bool runCommand(Platform& platform, QWidget* parent, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const CommandAbandoned&) {
  } catch (const CancelledError&) {
    // The user asked for it; what the work completed stays.
  } catch (const std::bad_alloc&) {
    platform.messageBox(parent, BoxKind::Error, QStringLiteral("Out of memory"));
  } catch (const std::exception& e) {
    platform.messageBox(parent, BoxKind::Error, QString::fromUtf8(e.what()));
  }
  return false;
}

}  // namespace pelarin::gui
