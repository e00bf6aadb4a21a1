// The Library window: results as the user types, the preview and thread of
// the chosen message, and the way back into the reader as a load would leave it.
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>

#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/librarystore.h"
#include "core/reading/messageview.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/library/librarywin.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/shared/counts.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// All, under the marked messages and the saved searches.
QTreeWidgetItem* allItem(QTreeWidget* boards) {
  return boards->topLevelItem(boards->topLevelItemCount() - 1);
}

struct Message {
  const char* number;
  const char* title;
  const char* body;
  const char* answered = "";
  const char* writer = "A";
  const char* posted = "";  // the posting time after the writer's name
};

Bytes pad(const char* utf8, size_t width) {
  Bytes b = sj(utf8);
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

// A board's log as the host prints it: replies carry the number they answer.
Bytes boardLog(const char* board, const std::vector<Message>& messages) {
  Bytes log = sj("[ Ｂbs") + sj(board) + sj(" ]") + "\r\n";
  for (const Message& m : messages) {
    const Bytes fields = pad(m.title, 32) + " 0001 " + pad(m.writer, 16) + (*m.posted ? " " + sj(m.posted) : Bytes());
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

const std::vector<Message> kThread = {{"00010", "root", "冬の京都"},
                                      {"00011", "re root", "雪の京都", "00010"},
                                      {"00012", "re re", "東京", "00011"},
                                      {"00020", "other", "夏"}};

// Loads the log, waits for the library to take it, and keeps the store it made.
std::vector<Bytes> loadAndKeepStore(TLogview& main, ScriptedPlatform& platform, WorkDir& dir,
                                    const QString& log = QStringLiteral("a.log")) {
  QSignalSpy finished(&main.importer(), &LibraryImporter::finished);
  platform.files.push_back(dir.file(log));
  control<QAction>(&main, "Load1")->trigger();
  if (!finished.wait(20000)) qFatal("the import did not end");
  std::vector<Bytes> store;
  for (int n = 1; n <= main.state().MesCount; ++n) store.push_back(dir.read(QStringLiteral("mes%1.tmp").arg(n)));
  return store;
}

TLibraryform* openWindow(TLogview& main) {
  control<QAction>(&main, "LibraryWindow1")->trigger();
  TLibraryform* window = main.libraryWindow();
  if (!window || !window->isVisible()) qFatal("no Library window");
  return window;
}

// The preview's text with each character the highlighting marks in brackets ("[京][都]").
QString marked(QPlainTextEdit* preview) {
  QString out;
  for (QTextBlock b = preview->document()->begin(); b.isValid(); b = b.next()) {
    QList<bool> on(b.length(), false);
    for (const QTextLayout::FormatRange& r : b.layout()->formats())
      if (r.format.background().style() != Qt::NoBrush)
        for (int i = r.start; i < r.start + r.length; ++i) on[i] = true;
    const QString text = b.text();
    for (int i = 0; i < text.size(); ++i) out += on[i] ? u'[' + QString(text[i]) + u']' : QString(text[i]);
    out += u'\n';
  }
  return out;
}

// The text with every place of the term in brackets as marked() shows it.
QString withTerm(QString text, const QString& term) {
  QString each;
  for (QChar c : term) each += u'[' + QString(c) + u']';
  return text.replace(term, each, Qt::CaseInsensitive);
}

void type(TLibraryform* window, const QString& text) {
  auto* search = control<QLineEdit>(window, "Search");
  search->clear();
  // As an input method commits it: keyClicks knows Latin-1 only.
  search->insert(text);
}

// The results' No. column from the top.
QStringList numbers(QTableView* results) {
  QStringList out;
  for (int r = 0; r < results->model()->rowCount(); ++r)
    out << results->model()->index(r, 1).data().toString();
  return out;
}

void clickHeader(QTableView* results, int column) {
  QHeaderView* header = results->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class LibraryWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Marked as the search found it: a katakana term in hiragana, a phrase
  // over the capture's line end, and not what the query excludes.
  void thePreviewMarksWhatTheFoldedSearchFound() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", {{"00001", "kana", "ひらがなの東京\r\n都庁へ"}}));
    ScriptedPlatform platform;
    Application app(platform);
    loadAndKeepStore(app.main(), platform, dir);
    TLibraryform* window = openWindow(app.main());
    auto* results = control<QTableView>(window, "Results");
    type(window, QStringLiteral("ヒラガナ 東京都庁 -ｶﾅ"));
    QTRY_COMPARE(results->model()->rowCount(), 1);
    results->setCurrentIndex(results->model()->index(0, 0));
    QTRY_VERIFY2(marked(control<QPlainTextEdit>(window, "Preview"))
                     .endsWith(QStringLiteral("[ひ][ら][が][な]の[東][京]\n[都][庁]へ\n\n")),
                 qPrintable(marked(control<QPlainTextEdit>(window, "Preview"))));
  }

  void typingFillsTheResultsAndTheChoiceShowsPreviewAndThread() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    Application app(platform);
    const std::vector<Bytes> loaded = loadAndKeepStore(app.main(), platform, dir);
    TLibraryform* window = openWindow(app.main());
    auto* results = control<QTableView>(window, "Results");

    type(window, QStringLiteral("京都"));
    // Results come after the typing pause, not at each key, and from behind
    // the window: the search asked now has not answered when the call returns.
    window->searchNow();
    QCOMPARE(results->model()->rowCount(), 0);
    QTRY_COMPARE(results->model()->rowCount(), 2);
    QCOMPARE(results->model()->index(0, 1).data().toString(), QStringLiteral("10"));
    QCOMPARE(results->model()->index(1, 4).data().toString(), QStringLiteral("re root"));
    QCOMPARE(results->model()->index(1, 0).data().toString(), QStringLiteral("B3"));
    QCOMPARE(results->model()->index(1, 5).data().toString(), QStringLiteral("10"));
    QCOMPARE(control<QLabel>(window, "Found")->text(), QStringLiteral("2 件"));

    results->setCurrentIndex(results->model()->index(1, 0));
    auto* preview = control<QPlainTextEdit>(window, "Preview");
    QVERIFY(preview->toPlainText().contains(QStringLiteral("雪の京都")));
    QCOMPARE(marked(preview).count(QStringLiteral("[京][都]")), 1);
    QVERIFY(marked(preview).contains(QStringLiteral("雪の[京][都]")));
    auto* thread = control<QTreeWidget>(window, "Thread");
    QCOMPARE(thread->topLevelItemCount(), 1);
    QTreeWidgetItem* root = thread->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("10"));
    QCOMPARE(root->child(0)->text(1), QStringLiteral("re root"));
    QCOMPARE(root->child(0)->child(0)->text(1), QStringLiteral("re re"));
    QCOMPARE(thread->currentItem(), root->child(0));

    type(window, QStringLiteral("京都\u3000雪"));  // the ideographic space parts terms too
    QTRY_COMPARE(results->model()->rowCount(), 1);
    type(window, QStringLiteral("見つからない"));
    QTRY_COMPARE(results->model()->rowCount(), 0);
    QVERIFY(preview->toPlainText().isEmpty());
    QCOMPARE(thread->topLevelItemCount(), 0);
    // Nothing found is nothing to open: the reader's store stays.
    QVERIFY(!window->OpenInReader());
    QCOMPARE(app.main().state().MesCount, 4);
    QCOMPARE(dir.read(QStringLiteral("mes1.tmp")), loaded[0]);
    // A term too long to look for is said where the count goes, without a box.
    const size_t boxes = platform.boxes.size();
    type(window, QString(257, QChar(0x3042)));
    QTRY_VERIFY(control<QLabel>(window, "Found")->text().contains(QStringLiteral("256 文字まで")));
    QCOMPARE(results->model()->rowCount(), 0);
    QCOMPARE(platform.boxes.size(), boxes);

    // The board in the tree lists its messages without a query.
    auto* boards = control<QTreeWidget>(window, "Boards");
    QTreeWidgetItem* all = allItem(boards);
    QCOMPARE(all->text(1), QStringLiteral("4"));
    QTreeWidgetItem* board = all->child(0)->child(0);
    QCOMPARE(board->text(1), QStringLiteral("4"));
    type(window, QString());
    boards->setCurrentItem(board);
    QTRY_COMPARE(results->model()->rowCount(), 4);
    // So does All: the whole archive, in the library's order.
    boards->setCurrentItem(all);
    type(window, QStringLiteral("見つからない"));
    QTRY_COMPARE(results->model()->rowCount(), 0);
    type(window, QString());
    QTRY_COMPARE(results->model()->rowCount(), 4);
    QCOMPARE(control<QLabel>(window, "Found")->text(), QStringLiteral("4 件"));
  }

  // A line as long as a captured log's holds the preview as it holds the
  // reader: cut with a mark; the whole message is one command away.
  void aLongLineIsCutWithAMarkAndEveryPlaceOfTheTermIsMarked() {
    QString line;
    for (int i = 0; i < 1500; ++i) line += i % 7 ? QStringLiteral("雨。") : QStringLiteral("京都");
    const QString body = line + QStringLiteral("\nまた京都\n");
    const std::string utf8 = line.toStdString() + "\r\nまた京都";
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", {{"00010", "long", utf8.c_str()}}));
    ScriptedPlatform platform;
    Application app(platform);
    loadAndKeepStore(app.main(), platform, dir);
    TLibraryform* window = openWindow(app.main());
    type(window, QStringLiteral("京都"));
    auto* results = control<QTableView>(window, "Results");
    QTRY_COMPARE(results->model()->rowCount(), 1);
    auto* preview = control<QPlainTextEdit>(window, "Preview");
    // The window opened on the whole archive; the search's own preview marks the term.
    QTRY_VERIFY(marked(preview).contains(QStringLiteral("[京][都]")));
    const QString head = preview->toPlainText().section(u'\n', 0, 1) + u'\n';
    const int omitted = 2 * static_cast<int>(line.size() - kViewerLineCap / 2);  // two bytes a character
    const QString shown =
        line.left(kViewerLineCap / 2) + QStringLiteral("…（以下 %1 バイト省略）\nまた京都\n").arg(omitted);
    QCOMPARE(preview->toPlainText(), head + shown);
    QCOMPARE(marked(preview), withTerm(head + shown, QStringLiteral("京都")) + u'\n');
    auto* whole = window->findChild<QAction*>(QStringLiteral("PreviewWhole1"));
    QVERIFY(whole && whole->isEnabled());
    whole->trigger();
    QCOMPARE(preview->toPlainText(), head + body);
    // The long line wraps at the pane's width instead of running off to the right.
    const QTextBlock longLine = preview->document()->findBlockByNumber(2);
    preview->document()->documentLayout()->blockBoundingRect(longLine);
    QVERIFY(longLine.layout()->lineCount() > 10);
    QCOMPARE(marked(preview), withTerm(head + body, QStringLiteral("京都")) + u'\n');
    QVERIFY(!whole->isEnabled());
  }

  void openInReaderWritesTheLoadsStoreAndShowsMessageOne() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    const std::vector<Bytes> loaded = loadAndKeepStore(main, platform, dir);
    QCOMPARE(loaded.size(), size_t{4});
    // Another store in between, so the open has something to replace.
    dir.write(QStringLiteral("b.log"), boardLog("４", {{"00001", "b", "x"}}));
    loadAndKeepStore(main, platform, dir, QStringLiteral("b.log"));
    TLibraryform* window = openWindow(main);
    auto* boards = control<QTreeWidget>(window, "Boards");
    boards->setCurrentItem(allItem(boards)->child(0)->child(0));
    QCOMPARE(boards->currentItem()->text(0), QStringLiteral("B3"));
    auto* results = control<QTableView>(window, "Results");
    QTRY_COMPARE(results->model()->rowCount(), 4);
    results->clearSelection();
    QVERIFY(window->OpenInReader());
    QCOMPARE(main.state().MesCount, 4);
    QCOMPARE(main.state().CurrentMes, 1);
    for (int n = 1; n <= 4; ++n) QCOMPARE(dir.read(QStringLiteral("mes%1.tmp").arg(n)), loaded[n - 1]);
    QVERIFY(!dir.exists(QStringLiteral("mes5.tmp")));
    QCOMPARE(control<QLineEdit>(&main, "Mesnumber")->text(), QStringLiteral("10"));
    QVERIFY(main.windowTitle().startsWith(QStringLiteral("ライブラリ: ")));

    // Enter on the chosen rows opens only those; from the thread, the whole thread.
    type(window, QStringLiteral("京都"));
    QTRY_COMPARE(results->model()->rowCount(), 2);
    results->setFocus();
    results->selectRow(1);
    QTest::keyClick(results, Qt::Key_Return);
    QCOMPARE(main.state().MesCount, 1);
    QCOMPARE(dir.read(QStringLiteral("mes1.tmp")), loaded[1]);
    QVERIFY(!dir.exists(QStringLiteral("mes2.tmp")));
    auto* thread = control<QTreeWidget>(window, "Thread");
    thread->setFocus();
    QVERIFY(window->OpenInReader());
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(dir.read(QStringLiteral("mes3.tmp")), loaded[2]);
    QVERIFY(main.windowTitle().contains(QStringLiteral("スレッド")));
  }

  // The message chosen in the thread is the one previewed and the one the
  // reader opens at; counts are grouped by threes as the progress window's.
  void theThreadDrivesThePreviewAndTheOpening() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    loadAndKeepStore(main, platform, dir);
    TLibraryform* window = openWindow(main);
    auto* results = control<QTableView>(window, "Results");
    type(window, QStringLiteral("京都"));
    QTRY_COMPARE(results->model()->rowCount(), 2);
    results->setCurrentIndex(results->model()->index(0, 0));
    auto* preview = control<QPlainTextEdit>(window, "Preview");
    QVERIFY(preview->toPlainText().contains(QStringLiteral("冬の京都")));
    auto* thread = control<QTreeWidget>(window, "Thread");
    thread->setFocus();
    thread->setCurrentItem(thread->topLevelItem(0)->child(0)->child(0));
    QVERIFY(preview->toPlainText().contains(QStringLiteral("東京")));
    QVERIFY(!preview->toPlainText().contains(QStringLiteral("冬の京都")));
    QVERIFY(window->OpenInReader());
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().CurrentMes, 3);
    QCOMPARE(control<QLineEdit>(&main, "Mesnumber")->text(), QStringLiteral("12"));

    for (auto [n, text] : {std::pair<uint64_t, const char*>{0, "0"},
                           {999, "999"},
                           {1000, "1,000"},
                           {120000, "120,000"},
                           {1234567, "1,234,567"}})
      QCOMPARE(grouped(n), QString::fromLatin1(text));
  }

  void openIsRefusedWhileAComposerIsOpen() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    const std::vector<Bytes> loaded = loadAndKeepStore(main, platform, dir);
    TLibraryform* window = openWindow(main);
    type(window, QStringLiteral("東京"));
    QTRY_COMPARE(control<QTableView>(window, "Results")->model()->rowCount(), 1);
    control<QAction>(&main, "NewMessage1")->trigger();
    QVERIFY(!window->OpenInReader());
    QCOMPARE(main.state().MesCount, 4);
    QCOMPARE(dir.read(QStringLiteral("mes1.tmp")), loaded[0]);
  }

  void repliesAreFollowedInTheStoreFirstThenFromTheLibraryAndBack() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    const std::vector<Bytes> loaded = loadAndKeepStore(main, platform, dir);
    auto* answered = control<QAction>(&main, "AnsweredMessage1");
    auto* responses = control<QAction>(&main, "Responses1");
    auto* back = control<QAction>(&main, "Back1");
    auto* library = control<QMenu>(&main, "Library1");
    auto* number = control<QLineEdit>(&main, "Mesnumber");

    // Message 10 answers nothing; 20 has no answers either.
    Q_EMIT library->aboutToShow();
    QVERIFY(!answered->isEnabled());
    QVERIFY(responses->isEnabled());
    QVERIFY(!back->isEnabled());
    Q_EMIT library->aboutToHide();

    control<QAction>(&main, "Next1")->trigger();
    QCOMPARE(number->text(), QStringLiteral("11"));
    answered->trigger();
    QCOMPARE(main.state().CurrentMes, 1);
    responses->trigger();
    auto* pick = main.findChild<QMenu*>(QStringLiteral("ResponsesPick"));
    QVERIFY(pick);
    QCOMPARE(pick->actions().size(), 1);
    QVERIFY(pick->actions()[0]->text().startsWith(QStringLiteral("No.11 ")));
    pick->actions()[0]->trigger();
    pick->close();
    QCOMPARE(main.state().CurrentMes, 2);
    back->trigger();
    QCOMPARE(main.state().CurrentMes, 1);
    back->trigger();
    QCOMPARE(main.state().CurrentMes, 2);
    QCOMPARE(main.state().MesCount, 4);  // nothing was added: the store had them all

    // A log of the last reply alone: what it answers comes from the library, added at the store's end.
    dir.write(QStringLiteral("c.log"), boardLog("３", {{"00012", "re re", "東京", "00011"}}));
    loadAndKeepStore(main, platform, dir, QStringLiteral("c.log"));
    QCOMPARE(main.state().MesCount, 1);
    Q_EMIT library->aboutToShow();
    QVERIFY(answered->isEnabled());
    QVERIFY(!responses->isEnabled());
    QVERIFY(!back->isEnabled());  // the new load forgot the old store's way back
    Q_EMIT library->aboutToHide();
    answered->trigger();
    answered->trigger();
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().CurrentMes, 3);
    QCOMPARE(number->text(), QStringLiteral("10"));
    QCOMPARE(dir.read(QStringLiteral("mes2.tmp")), loaded[1]);
    QCOMPARE(dir.read(QStringLiteral("mes3.tmp")), loaded[0]);
    QVERIFY(main.state().Index.covers(3));
    // Once added, the store answers: 11's answer is message 3, not a fourth copy.
    back->trigger();
    QCOMPARE(main.state().CurrentMes, 2);
    answered->trigger();
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().CurrentMes, 3);
    back->trigger();
    back->trigger();
    QCOMPARE(main.state().CurrentMes, 1);
  }

  // The found text in its context, as the command line's --snippet gives it; nothing without a query.
  void theTextColumnShowsTheFoundTextAroundTheFirstMatch() {
    WorkDir dir;
    dir.write(
        QStringLiteral("a.log"),
        boardLog("３", {{"00001", "t", "012345678901234567890123456789京都abcdefghijabcdefghijabcdefghij"}}));
    ScriptedPlatform platform;
    Application app(platform);
    loadAndKeepStore(app.main(), platform, dir);
    TLibraryform* window = openWindow(app.main());
    auto* results = control<QTableView>(window, "Results");
    type(window, QStringLiteral("京都"));
    QTRY_COMPARE(results->model()->rowCount(), 1);
    QCOMPARE(results->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Text"));
    QTRY_COMPARE(results->model()->index(0, 7).data().toString(),
                 QStringLiteral("…1234567890123456789京都abcdefghijabcdefghi…"));
    QCOMPARE(results->model()->index(0, 4).data().toString(), QStringLiteral("t"));
    type(window, QString());
    window->searchNow();
    QTRY_COMPARE(results->model()->index(0, 7).data().toString(), QString());
    QTest::qWait(50);
    QCOMPARE(results->model()->index(0, 7).data().toString(), QString());
  }

  // Relevance puts the title's match first; without a query it is the
  // library's order; the choice is the library's, for the next run.
  void relevanceReordersAndIsRememberedAcrossRuns() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", {{"00001", "plain", "京都の話"},
                                                       {"00002", "京都", "京都と京都"},
                                                       {"00003", "x", "y"}}));
    ScriptedPlatform platform;
    Bytes ini;
    {
      Application app(platform);
      loadAndKeepStore(app.main(), platform, dir);
      TLibraryform* window = openWindow(app.main());
      auto* results = control<QTableView>(window, "Results");
      type(window, QStringLiteral("京都"));
      QTRY_COMPARE(numbers(results), (QStringList{"1", "2"}));
      control<QComboBox>(window, "Rank")->setCurrentIndex(1);
      QTRY_COMPARE(numbers(results), (QStringList{"2", "1"}));
      window->close();
      QVERIFY(app.main().close());
      ini = dir.read(QStringLiteral("pelarin.ini"));
    }
    Application app(platform);
    TLibraryform* window = openWindow(app.main());
    auto* results = control<QTableView>(window, "Results");
    QCOMPARE(control<QComboBox>(window, "Rank")->currentText(), QStringLiteral("Relevance"));
    QTRY_COMPARE(numbers(results), (QStringList{"2", "1"}));
    type(window, QString());
    QTRY_COMPARE(numbers(results), (QStringList{"1", "2", "3"}));
    // Kept in the library, not in the settings file.
    window->close();
    QVERIFY(app.main().close());
    QCOMPARE(dir.read(QStringLiteral("pelarin.ini")), ini);
    Library library(toPath(dir.path()));
    QCOMPARE(preference(library, kWindowRank), std::optional<std::string>("relevance"));
  }

  // A header sorts every match by its column behind the window; again, the
  // other way; the found text does not sort; a new search is in the chosen order.
  void aHeaderClickSortsByItsColumnAndAgainReverses() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"),
              boardLog("３", {{"00005", "bravo", "m", "", "gamma", "1996/04/02 09:00"},
                              {"00020", "charlie", "m", "", "alpha", "95/12/31 23:59"}}));
    dir.write(QStringLiteral("b.log"), boardLog("４", {{"00010", "Alpha", "m", "", "Beta"}}));
    ScriptedPlatform platform;
    Application app(platform);
    loadAndKeepStore(app.main(), platform, dir);
    loadAndKeepStore(app.main(), platform, dir, QStringLiteral("b.log"));
    TLibraryform* window = openWindow(app.main());
    auto* results = control<QTableView>(window, "Results");
    type(window, QStringLiteral("m"));
    window->searchNow();
    QTRY_COMPARE(numbers(results), (QStringList{"5", "20", "10"}));
    QHeaderView* header = results->horizontalHeader();
    QCOMPARE(header->sortIndicatorSection(), -1);
    const struct {
      int column;
      QStringList up;
    } cases[] = {
        {1, {"5", "10", "20"}},  // number
        {3, {"20", "10", "5"}},  // writer, letters folded: alpha Beta gamma
        {4, {"10", "5", "20"}},  // title
        {6, {"10", "20", "5"}},  // posting time, none first
        {0, {"5", "20", "10"}},  // the library's order
    };
    for (const auto& c : cases) {
      clickHeader(results, c.column);
      QTRY_COMPARE(numbers(results), c.up);
      QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
      QStringList down = c.up;
      std::reverse(down.begin(), down.end());
      clickHeader(results, c.column);
      QTRY_COMPARE(numbers(results), down);
      QCOMPARE(header->sortIndicatorSection(), c.column);
      QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
      QTRY_COMPARE(control<QLabel>(window, "Found")->text(), QStringLiteral("3 件"));
    }
    QCOMPARE(results->model()->index(2, 6).data().toString(), QStringLiteral("1996-04-02 09:00"));
    clickHeader(results, 7);
    QCOMPARE(header->sortIndicatorSection(), 0);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // The chosen message stays chosen through a sort.
    results->setCurrentIndex(results->model()->index(1, 0));
    clickHeader(results, 1);
    QTRY_COMPARE(numbers(results), (QStringList{"5", "10", "20"}));
    QTRY_COMPARE(results->currentIndex().row(), 2);
    QVERIFY(control<QPlainTextEdit>(window, "Preview")->toPlainText().contains(QStringLiteral("No.20")));
    type(window, QStringLiteral("m "));
    QTRY_COMPARE(header->sortIndicatorSection(), -1);
    QTRY_COMPARE(numbers(results), (QStringList{"5", "20", "10"}));
  }

  void keyboardWalksTheWindowInOrderAndItRemembersItsSearch() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog("３", kThread));
    ScriptedPlatform platform;
    {
      Application app(platform);
      loadAndKeepStore(app.main(), platform, dir);
      TLibraryform* window = openWindow(app.main());
      window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window));
      auto* search = control<QLineEdit>(window, "Search");
      search->setFocus();
      const char* order[] = {"Rank", "Boards", "Results", "Preview", "Thread", "BtOpen"};
      for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
      }
      type(window, QStringLiteral("京都"));
      window->searchNow();
      QTRY_COMPARE(control<QTableView>(window, "Results")->model()->rowCount(), 2);
      control<QTableView>(window, "Results")->selectRow(1);
      window->close();
    }
    {
      Library library(toPath(dir.path()));
      QCOMPARE(preference(library, kWindowSearch), std::optional<std::string>("京都"));
      QVERIFY(preference(library, kWindowGeometry).has_value());
    }
    // The next run shows the same search with the same message chosen.
    Application app(platform);
    TLibraryform* window = openWindow(app.main());
    QCOMPARE(control<QLineEdit>(window, "Search")->text(), QStringLiteral("京都"));
    QTRY_COMPARE(control<QTableView>(window, "Results")->currentIndex().row(), 1);
    QVERIFY(control<QPlainTextEdit>(window, "Preview")->toPlainText().contains(QStringLiteral("雪の京都")));
  }
};

QTEST_MAIN(LibraryWindowTest)
#include "library_window_test.moc"
