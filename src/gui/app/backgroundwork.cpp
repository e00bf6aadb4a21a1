#include "gui/app/backgroundwork.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <mutex>

#include "core/text/progress.h"

namespace pelarin::gui {

namespace {

constexpr int kRepaintMs = 50;

std::mutex hookMutex;
std::function<void(const Progress&)> stepHook;

}  // namespace

BackgroundWork::BackgroundWork(QWidget* windowParent) : window_(new ProgressWindow(windowParent)) {
  connect(window_, &ProgressWindow::cancelRequested, this, &BackgroundWork::cancel);
}

BackgroundWork::~BackgroundWork() { stop(); }

void BackgroundWork::setStepHook(std::function<void(const Progress&)> hook) {
  std::lock_guard lock(hookMutex);
  stepHook = std::move(hook);
}

void BackgroundWork::run(const WorkShown& shown, const std::function<void(Progress&)>& work,
                         const std::function<void()>& finish) {
  Progress progress;
  {
    std::lock_guard lock(hookMutex);
    if (stepHook) progress.onStep = stepHook;
  }
  std::exception_ptr failure;
  QEventLoop loop;
  progress_ = &progress;
  finish_ = finish;
  running_ = true;
  Q_EMIT started();
  thread_ = std::thread([&] {
    try {
      work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  QTimer show;
  show.setSingleShot(true);
  connect(&show, &QTimer::timeout, this, [&] {
    if (!thread_.joinable()) return;
    window_->start(shown);
    window_->update(progress);
    Q_EMIT windowShown();
  });
  QTimer repaint;
  connect(&repaint, &QTimer::timeout, this, [&] {
    if (window_->isVisible()) window_->update(progress);
  });
  show.start(kShowAfterMs);
  repaint.start(kRepaintMs);
  // Also left when the program's event loop ends; the work is then stopped.
  loop.exec();
  show.stop();
  repaint.stop();
  stop();
  window_->hide();
  running_ = false;
  Q_EMIT ended();
  if (failure) std::rethrow_exception(failure);
}

void BackgroundWork::cancel() {
  if (progress_) progress_->cancel = true;
}

void BackgroundWork::stop() {
  if (thread_.joinable()) {
    // Quick when the work has ended already; otherwise it stops at its next step.
    if (progress_) progress_->abandon = true;
    thread_.join();
  }
  finishOnce();
}

void BackgroundWork::finishOnce() {
  progress_ = nullptr;
  if (std::function<void()> finish = std::move(finish_)) {
    finish_ = nullptr;
    finish();
  }
}

}  // namespace pelarin::gui
