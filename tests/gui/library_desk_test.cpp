// The Library window as the reader's desk: unread in bold and counted in the
// tree, read by a preview held a moment, the mark, saved searches in the
// tree, and muted threads and writers.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTreeWidget>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/savedsearch.h"
#include "gui/platform/qtext.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/library/librarywin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

struct Message {
  const char* number;
  const char* title;
  const char* body;
  const char* answered;
  const char* writerId;
};

Bytes pad(const char* utf8, size_t width) {
  Bytes b = sj(utf8);
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

// Board 3's log as the host prints it: a thread of three, two by writer 0002.
Bytes boardLog() {
  const Message messages[] = {{"00010", "root", "冬の京都", "", "0001"},
                              {"00011", "re root", "雪の京都", "00010", "0002"},
                              {"00012", "re re", "東京", "00011", "0001"},
                              {"00020", "other", "夏", "", "0002"}};
  Bytes log = sj("[ Ｂbs３ ]") + "\r\n";
  for (const Message& m : messages) {
    const Bytes fields = pad(m.title, 32) + " " + m.writerId + " " + pad("A", 16);
    if (!*m.answered) {
      log += sj("  ●") + m.number + "     " + fields + "\r\n";
    } else {
      log += sj("  ●") + m.number + " res " + Bytes(37, ' ') + m.answered + "\r\n";
      log += Bytes(14, ' ') + fields + "\r\n";
    }
    log += "\r\n" + sj(m.body) + "\r\n" + sj("●１●次　●２●前　●３●返信") + "\r\n";
  }
  return log;
}

// The four messages loaded, the window open on all of them.
struct Desk {
  WorkDir dir;
  ScriptedPlatform platform;
  Application app{platform};
  TLibraryform* window = nullptr;
  QTableView* results = nullptr;
  QTreeWidget* boards = nullptr;

  Desk() {
    dir.write(QStringLiteral("a.log"), boardLog());
    QSignalSpy finished(&app.main().importer(), &LibraryImporter::finished);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&app.main(), "Load1")->trigger();
    if (!finished.wait(20000)) qFatal("the import did not end");
    {
      // The main window reads the message it shows after a moment: that
      // done, every message starts unread.
      Library library(toPath(dir.path()));
      LibraryFilter all;
      all.muted = true;
      const std::vector<int64_t> ids = library.search({}, all);
      if (!QTest::qWaitFor([&] { return stateOf(library, ids.front()).read; }, 10000)) qFatal("not read");
      setFlag(library, MessageFlag::Read, ids, false);
    }
    control<QAction>(&app.main(), "LibraryWindow1")->trigger();
    window = app.main().libraryWindow();
    results = control<QTableView>(window, "Results");
    boards = control<QTreeWidget>(window, "Boards");
    control<QLineEdit>(window, "Search")->clear();
    window->searchNow();
    if (!QTest::qWaitFor([&] { return results->model()->rowCount() == 4; }, 5000)) qFatal("no results");
  }
  // Per row from the top: B unread (bold), - read.
  QString bold() const {
    QString out;
    for (int r = 0; r < results->model()->rowCount(); ++r)
      out += results->model()->index(r, 1).data(Qt::FontRole).value<QFont>().bold() ? u'B' : u'-';
    return out;
  }
  QStringList numbers() const {
    QStringList out;
    for (int r = 0; r < results->model()->rowCount(); ++r)
      out << results->model()->index(r, 1).data().toString();
    return out;
  }
  QTreeWidgetItem* entry(const QString& caption) const {
    const QList<QTreeWidgetItem*> found =
        boards->findItems(caption, Qt::MatchStartsWith | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  // "messages/unread" of the board.
  QString boardCounts() const {
    const QTreeWidgetItem* board = entry(QStringLiteral("B3"));
    return board->text(1) + u'/' + board->text(2);
  }
  void choose(int row) { results->setCurrentIndex(results->model()->index(row, 0)); }
  void run(const char* action) { control<QAction>(window, action)->trigger(); }
};

}  // namespace

class LibraryDeskTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void unreadIsBoldAndCountedAndEachReachMarksItsMessages() {
    Desk d;
    QCOMPARE(d.bold(), QStringLiteral("BBBB"));
    QTRY_COMPARE(d.boardCounts(), QStringLiteral("4/4"));
    const struct {
      const char* action;
      int row;
      const char* bold;
      const char* counts;
    } steps[] = {{"MarkReadMessage1", 0, "-BBB", "4/3"},   {"MarkUnreadMessage1", 0, "BBBB", "4/4"},
                 {"MarkReadThread1", 1, "---B", "4/1"},    {"MarkUnreadBoard1", 3, "BBBB", "4/4"},
                 {"MarkReadUpToHere1", 2, "---B", "4/1"},  {"MarkReadBoard1", 0, "----", "4/"},
                 {"MarkUnreadUpToHere1", 1, "BB--", "4/2"}};
    for (const auto& s : steps) {
      d.choose(s.row);
      d.run(s.action);
      QCOMPARE(d.bold(), QString::fromLatin1(s.bold));
      QTRY_COMPARE(d.boardCounts(), QString::fromLatin1(s.counts));
    }
    QCOMPARE(d.entry(QStringLiteral("All"))->text(2), QStringLiteral("2"));
  }

  // Held a moment the preview reads its message; stepped over, or chosen by
  // the typing, it does not.
  void aPreviewHeldAMomentIsReadOneSteppedOverIsNot() {
    Desk d;
    QTest::qWait(kReadAfterMs + 300);
    QCOMPARE(d.bold(), QStringLiteral("BBBB"));  // the first, chosen while the search field has the keys
    d.results->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(d.results, Qt::Key_Down);
    QCOMPARE(d.results->currentIndex().row(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(d.bold(), QStringLiteral("BBB-"), kReadAfterMs * 3);
    QTest::qWait(kReadAfterMs / 2);
    QCOMPARE(d.bold(), QStringLiteral("BBB-"));
    QTRY_COMPARE(d.boardCounts(), QStringLiteral("4/3"));
    // Marked unread by hand, it stays so while it is shown.
    QVERIFY(QTest::qWaitForWindowActive(d.window));
    QTest::keyClick(d.results, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.bold(), QStringLiteral("BBBB"));
    QTest::qWait(kReadAfterMs + 300);
    QCOMPARE(d.bold(), QStringLiteral("BBBB"));
  }

  void theMarkKeyTogglesTheStarShownAndFoundByIsMarked() {
    Desk d;
    QVERIFY(QTest::qWaitForWindowActive(d.window) ||
            (d.window->activateWindow(), QTest::qWaitForWindowActive(d.window)));
    d.choose(1);
    d.results->setFocus();
    QTest::keyClick(d.results, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    const QModelIndex title = d.results->model()->index(1, 4);
    QCOMPARE(title.data().toString(), QStringLiteral("\u2605 re root"));
    QVERIFY(
        control<QPlainTextEdit>(d.window, "Preview")->toPlainText().startsWith(QStringLiteral("\u2605 ")));
    QTRY_COMPARE(d.entry(QStringLiteral("\u2605 Marked"))->text(1), QStringLiteral("1"));
    d.boards->setCurrentItem(d.entry(QStringLiteral("\u2605 Marked")));
    QTRY_COMPARE(d.numbers(), QStringList{QStringLiteral("11")});
    d.choose(0);
    QTest::keyClick(d.results, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.results->model()->index(0, 4).data().toString(), QStringLiteral("re root"));
    QTRY_COMPARE(d.entry(QStringLiteral("\u2605 Marked"))->text(1), QStringLiteral("0"));
    d.window->searchNow();
    QTRY_COMPARE(d.results->model()->rowCount(), 0);
  }

  void aSavedSearchIsSavedOpenedRenamedAndDeletedInTheTree() {
    Desk d;
    auto* search = control<QLineEdit>(d.window, "Search");
    auto* rank = control<QComboBox>(d.window, "Rank");
    d.boards->setCurrentItem(d.entry(QStringLiteral("B3")));
    search->setText(QStringLiteral("京都"));
    rank->setCurrentIndex(1);
    QTRY_COMPARE(d.results->model()->rowCount(), 2);
    d.platform.texts.push_back(QStringLiteral("京都の話"));
    d.run("SaveSearch1");
    QTreeWidgetItem* saved = d.entry(QStringLiteral("京都の話"));
    QVERIFY(saved);
    QCOMPARE(d.boards->indexOfTopLevelItem(saved), 1);  // under Marked, above the hosts
    QTRY_COMPARE(saved->text(1), QStringLiteral("2"));
    QCOMPARE(saved->text(2), QStringLiteral("2"));

    // One click opens it as it was saved.
    d.boards->setCurrentItem(d.entry(QStringLiteral("All")));
    search->setText(QStringLiteral("夏"));
    rank->setCurrentIndex(0);
    QTRY_COMPARE(d.results->model()->rowCount(), 1);
    d.boards->setCurrentItem(saved);
    QCOMPARE(search->text(), QStringLiteral("京都"));
    QCOMPARE(rank->currentIndex(), 1);
    QTRY_COMPARE(d.results->model()->rowCount(), 2);

    d.platform.texts.push_back(QStringLiteral("雪"));
    d.boards->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(d.window) ||
            (d.window->activateWindow(), QTest::qWaitForWindowActive(d.window)));
    QTest::keyClick(d.boards, Qt::Key_F2);
    QCOMPARE(saved->text(0), QStringLiteral("雪"));
    QCOMPARE(savedSearch(d.window->library(), "雪").query, "京都");

    d.platform.answers = {BoxAnswer::No, BoxAnswer::Yes};
    QTest::keyClick(d.boards, Qt::Key_Delete);
    QCOMPARE(d.platform.boxes.back().kind, BoxKind::Confirmation);
    QCOMPARE(savedSearches(d.window->library()).size(), 1u);
    QTest::keyClick(d.boards, Qt::Key_Delete);
    QVERIFY(savedSearches(d.window->library()).empty());
    QVERIFY(!d.entry(QStringLiteral("雪")));
    QCOMPARE(d.platform.boxes.size(), 2u);
  }

  // Muted, a thread's or a writer's messages leave the results and the
  // counts; the toggle and the list's Unmute bring them back.
  void aMuteHidesAndTheToggleAndTheListBringBack() {
    const struct {
      const char* action;
      int row;
      QStringList left;
      const char* counts;
    } mutes[] = {{"MuteThread1", 2, {"20"}, "1/1"}, {"MuteWriter1", 3, {"10", "12"}, "2/2"}};
    for (const auto& m : mutes) {
      Desk d;
      d.choose(m.row);
      d.run(m.action);
      QTRY_COMPARE(d.numbers(), m.left);
      QTRY_COMPARE(d.boardCounts(), QString::fromLatin1(m.counts));
      QAction* show = control<QAction>(d.window, "ShowMuted1");
      show->setChecked(true);
      QTRY_COMPARE(d.results->model()->rowCount(), 4);
      QTRY_COMPARE(d.boardCounts(), QStringLiteral("4/") + QString::fromLatin1(m.counts).mid(2));
      show->setChecked(false);
      QTRY_COMPARE(d.numbers(), m.left);

      d.run("MutedList1");
      auto* list = control<QDialog>(d.window, "MutedList");
      control<QPushButton>(list, "Unmute0")->click();
      QTRY_COMPARE(d.results->model()->rowCount(), 4);
      QTRY_COMPARE(d.boardCounts(), QStringLiteral("4/4"));
      list->close();
    }
  }
};

QTEST_MAIN(LibraryDeskTest)
#include "library_desk_test.moc"
