// The main window's part in the library: every loaded log is added in the
// background, an indicator right of the menus says how far, and the Library
// menu turns it off.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"

namespace pelarin::gui {

namespace {

constexpr int kImportedShownMs = 5000;

}  // namespace

void TLogview::createLibraryMenu(QMenu* library) {
  importer_ = new LibraryImporter(this);
  connect(importer_, &LibraryImporter::progressed, this, &TLogview::showImport);
  connect(importer_, &LibraryImporter::finished, this, &TLogview::showImported);

  ImportOnLoad1 = library->addAction(QStringLiteral("Add Loaded Logs"));
  ImportOnLoad1->setObjectName(QStringLiteral("ImportOnLoad1"));
  ImportOnLoad1->setCheckable(true);
  ImportOnLoad1->setChecked(true);
  // The choice lives in the library of the work directory: read it as the menu opens.
  connect(library, &QMenu::aboutToShow, this, [this] {
    try {
      Library lib(pathFromText(state_.WorkDir));
      ImportOnLoad1->setChecked(importsOnLoad(lib));
      ImportOnLoad1->setEnabled(true);
      ImportOnLoad1->setToolTip(QString());
    } catch (const Error& e) {
      ImportOnLoad1->setEnabled(false);
      ImportOnLoad1->setToolTip(QString::fromUtf8(e.what()));
    }
  });
  connect(ImportOnLoad1, &QAction::triggered, this,
          [this](bool on) { importer_->setImportOnLoad(pathFromText(state_.WorkDir), on); });

  libraryStatus_ = new QLabel(this);
  libraryStatus_->setObjectName(QStringLiteral("LibraryStatus"));
  libraryStatus_->setContentsMargins(8, 0, 8, 0);
  libraryStatus_->hide();
  menuBar()->setCornerWidget(libraryStatus_, Qt::TopRightCorner);
}

void TLogview::queueForLibrary(const std::filesystem::path& log) {
  std::error_code ec;
  const std::filesystem::path where = std::filesystem::absolute(log, ec);
  forLibrary_.push_back(ec ? log : where);
}

void TLogview::sendToLibrary() {
  // The association is looked up on a scratch state: the reader's own keeps its upload file.
  AppState scratch;
  scratch.BbsTable = state_.BbsTable;
  for (const std::filesystem::path& log : forLibrary_)
    importer_->add(pathFromText(state_.WorkDir), log, hostForLog(scratch, log));
  forLibrary_.clear();
}

void TLogview::showImport(const QString& log, quint64 bytes, quint64 size, int queued) {
  QString text = QStringLiteral("ライブラリへ追加中 %1").arg(log);
  if (size > 0) text += QStringLiteral(" %1%").arg(std::min<quint64>(100, bytes * 100 / size));
  if (queued > 0) text += QStringLiteral(" (あと %1)").arg(queued);
  libraryStatus_->setText(text);
  libraryStatus_->setToolTip(QString());
  libraryStatus_->show();
}

void TLogview::showImported(const QString& log, qint64 added, qint64 duplicates, const QString& error) {
  if (!error.isEmpty() && added == 0) {
    libraryStatus_->setText(QStringLiteral("ライブラリ: %1 を追加できませんでした").arg(log));
    libraryStatus_->setToolTip(error);
    libraryStatus_->show();
    return;  // stays until the next import, so it can be read
  }
  libraryStatus_->setText(QStringLiteral("ライブラリ: %1 件追加, %2 件は既存").arg(added).arg(duplicates));
  libraryStatus_->setToolTip(error);
  libraryStatus_->show();
  QTimer::singleShot(kImportedShownMs, libraryStatus_, [this] {
    if (!importer_->busy() && libraryStatus_->toolTip().isEmpty()) libraryStatus_->hide();
  });
}

}  // namespace pelarin::gui
