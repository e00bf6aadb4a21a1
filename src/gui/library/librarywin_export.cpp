// The Library window's exports: the results, a thread or a board, in the
// command line's formats, written by the main window's background work on a
// connection of its own.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>

#include "core/app/appstate.h"
#include "core/library/exportquery.h"
#include "core/library/exporttarget.h"
#include "core/library/exportwrite.h"
#include "core/library/librarypreferences.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryresults.h"
#include "gui/library/librarywin.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/counts.h"

namespace pelarin::gui {

namespace {

// In the order of ExportFormat.
const QStringList& exportFilters() {
  static const QStringList filters{QStringLiteral("Text (*.txt)"), QStringLiteral("mbox (*.mbox)"),
                                   QStringLiteral("HTML folder (index.html)")};
  return filters;
}

}  // namespace

void TLibraryform::createExportActions() {
  ExportResults1 =
      File1->addAction(QStringLiteral("&Export Results..."), this, &TLibraryform::ExportResults1Click);
  ExportResults1->setObjectName(QStringLiteral("ExportResults1"));
  ExportThread1 =
      File1->addAction(QStringLiteral("Export &Thread..."), this, &TLibraryform::ExportThread1Click);
  ExportThread1->setObjectName(QStringLiteral("ExportThread1"));
  ExportBoard1 = File1->addAction(QStringLiteral("Export &Board..."), this, &TLibraryform::ExportBoard1Click);
  ExportBoard1->setObjectName(QStringLiteral("ExportBoard1"));

  connect(File1, &QMenu::aboutToShow, this, &TLibraryform::updateExportActions);
  connect(model_, &QAbstractItemModel::modelReset, this, &TLibraryform::updateExportActions);
  connect(Boards, &QTreeWidget::currentItemChanged, this, &TLibraryform::updateExportActions);
  connect(Results->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TLibraryform::updateExportActions);
  connect(&main_.work(), &BackgroundWork::started, this, &TLibraryform::updateExportActions);
  connect(&main_.work(), &BackgroundWork::ended, this, &TLibraryform::updateExportActions);
  updateExportActions();
}

void TLibraryform::updateExportActions() {
  // The main window's work runs one piece at a time: a load or an export waits for none.
  const bool idle = !main_.working();
  ExportResults1->setEnabled(idle && !model_->ids().empty());
  ExportThread1->setEnabled(idle && Results->currentIndex().isValid());
  ExportBoard1->setEnabled(idle && filter().boardKey.has_value());
}

void TLibraryform::ExportResults1Click() {
  // Every match, not only the rows the table holds.
  exportChosen(QStringLiteral("Export Results"),
               [t = terms(), f = filter()](Library& library) { return library.search(t, f, 0); });
}

void TLibraryform::ExportThread1Click() {
  const QModelIndex current = Results->currentIndex();
  if (!current.isValid()) return;
  exportChosen(QStringLiteral("Export Thread"),
               [id = model_->idAt(current.row())](Library& library) { return threadIds(library, id); });
}

void TLibraryform::ExportBoard1Click() {
  const LibraryFilter f = filter();
  if (!f.host || !f.boardKey) return;
  exportChosen(QStringLiteral("Export Board"), [host = *f.host, board = *f.boardKey](Library& library) {
    return boardIds(library, host, board);
  });
}

void TLibraryform::exportChosen(const QString& title,
                                const std::function<std::vector<int64_t>(Library&)>& select) {
  if (main_.working()) return;
  runCommand(platform_, this, [&] {
    const std::filesystem::path dir = pathFromText(main_.state().WorkDir);
    QString start = main_.state().TextFileDir.empty() ? pathToQ(main_.state().WorkDir)
                                                      : pathToQ(main_.state().TextFileDir);
    if (auto folder = preference(*library_, kExportFolder)) start = QString::fromStdString(*folder);
    const std::optional<SaveTarget> target = platform_.saveFile(this, title, start, exportFilters());
    if (!target) return;
    const auto format = static_cast<ExportFormat>(std::clamp(target->filter, 0, 2));
    std::filesystem::path out = toPath(target->path);
    // An HTML export is chosen by its index page, or by the folder's name.
    if (format == ExportFormat::Html && out.filename() == "index.html") out = out.parent_path();
    refuseOwnFiles(*library_, main_.state(), dir, format, out);
    setPreference(*library_, kExportFolder,
                  QFile::decodeName(QByteArray::fromStdString(out.parent_path().string())).toStdString());

    int64_t written = 0;
    main_.runWork({QStringLiteral("書き出し中"), QString(), 0, QStringLiteral("メッセージ")},
                  [&](Progress& progress) {
                    Library library(dir);  // SQLite connections stay on their thread
                    const std::vector<ExportMessage> messages =
                        exportMessages(library, select(library), dir, &progress);
                    writeExport(format, messages, out, &progress);
                    written = static_cast<int64_t>(messages.size());
                  });
    platform_.messageBox(this, BoxKind::Information,
                         QStringLiteral("%1 件を書き出しました。").arg(grouped(written)));
  });
}

}  // namespace pelarin::gui
