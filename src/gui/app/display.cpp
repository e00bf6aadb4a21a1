#include "gui/app/display.h"

#include <unistd.h>

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pelarin::gui {

namespace {

bool empty(const char* variable) {
  const char* value = std::getenv(variable);
  return !value || !*value;
}

QtMessageHandler previous = nullptr;

void fatalAtStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    endForWantOfDisplay();
  }
  if (previous) previous(type, context, text);
}

}  // namespace

bool noDisplayNamed(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
  return empty("QT_QPA_PLATFORM") && empty("DISPLAY") && empty("WAYLAND_DISPLAY");
}

void endForWantOfDisplay() {
  std::fputs(
      "pelarin: ウィンドウを開く画面がありません (DISPLAY も WAYLAND_DISPLAY も使えません)。\n"
      "デスクトップで起動してください。画面のない機械では xvfb-run -a pelarin\n"
      "のように仮想の X サーバーで起動できます。\n",
      stderr);
  std::fflush(stderr);
  // Nothing of the user's is open yet: no destructor has anything to save.
  ::_exit(1);
}

void watchDisplayStart() { previous = qInstallMessageHandler(fatalAtStart); }

void startedOnDisplay() { qInstallMessageHandler(previous); }

}  // namespace pelarin::gui
