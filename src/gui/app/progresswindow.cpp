#include "gui/app/progresswindow.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/text/progress.h"
#include "gui/shared/counts.h"

namespace pelarin::gui {

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProgressWindow"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto label = [this, layout](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    l->setMinimumWidth(260);
    layout->addWidget(l);
    return l;
  };
  FileLabel = label("FileLabel");
  BytesLabel = label("BytesLabel");
  CountLabel = label("CountLabel");
  BtCancel = new QPushButton(QStringLiteral("Cancel"), this);
  BtCancel->setObjectName(QStringLiteral("BtCancel"));
  BtCancel->setAutoDefault(false);
  layout->addWidget(BtCancel, 0, Qt::AlignHCenter);
  connect(BtCancel, &QPushButton::clicked, this, &ProgressWindow::cancelClicked);
}

void ProgressWindow::start(const WorkShown& shown) {
  shown_ = shown;
  setWindowTitle(shown.caption);
  FileLabel->setText(shown.fileName);
  FileLabel->setVisible(!shown.fileName.isEmpty());
  BytesLabel->setVisible(!shown.fileName.isEmpty());
  BytesLabel->setText(QStringLiteral("0 / %1 バイト").arg(grouped(shown.size)));
  CountLabel->clear();
  BtCancel->setEnabled(true);
  show();
  raise();
}

void ProgressWindow::update(const Progress& progress) {
  const auto phase = static_cast<Progress::Phase>(progress.phase.load());
  const int64_t done = progress.done.load();
  const int64_t total = progress.total.load();
  BytesLabel->setText(
      QStringLiteral("%1 / %2 バイト").arg(grouped(progress.bytes.load())).arg(grouped(shown_.size)));
  switch (phase) {
    case Progress::Phase::Reading:
      CountLabel->setText(
          QStringLiteral("%1 %2 件").arg(shown_.counted, grouped(static_cast<uint64_t>(done))));
      break;
    case Progress::Phase::Sorting:
      setWindowTitle(QStringLiteral("並べ替え中"));
      CountLabel->setText(QStringLiteral("並べ替え %1 / %2 件")
                              .arg(grouped(static_cast<uint64_t>(done)))
                              .arg(grouped(static_cast<uint64_t>(total))));
      break;
    case Progress::Phase::Listing:
      CountLabel->setText(QStringLiteral("%1 %2 / %3 件")
                              .arg(shown_.counted, grouped(static_cast<uint64_t>(done)))
                              .arg(grouped(static_cast<uint64_t>(total))));
      break;
    case Progress::Phase::Writing:
      CountLabel->setText(QStringLiteral("書き出し %1 / %2 件")
                              .arg(grouped(static_cast<uint64_t>(done)))
                              .arg(grouped(static_cast<uint64_t>(total))));
      break;
  }
  // A cancelled split still sorts what it kept; that sort can be cancelled again.
  if (!BtCancel->isEnabled() && !progress.cancelled()) BtCancel->setEnabled(true);
}

void ProgressWindow::cancelClicked() {
  BtCancel->setEnabled(false);
  Q_EMIT cancelRequested();
}

void ProgressWindow::reject() {
  if (BtCancel->isEnabled()) cancelClicked();
}

}  // namespace pelarin::gui
