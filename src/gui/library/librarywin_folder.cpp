// Add Folder and drops on the Library window: every log under what the user
// names goes into the library on a worker with its own connection, and a
// summary says what became of them.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <algorithm>

#include "core/library/folderimport.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/library/librarywin.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/counts.h"
#include "gui/shared/filedrop.h"

namespace pelarin::gui {

namespace {

constexpr int kShownErrors = 10;

QString shownPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QString summaryText(const FolderImportSummary& s) {
  QStringList lines;
  if (s.cancelled) lines << QStringLiteral("中止しました。");
  lines << QStringLiteral("ログ %1 件、追加 %2 件、重複 %3 件")
               .arg(grouped(s.logs), grouped(s.added), grouped(s.duplicates));
  if (s.seenBefore > 0) lines << QStringLiteral("取り込み済みのログ %1 件").arg(grouped(s.seenBefore));
  if (!s.errors.empty()) {
    lines << QString() << QStringLiteral("読み込めなかったログ %1 件:").arg(grouped(s.errors.size()));
    const int shown = std::min<int>(kShownErrors, static_cast<int>(s.errors.size()));
    for (int i = 0; i < shown; ++i) {
      const FolderImportError& e = s.errors[static_cast<size_t>(i)];
      lines << shownPath(e.file) + QStringLiteral(": ") +
                   QString::fromUtf8(e.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    if (static_cast<int>(s.errors.size()) > shown)
      lines << QStringLiteral("ほか %1 件").arg(grouped(s.errors.size() - static_cast<size_t>(shown)));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void TLibraryform::createFolderImport() {
  folderWork_ = new BackgroundWork(this);
  AddFolder1 = File1->addAction(QStringLiteral("Add &Folder..."), this, &TLibraryform::AddFolder1Click);
  AddFolder1->setObjectName(QStringLiteral("AddFolder1"));
  // One at a time, and not inside the main window's work, whose end would wait for this one.
  const auto enable = [this] { AddFolder1->setEnabled(!folderWork_->running() && !main_.working()); };
  for (BackgroundWork* work : {folderWork_, &main_.work()}) {
    connect(work, &BackgroundWork::started, this, enable);
    connect(work, &BackgroundWork::ended, this, enable);
  }
  enable();
  // The window takes dropped files whole; its fields would take their names as text.
  setAcceptDrops(true);
  for (QWidget* field : findChildren<QWidget*>()) field->setAcceptDrops(false);
}

void TLibraryform::AddFolder1Click() {
  if (!AddFolder1->isEnabled()) return;
  runCommand(platform_, this, [this] {
    const std::optional<QString> folder =
        platform_.chooseFolder(this, QStringLiteral("Add Folder"), pathToQ(main_.state().LogFileDir));
    if (folder) AddLogs({*folder});
  });
}

void TLibraryform::AddLogs(const QStringList& paths) {
  if (paths.isEmpty() || folderWork_->running() || main_.working()) return;
  runCommand(platform_, this, [this, &paths] {
    std::vector<std::filesystem::path> named;
    for (const QString& path : paths) named.push_back(toPath(path));
    const std::filesystem::path dir = pathFromText(main_.state().WorkDir);
    const BbsTableType table = main_.state().BbsTable;
    const QString caption = QStringLiteral("ライブラリに追加中");
    QString name = QStringLiteral("%1 項目").arg(grouped(paths.size()));
    if (paths.size() == 1 && !named.front().filename().empty())
      name = shownPath(named.front().filename().string());

    FolderLogs found;
    bool cancelled = false;
    folderWork_->run({caption, {}, 0, {}}, [&](Progress& p) {
      found = findLogs(named);
      cancelled = p.cancelled();
    });
    if (main_.ended()) throw CommandAbandoned{};
    FolderImportSummary summary;
    if (!cancelled) {
      folderWork_->run({caption, name, found.bytes, QStringLiteral("メッセージ")}, [&](Progress& p) {
        Library library(dir);
        summary = importLogs(library, found, table, &p);
      });
      if (main_.ended()) throw CommandAbandoned{};
    } else {
      summary.cancelled = true;
      summary.errors = found.errors;
    }
    fillBoards();
    searchNow();
    platform_.messageBox(this, BoxKind::Information, summaryText(summary));
  });
}

bool TLibraryform::acceptsDrop(QDropEvent* event) const {
  return !folderWork_->running() && !main_.working() && offersFilesToCopy(event);
}

void TLibraryform::dragEnterEvent(QDragEnterEvent* event) { answerDrag(event, acceptsDrop(event)); }

void TLibraryform::dragMoveEvent(QDragMoveEvent* event) { answerDrag(event, acceptsDrop(event)); }

void TLibraryform::dropEvent(QDropEvent* event) {
  takeDrop(event, acceptsDrop(event), this, [this](const QStringList& files) { AddLogs(files); });
}

}  // namespace pelarin::gui
