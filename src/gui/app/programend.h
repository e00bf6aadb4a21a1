// The ends of the program that nobody asks for: SIGTERM, SIGHUP and SIGINT
// (a desktop log-out sends them) and the session manager's end. Each runs the
// main window's normal close without its questions, then leaves the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace pelarin::gui {

class ProgramEnd : public QObject {
  Q_OBJECT

 public:
  // Catches the three signals through a pipe that the event loop watches, so
  // the handler itself only writes a byte. One at a time.
  ProgramEnd();
  ~ProgramEnd() override;  // the signals take their default action again
  ProgramEnd(const ProgramEnd&) = delete;
  ProgramEnd& operator=(const ProgramEnd&) = delete;

  static ProgramEnd* instance();

  // The program's exit status: 0, or 128 + the signal that ended it.
  int status() const { return status_; }
  bool ending() const { return ending_; }

  // Runs the end once: requested(), then out of every event loop. Inside a
  // modal box the process ends at once after the close, so that the command
  // that opened the box does not run on over a closed store.
  void end(int status);

 Q_SIGNALS:
  // The main window closes now.
  void requested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void readSignals();

  QSocketNotifier* notifier_ = nullptr;
  int status_ = 0;
  bool ending_ = false;
};

}  // namespace pelarin::gui
