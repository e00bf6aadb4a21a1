// Long store work (a load, a sort, the list's rows, a board or name list) on a
// worker thread, while the command that started it waits in a local event
// loop: the windows repaint and Cancel is answered at once. The work gets its
// own copies of what it needs; only the finishing step, on this thread, puts
// its results into the application state.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <thread>

#include "gui/app/progresswindow.h"

namespace pelarin {
class Progress;
}

namespace pelarin::gui {

class BackgroundWork : public QObject {
  Q_OBJECT

 public:
  // Work that takes longer than this shows the progress window.
  static constexpr int kShowAfterMs = 300;

  explicit BackgroundWork(QWidget* windowParent);
  ~BackgroundWork() override;

  // Runs work on a new thread and returns once it has ended, with its
  // exception rethrown here. finish runs on this thread once the work has
  // ended, also when stop() ended it first. One piece of work at a time.
  void run(const WorkShown& shown, const std::function<void(Progress&)>& work,
           const std::function<void()>& finish = {});

  bool running() const { return running_; }
  // The user's Cancel, as the window's button.
  void cancel();
  // The program ends: the work stops at its next step and this waits for it.
  void stop();

  ProgressWindow* window() const { return window_; }

  // Tests stand in for slow work here: called on the worker thread at every
  // step of every piece of work until cleared.
  static void setStepHook(std::function<void(const Progress&)> hook);

 Q_SIGNALS:
  void started();
  void ended();
  void windowShown();

 private:
  void finishOnce();

  ProgressWindow* window_;
  bool running_ = false;
  Progress* progress_ = nullptr;
  std::thread thread_;
  std::function<void()> finish_;
};

}  // namespace pelarin::gui
