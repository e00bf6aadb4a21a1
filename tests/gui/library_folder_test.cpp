// Add Folder and drops on the Library window: a tree of logs into the library
// with progress, Cancel and a summary, the board tree and search brought up to date.
#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <atomic>
#include <thread>

#include "core/library/library.h"
#include "core/text/progress.h"
#include "gui/app/application.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/library/librarywin.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// All, under the marked messages and the saved searches.
QTreeWidgetItem* allItem(QTreeWidget* boards) {
  return boards->topLevelItem(boards->topLevelItemCount() - 1);
}

const QString kStopped = QStringLiteral(
    "\n\n読み込めなかったログ 1 件:\nlogs/2024/9.log: '00~31' は整数ではありません 9.log の 8 "
    "行目で読み込みを止めました。");

// In name order: 2024/10.log (3 messages), 2024/9.log (2, then a line it stops at), b.log (2).
void writeTree(const WorkDir& dir) {
  QDir(dir.path()).mkpath(QStringLiteral("logs/2024"));
  dir.write(QStringLiteral("logs/2024/10.log"), boardLog(3, 10, 3));
  dir.write(QStringLiteral("logs/2024/9.log"), boardLog(3, 20, 2) + "#Fc.00~31\r\nx\r\n");
  dir.write(QStringLiteral("logs/b.log"), boardLog(3, 1, 2));
  dir.write(QStringLiteral("logs/bbs.ini"), "\r\n");
}

TLibraryform* openWindow(TLogview& main) {
  control<QAction>(&main, "LibraryWindow1")->trigger();
  TLibraryform* window = main.libraryWindow();
  if (!window || !window->isVisible()) qFatal("no Library window");
  return window;
}

QString allCount(TLibraryform* window) { return allItem(control<QTreeWidget>(window, "Boards"))->text(1); }

LibraryStats statsOf(const WorkDir& dir) {
  Library library(toPath(dir.path()));
  return library.stats();
}

// Holds the worker at each step from the fourth message on, until Cancel.
struct HeldAtFourthMessage {
  HeldAtFourthMessage() {
    BackgroundWork::setStepHook([](const Progress& p) {
      while (!p.cancelled() && p.done.load() >= 4) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  ~HeldAtFourthMessage() { BackgroundWork::setStepHook({}); }
};

}  // namespace

class LibraryFolderTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void addFolderTakesTheTreeAndTheSecondTimeFindsItSeen() {
    WorkDir dir;
    writeTree(dir);
    ScriptedPlatform platform;
    Application app(platform);
    TLibraryform* window = openWindow(app.main());
    const QList<QAction*> items = control<QMenu>(window, "LibraryFile1")->actions();
    QCOMPARE(items.front()->objectName(), QStringLiteral("AddFolder1"));
    QVERIFY(items[1]->isSeparator());
    control<QLineEdit>(window, "Search")->insert(QStringLiteral("body"));
    QTRY_COMPARE(control<QLabel>(window, "Found")->text(), QStringLiteral("0 件"));

    platform.folders.push_back(dir.file(QStringLiteral("logs")));
    control<QAction>(window, "AddFolder1")->trigger();
    QCOMPARE(platform.folderRequests.size(), size_t{1});
    QCOMPARE(platform.folderRequests[0].title, QStringLiteral("Add Folder"));
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("ログ 3 件、追加 7 件、重複 0 件") + kStopped);
    QCOMPARE(allCount(window), QStringLiteral("7"));
    QTRY_COMPARE(control<QLabel>(window, "Found")->text(), QStringLiteral("7 件"));

    // The stopped log is read again; the others are known by their bytes.
    platform.folders.push_back(dir.file(QStringLiteral("logs")));
    control<QAction>(window, "AddFolder1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{2});
    QCOMPARE(platform.boxes[1].text,
             QStringLiteral("ログ 1 件、追加 0 件、重複 7 件\n取り込み済みのログ 2 件") + kStopped);
    QCOMPARE(statsOf(dir).messages, int64_t{7});

    // A cancelled dialog does nothing.
    control<QAction>(window, "AddFolder1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{2});
    QVERIFY(app.main().close());
  }

  void cancelKeepsOnlyWholeLogsAndASecondAddFolderWaits() {
    WorkDir dir;
    writeTree(dir);
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    TLibraryform* window = openWindow(main);
    HeldAtFourthMessage held;
    bool secondRefused = false, mainFree = false;
    QString caption;
    connect(&window->folderWork(), &BackgroundWork::windowShown, this, [&] {
      caption = window->folderWork().window()->windowTitle();
      secondRefused = !control<QAction>(window, "AddFolder1")->isEnabled();
      window->AddLogs({dir.file(QStringLiteral("logs"))});
      mainFree = control<QAction>(&main, "Load1")->isEnabled();
      control<QPushButton>(window->folderWork().window(), "BtCancel")->click();
    });
    platform.folders.push_back(dir.file(QStringLiteral("logs")));
    control<QAction>(window, "AddFolder1")->trigger();

    QCOMPARE(caption, QStringLiteral("ライブラリに追加中"));
    QVERIFY(secondRefused);
    QVERIFY(mainFree);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].text, QStringLiteral("中止しました。\nログ 1 件、追加 3 件、重複 0 件"));
    const LibraryStats stats = statsOf(dir);
    QCOMPARE(stats.messages, int64_t{3});
    QCOMPARE(stats.logs, int64_t{1});
    QVERIFY(control<QAction>(window, "AddFolder1")->isEnabled());
    QVERIFY(main.close());
  }

  void aDropOfAFolderAndAFileAddsBoth() {
    WorkDir dir;
    writeTree(dir);
    dir.write(QStringLiteral("other.log"), boardLog(4, 1, 1));
    ScriptedPlatform platform;
    Application app(platform);
    TLibraryform* window = openWindow(app.main());
    QVERIFY(!control<QLineEdit>(window, "Search")->acceptDrops());

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.com/a.log"))});
    QDragEnterEvent refused(QPoint(10, 100), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(dir.file(QStringLiteral("logs"))),
                   QUrl::fromLocalFile(dir.file(QStringLiteral("other.log")))});
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(10, 100), actions, &files, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(10, 100), actions, &files, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QTRY_COMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].text, QStringLiteral("ログ 4 件、追加 8 件、重複 0 件") + kStopped);
    QCOMPARE(allCount(window), QStringLiteral("8"));
    QVERIFY(app.main().close());
  }
};

QTEST_MAIN(LibraryFolderTest)
#include "library_folder_test.moc"
