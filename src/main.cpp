// Pelarin: the desktop program.
#include <QApplication>
#include <csignal>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtplatform.h"

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
  // A file size limit then fails the write, which is reported; the composition survives.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelarin"));
  QApplication::setApplicationVersion(QStringLiteral(PELARIN_VERSION));
  pelarin::gui::installFontSubstitutions();

  pelarin::gui::QtPlatform platform;
  pelarin::gui::Application windows(platform);
  if (windows.main().refused()) return 1;
  // Closing the main window ends the program, whatever other window is still open.
  QObject::connect(&windows.main(), &pelarin::gui::TLogview::closed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  windows.main().show();
  windows.restoreDrafts();
  return QApplication::exec();
}
