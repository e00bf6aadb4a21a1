// The Library window's exports: each writes what the command line writes for
// the same messages, all matches and not only the rows shown, and a cancel
// leaves the old file.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "core/app/appstate.h"
#include "core/library/exporthtml.h"
#include "core/library/exportmbox.h"
#include "core/library/exportquery.h"
#include "core/library/exporttext.h"
#include "core/library/library.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/progress.h"
#include "gui/app/application.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/library/librarywin.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// All, under the marked messages and the saved searches.
QTreeWidgetItem* allItem(QTreeWidget* boards) {
  return boards->topLevelItem(boards->topLevelItemCount() - 1);
}

constexpr int kMatches = kLibraryResultLimit + 5;

Bytes pad(const Bytes& text, size_t width) {
  Bytes b = text;
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

// Board 3: a thread of three, then roots enough to pass the table's limit, all
// saying 京都; board 4: one more.
Bytes libraryLog() {
  Bytes log;
  auto message = [&log](int number, int answered, const Bytes& body) {
    const Bytes fields = pad("T" + std::to_string(number), 32) + " 0001 " + pad("A", 16);
    const Bytes n = std::to_string(100000 + number).substr(1);
    if (answered == 0)
      log += sj("  ●") + n + "     " + fields + "\r\n";
    else
      log += sj("  ●") + n + " res " + Bytes(37, ' ') + std::to_string(100000 + answered).substr(1) + "\r\n" +
             Bytes(14, ' ') + fields + "\r\n";
    log += "\r\n" + body + "\r\n" + sj("●１●次　●２●前　●３●返信") + "\r\n";
  };
  log += sj("[ Ｂbs３ ]") + "\r\n";
  message(1, 0, sj("冬の京都"));
  message(2, 1, sj("雪の京都"));
  message(3, 2, sj("京都駅"));
  for (int n = 4; n <= kMatches; ++n) message(n, 0, sj("京都 ") + std::to_string(n));
  log += sj("[ Ｂbs４ ]") + "\r\n";
  message(1, 0, sj("東京"));
  return log;
}

// The text a core export writes for the ids.
std::string expected(WorkDir& dir, const std::vector<int64_t>& ids, bool mbox) {
  Library library(toPath(dir.path()));
  const auto messages = exportMessages(library, ids, toPath(dir.path()));
  std::ostringstream out;
  mbox ? exportMbox(messages, out) : exportText(messages, out);
  return out.str();
}

std::map<std::string, Bytes> folderFiles(const std::filesystem::path& folder) {
  std::map<std::string, Bytes> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(e.path(), std::ios::binary);
    files[e.path().filename()] = Bytes(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

QTreeWidgetItem* boardItem(QTreeWidget* boards, const QString& code) {
  for (QTreeWidgetItemIterator it(boards); *it; ++it)
    if ((*it)->text(0) == code && (*it)->childCount() == 0) return *it;
  qFatal("no board item");
}

struct Fixture {
  Fixture() {
    dir.write(QStringLiteral("a.log"), libraryLog());
    Library library(toPath(dir.path()));
    LineReader in(toPath(dir.file(QStringLiteral("a.log"))));
    AppState state;
    const ImportResult r = library.importLog(in, "", state);
    if (r.added != kMatches + 1) qFatal("the log did not import: %d %s", int(r.added), r.stopped.c_str());
  }
  TLibraryform* open() {
    control<QAction>(&app.main(), "LibraryWindow1")->trigger();
    return app.main().libraryWindow();
  }
  SaveTarget to(const char* name, int filter) { return {dir.file(QString::fromLatin1(name)), filter}; }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app{platform};
};

}  // namespace

class LibraryExportTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eachExportWritesWhatTheCommandLineWrites() {
    Fixture f;
    TLibraryform* window = f.open();
    auto* exportResults = control<QAction>(window, "ExportResults1");
    auto* exportThread = control<QAction>(window, "ExportThread1");
    auto* exportBoard = control<QAction>(window, "ExportBoard1");
    QVERIFY(!exportResults->isEnabled());  // an empty query shows nothing
    QVERIFY(!exportBoard->isEnabled());

    control<QLineEdit>(window, "Search")->insert(QStringLiteral("京都"));
    window->searchNow();
    auto* results = control<QTableView>(window, "Results");
    QTRY_COMPARE(results->model()->rowCount(), kLibraryResultLimit);  // the first page, then the rest
    f.platform.saves.push_back(f.to("results.txt", 0));
    exportResults->trigger();
    const std::vector<int64_t> all = window->library().search({"京都"}, {}, 0);
    QCOMPARE(all.size(), size_t{kMatches});
    QCOMPARE(f.dir.read(QStringLiteral("results.txt")), expected(f.dir, all, false));
    QCOMPARE(f.platform.saveRequests.back().filters,
             QStringList({"Text (*.txt)", "mbox (*.mbox)", "HTML folder (index.html)"}));
    QCOMPARE(f.platform.boxes.back().kind, BoxKind::Information);
    QCOMPARE(f.platform.boxes.back().text, QStringLiteral("%1 件を書き出しました。").arg(kMatches));

    // The answer to an answer: its whole thread, root first.
    results->setCurrentIndex(results->model()->index(2, 0));
    f.platform.saves.push_back(f.to("thread.mbox", 1));
    exportThread->trigger();
    const std::vector<int64_t> thread{all[0], all[1], all[2]};
    QCOMPARE(threadIds(window->library(), all[2]), thread);
    QCOMPARE(f.dir.read(QStringLiteral("thread.mbox")), expected(f.dir, thread, true));

    // The board whatever the query; chosen by its index page, written as its folder.
    auto* boards = control<QTreeWidget>(window, "Boards");
    boards->setCurrentItem(allItem(boards)->child(0));
    QVERIFY(!exportBoard->isEnabled());  // a host is no board
    boards->setCurrentItem(boardItem(boards, QStringLiteral("B4")));
    QVERIFY(exportBoard->isEnabled());
    f.platform.saves.push_back(f.to("site/index.html", 2));
    exportBoard->trigger();
    {
      Library library(toPath(f.dir.path()));
      exportHtml(exportMessages(library, boardIds(library, "", 4), toPath(f.dir.path())),
                 toPath(f.dir.file(QStringLiteral("expected"))));
    }
    QCOMPARE(folderFiles(toPath(f.dir.file(QStringLiteral("site")))),
             folderFiles(toPath(f.dir.file(QStringLiteral("expected")))));
    QCOMPARE(f.platform.boxes.back().text, QStringLiteral("1 件を書き出しました。"));
    QCOMPARE(f.platform.boxes.size(), size_t{3});

    // A cancelled dialog writes nothing and says nothing.
    exportBoard->trigger();
    QCOMPARE(f.platform.boxes.size(), size_t{3});
  }

  void theLibrarysOwnFilesAreRefusedAsTargets() {
    Fixture f;
    TLibraryform* window = f.open();
    auto* boards = control<QTreeWidget>(window, "Boards");
    boards->setCurrentItem(boardItem(boards, QStringLiteral("B4")));
    const std::filesystem::path work = toPath(f.dir.path());
    std::filesystem::copy_file(work / "a.log", work / "copy.txt");
    const Bytes database = f.dir.read(QStringLiteral("pelarin-library.db"));
    const struct {
      const char* name;
      int filter;
      const char* kind;
    } cases[] = {{"pelarin-library.db", 0, "ライブラリのデータベース"},
                 {"pelarin-library.db-journal", 1, "ライブラリのデータベース"},
                 {"copy.txt", 0, "ライブラリに取り込んだログ"}};
    for (const auto& c : cases) {
      f.platform.saves.push_back(f.to(c.name, c.filter));
      control<QAction>(window, "ExportBoard1")->trigger();
      QCOMPARE(f.platform.boxes.back().kind, BoxKind::Error);
      QVERIFY2(f.platform.boxes.back().text.contains(QString::fromUtf8(c.kind)) &&
                   f.platform.boxes.back().text.contains(QString::fromUtf8(c.name)),
               qPrintable(f.platform.boxes.back().text));
    }
    QCOMPARE(f.dir.read(QStringLiteral("pelarin-library.db")), database);
    QVERIFY(!f.dir.exists(QStringLiteral("pelarin-library.db-journal")));
    QCOMPARE(f.dir.read(QStringLiteral("copy.txt")), f.dir.read(QStringLiteral("a.log")));
  }

  void aCancelLeavesTheOldFile() {
    Fixture f;
    TLibraryform* window = f.open();
    auto* boards = control<QTreeWidget>(window, "Boards");
    boards->setCurrentItem(boardItem(boards, QStringLiteral("B3")));
    f.dir.write(QStringLiteral("board.txt"), "old");
    // The worker waits at its tenth message until Cancel.
    std::atomic<bool> held{false};
    BackgroundWork::setStepHook([&held](const Progress& p) {
      while (!p.cancelled() && p.done.load() >= 10) {
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    QString caption;
    connect(&f.app.main().work(), &BackgroundWork::windowShown, this, [&] {
      caption = f.app.main().work().window()->windowTitle();
      control<QPushButton>(f.app.main().work().window(), "BtCancel")->click();
    });
    f.platform.saves.push_back(f.to("board.txt", 0));
    control<QAction>(window, "ExportBoard1")->trigger();
    BackgroundWork::setStepHook({});
    QVERIFY(held);
    QCOMPARE(caption, QStringLiteral("書き出し中"));
    QCOMPARE(f.dir.read(QStringLiteral("board.txt")), Bytes("old"));
    QVERIFY(f.platform.boxes.empty());  // a cancel is no error and no success
    for (const auto& e : std::filesystem::directory_iterator(toPath(f.dir.path())))
      QVERIFY2(!isUnfinishedWriteName(e.path().filename().string()), "a temporary was left behind");
  }
};

QTEST_MAIN(LibraryExportTest)
#include "library_export_test.moc"
