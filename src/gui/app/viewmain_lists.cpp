// The list commands of the main window: building the board and name lists,
// making a board list the one in use, and the association table.
#include <QDir>
#include <QFile>

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
#include "gui/shared/counts.h"

namespace pelarin::gui {

namespace {

const QString kLogFilter = QStringLiteral("Log File|*.log|ALL Files|*.*");

// "8 boards" and the list file written, so the user sees what the log held and where it went.
QString builtText(size_t count, const char* entry, const std::filesystem::path& list) {
  return grouped(count) + QLatin1Char(' ') + QLatin1String(entry) +
         (count == 1 ? QString() : QStringLiteral("s")) + QLatin1Char('\n') +
         QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(list.string())));
}

}  // namespace

void TLogview::LoadBBSFile1Click() {
  runCommand(platform_, this, [this] {
    // Set before the dialog: even a cancelled choice makes the next record ask.
    state_.UploadRewrite = 1;
    std::optional<QString> file = platform_.openFile(this, QStringLiteral("Load BBS File"),
                                                     toQ(state_.WorkDir), QStringLiteral("List File|*.bod"));
    if (!file) return;
    const Bytes caption = useBoardList(state_, toPath(*file));
    setMainCaption(caption);
    setApplicationTitle(caption);
  });
}

void TLogview::BoardList1Click() {
  runCommand(platform_, this, [this] {
    std::optional<QString> log =
        platform_.openFile(this, QStringLiteral("Make Board List"), toQ(state_.LogFileDir), kLogFilter);
    if (!log) return;
    const auto path = toPath(*log);
    const std::filesystem::path list = workFile((state_.ListFileName + kBoardListExtension).c_str());
    size_t boards = 0;
    runWork(shownFor(path, QStringLiteral("ボードリストの作成中"), QStringLiteral("項目")),
            [&](Progress& progress) { boards = MakeBoardList(path, list, &progress); });
    platform_.messageBox(this, BoxKind::Information, builtText(boards, "board", list));
  });
}

void TLogview::NameList1Click() {
  runCommand(platform_, this, [this] {
    std::optional<QString> log =
        platform_.openFile(this, QStringLiteral("Make Name List"), toQ(state_.LogFileDir), kLogFilter);
    if (!log) return;
    const auto path = toPath(*log);
    const std::filesystem::path list = workFile((state_.ListFileName + kNameListExtension).c_str());
    size_t members = 0;
    runWork(shownFor(path, QStringLiteral("ネームリストの作成中"), QStringLiteral("項目")),
            [&](Progress& progress) { members = MakeNameList(path, list, &progress); });
    platform_.messageBox(this, BoxKind::Information, builtText(members, "member", list));
  });
}

void TLogview::Relevance1Click() {
  if (windows_.setLog) windows_.setLog->execute();
}

}  // namespace pelarin::gui
