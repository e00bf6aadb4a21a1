// The list commands of the main window: building the board and name lists,
// making a board list the one in use, and the association table.
#include "core/lists/boardlistuse.h"
#include "core/lists/listbuilders.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/lists/setlist.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

namespace {

const QString kLogFilter = QStringLiteral("Log File|*.log|ALL Files|*.*");

}  // namespace

void TLogview::LoadBBSFile1Click() {
  runCommand(platform_, this, [this] {
    // Set before the dialog: even a cancelled choice makes the next record ask.
    state_.UploadRewrite = 1;
    std::optional<QString> file = platform_.openFile(this, toQ(state_.WorkDir), QStringLiteral("List File|*.bod"));
    if (!file) return;
    const Bytes caption = useBoardList(state_, toPath(*file));
    setMainCaption(caption);
    setApplicationTitle(caption);
  });
}

void TLogview::BoardList1Click() {
  runCommand(platform_, this, [this] {
    std::optional<QString> log = platform_.openFile(this, toQ(state_.LogFileDir), kLogFilter);
    if (!log) return;
    const auto path = toPath(*log);
    const auto list = workFile((state_.ListFileName + kBoardListExtension).c_str());
    runWork(shownFor(path, QStringLiteral("ボードリストの作成中"), QStringLiteral("項目")),
            [&](Progress& progress) { MakeBoardList(path, list, &progress); });
  });
}

void TLogview::NameList1Click() {
  runCommand(platform_, this, [this] {
    std::optional<QString> log = platform_.openFile(this, toQ(state_.LogFileDir), kLogFilter);
    if (!log) return;
    const auto path = toPath(*log);
    const auto list = workFile((state_.ListFileName + kNameListExtension).c_str());
    runWork(shownFor(path, QStringLiteral("ネームリストの作成中"), QStringLiteral("項目")),
            [&](Progress& progress) { MakeNameList(path, list, &progress); });
  });
}

void TLogview::Relevance1Click() {
  if (windows_.setLog) windows_.setLog->execute();
}

}  // namespace pelarin::gui
