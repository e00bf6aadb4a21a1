// Pelarin: the desktop program.
#include <QApplication>
#include <csignal>

#include "gui/app/application.h"
#include "gui/app/display.h"
#include "gui/app/programend.h"
#include "gui/app/viewmain.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtplatform.h"

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
  // A file size limit then fails the write, which is reported; the composition survives.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  if (pelarin::gui::noDisplayNamed(argc, argv)) pelarin::gui::endForWantOfDisplay();
  pelarin::gui::watchDisplayStart();
  QApplication app(argc, argv);
  pelarin::gui::startedOnDisplay();
  QApplication::setApplicationName(QStringLiteral("Pelarin"));
  QApplication::setApplicationVersion(QStringLiteral(PELARIN_VERSION));
  pelarin::gui::installFontSubstitutions();

  // Before the windows: a signal during a box of the start-up still ends cleanly.
  pelarin::gui::ProgramEnd end;
  pelarin::gui::QtPlatform platform;
  pelarin::gui::Application windows(platform);
  if (windows.main().ended()) return end.status();
  if (windows.main().refused()) return 1;
  // Closing the main window ends the program, whatever other window is still open. Not
  // quit(): that would first close the composers as if the user had.
  QObject::connect(&windows.main(), &pelarin::gui::TLogview::closed, &app,
                   [&end] { QCoreApplication::exit(end.status()); }, Qt::QueuedConnection);
  windows.main().show();
  windows.restoreDrafts();
  return QApplication::exec();
}
