// The Control menu's composers: new message, response and mail; and the
// File menu's Upload Script, where their records can be seen and edited again.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/outbox/outboxwin.h"
#include "gui/platform/command.h"

namespace pelarin::gui {

void TLogview::BtNewmesClick() {
  runCommand(platform_, this, [this] {
    if (windows_.newMessage) windows_.newMessage->open();
  });
}

void TLogview::BtResponceClick() {
  // The shortcut reaches here only while the item is enabled; the button likewise.
  if (!BtResponce->isEnabled()) return;
  runCommand(platform_, this, [this] {
    if (windows_.res) windows_.res->open(*Docview);
  });
}

void TLogview::UploadScript1Click() {
  runCommand(platform_, this, [this] {
    if (windows_.outbox) windows_.outbox->open();
  });
}

void TLogview::BtMailClick() {
  runCommand(platform_, this, [this] {
    if (windows_.mail) windows_.mail->open(!Title->text().isEmpty() && !IDnum->text().isEmpty());
  });
}

}  // namespace pelarin::gui
