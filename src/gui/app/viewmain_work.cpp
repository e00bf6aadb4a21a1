// Store work in the main window: it runs on a worker thread, the commands that
// read or change the store wait for it disabled, and the end of the program stops it.
#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QPushButton>
#include <system_error>

#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/platform/command.h"

namespace pelarin::gui {

bool TLogview::working() const { return work_ && work_->running(); }

void TLogview::runWork(const WorkShown& shown, const std::function<void(Progress&)>& work,
                       const std::function<void()>& finish) {
  try {
    work_->run(shown, work, finish);
  } catch (...) {
    if (ended_) throw CommandAbandoned{};
    throw;
  }
  if (ended_) throw CommandAbandoned{};
}

WorkShown TLogview::shownFor(const std::filesystem::path& log, const QString& caption,
                             const QString& counted) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(log, ec);
  return {caption, QFile::decodeName(QByteArray::fromStdString(log.filename().string())),
          ec ? 0 : static_cast<uint64_t>(size), counted};
}

void TLogview::setWorking(bool on) {
  storeCommands_->setEnabled(!on);
  if (on) {
    buttonsBeforeWork_.clear();
    for (QPushButton* b : {BtPrevious, BtNext, BtResponce, BtNewmes, BtMail, BtList}) {
      buttonsBeforeWork_.emplace_back(b, b->isEnabled());
      b->setEnabled(false);
    }
  } else {
    for (auto [b, enabled] : buttonsBeforeWork_) b->setEnabled(enabled);
    buttonsBeforeWork_.clear();
  }
}

}  // namespace pelarin::gui
