#include "gui/app/programend.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace pelarin::gui {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

int pipeFds[2] = {-1, -1};
ProgramEnd* current = nullptr;

extern "C" void onSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  // Full pipe: a byte is already waiting, which is enough.
  [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

ProgramEnd::ProgramEnd() {
  current = this;
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("pelarin: pipe");
    return;
  }
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &ProgramEnd::readSignals);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);

  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // The session ends: the data is committed by ending now, as a log-out would.
    connect(
        app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { end(0); },
        Qt::DirectConnection);
    connect(app, &QCoreApplication::aboutToQuit, this, [this] {
      if (ending_) return;
      ending_ = true;
      Q_EMIT requested();
    });
    // A quit from elsewhere would first close every window like the user's close box.
    app->installEventFilter(this);
  }
}

ProgramEnd::~ProgramEnd() {
  for (int signal : kSignals) ::signal(signal, SIG_DFL);
  delete notifier_;
  for (int& fd : pipeFds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  if (current == this) current = nullptr;
}

ProgramEnd* ProgramEnd::instance() { return current; }

void ProgramEnd::readSignals() {
  unsigned char byte = 0;
  int first = 0;
  while (::read(pipeFds[0], &byte, 1) == 1)
    if (!first) first = byte;
  if (first) end(128 + first);
}

void ProgramEnd::end(int status) {
  if (ending_) return;
  ending_ = true;
  status_ = status;
  Q_EMIT requested();
  if (QApplication::activeModalWidget()) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  QCoreApplication::exit(status);
}

bool ProgramEnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
    end(status_);
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace pelarin::gui
