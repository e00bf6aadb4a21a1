// The Option and Help commands of the main window: directories, font, help
// and the version box.
#include <QFontInfo>
#include <QPlainTextEdit>

#include "core/app/settings.h"
#include "core/text/errors.h"
#include "core/text/fieldencoder.h"
#include "core/text/paths.h"
#include "gui/app/initwin.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

void TLogview::Directry1Click() {
  if (windows_.init) windows_.init->execute();
}

void TLogview::Font1Click() {
  runCommand(platform_, this, [this] {
    // The dialog lists only installed faces: open it on the face the default's
    // substitution really shows, and keep the default's name if that face stays.
    QFont initial = Docview->font();
    const QString shown = QFontInfo(initial).family();
    initial.setFamily(shown);
    std::optional<QFont> font = platform_.chooseFont(this, initial);
    if (!font) return;
    // The face is encoded first: one without a code page 932 name changes nothing.
    Bytes face = state_.FontName;
    if (font->family() != shown) {
      FieldEncoder fields;
      face = toBytes(fields, "Font", font->family());
      fields.check(kSettingsEncodeHeading, "フォントは変わっていません。");
    }
    const int size = font->pointSize() > 0 ? font->pointSize() : QFontInfo(*font).pointSize();
    Docview->setFont(*font);
    if (windows_.list) windows_.list->applyFont(*font);
    if (windows_.mail) windows_.mail->applyFont(*font);
    if (windows_.newMessage) windows_.newMessage->applyFont(*font);
    if (windows_.res) windows_.res->applyFont(*font);
    if (windows_.input) windows_.input->applyFont(*font);
    if (windows_.hfset) windows_.hfset->applyFont(*font);
    if (windows_.sig) windows_.sig->applyFont(*font);
    state_.FontSize = size;
    state_.FontName = face;
  });
}

void TLogview::Quotation1Click() {
  if (windows_.hfset) windows_.hfset->execute();
}

void TLogview::Signature1Click() {
  if (windows_.sig) windows_.sig->execute();
}

void TLogview::Alart1Click() {
  if (windows_.alart) windows_.alart->execute();
}

void TLogview::Help2Click() {
  if (fileExists(workFile(kHelpFileName))) platform_.showHelp(this, pathToQ(state_.WorkDir + kHelpFileName));
}

void TLogview::About1Click() {
  platform_.messageBox(
      this, BoxKind::Information,
      QStringLiteral("Pelarin for Windows  Version " PELARIN_VERSION "\nThe Pelarin developers"),
      BoxButtons::Ok);
}

}  // namespace pelarin::gui
