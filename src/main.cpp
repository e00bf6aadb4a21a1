// Pelarin: the desktop program.
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "gui/app/application.h"
#include "gui/app/display.h"
#include "gui/app/programend.h"
#include "gui/app/viewmain.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtplatform.h"

namespace {

const char kUsage[] =
    "Usage: pelarin [--help | --version]\n"
    "\n"
    "Pelarin, an offline reader for a Japanese text bulletin-board host.\n"
    "The current directory at start is the work directory: the settings\n"
    "(pelarin.ini), the lock (upload.tmp), the message files (mes<N>.tmp), the\n"
    "lists, the drafts and the library are kept there. A start from the desktop\n"
    "menu (pelarin-desktop) works in $XDG_DATA_HOME/pelarin, by default\n"
    "~/.local/share/pelarin. Other arguments are ignored.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before any window: a terminal without a display can ask too.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("pelarin " PELARIN_VERSION "\n", stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
  }
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
  // The installed menu entry's name, for the window's id on Wayland.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.pelarin.Pelarin"));
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
  // Before the drafts: an open composer keeps the store as it is.
  windows.main().offerReopen();
  windows.restoreDrafts();
  return QApplication::exec();
}
