// The reader's state from the main window: read after a moment, the mark key,
// Next and Previous Unread through the store and into the library's other
// boards, and the store opened again at the next start.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// Loads the log and waits until the library holds it.
void loadImported(TLogview& main, ScriptedPlatform& platform, const WorkDir& dir, const QString& log) {
  QSignalSpy finished(&main.importer(), &LibraryImporter::finished);
  platform.files.push_back(dir.file(log));
  control<QAction>(&main, "Load1")->trigger();
  // A small log may be in before the command returns.
  if (finished.isEmpty() && !finished.wait(20000)) qFatal("the import did not end");
  main.importer().waitIdle();
  QCoreApplication::processEvents();
}

MessageState state(const WorkDir& dir, int board, int number) {
  Library library(toPath(dir.path()));
  return stateOf(library, *library.find("", board, number));
}

void setRead(const WorkDir& dir, const std::vector<std::pair<int, int>>& messages) {
  Library library(toPath(dir.path()));
  std::vector<int64_t> ids;
  for (auto [board, number] : messages) ids.push_back(*library.find("", board, number));
  setFlag(library, MessageFlag::Read, ids, true);
}

QString number(TLogview& main) { return control<QLineEdit>(&main, "Mesnumber")->text(); }

QString board(TLogview& main) { return control<QLineEdit>(&main, "BoadNumber")->text(); }

// Keys as the user types them: to the shown, active window.
void showActive(TLogview& main) {
  main.show();
  main.activateWindow();
  if (!QTest::qWaitForWindowActive(&main)) qFatal("the main window is not active");
}

}  // namespace

class ViewmainUnreadTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void aMessageShownForAMomentIsReadOneSteppedOverIsNot() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(1, 1, 4));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    loadImported(main, platform, dir, QStringLiteral("a.log"));
    // Shown while the log was still being added: read once it is in and the moment has passed.
    QTRY_VERIFY_WITH_TIMEOUT(state(dir, 1, 1).read, 5000);
    auto* next = control<QAction>(&main, "Next1");
    next->trigger();
    next->trigger();
    QTest::qWait(TLogview::kReadAfterMs / 2);
    QVERIFY(!state(dir, 1, 3).read);
    QTRY_VERIFY_WITH_TIMEOUT(state(dir, 1, 3).read, 5000);
    QVERIFY(!state(dir, 1, 2).read);
    QVERIFY(!state(dir, 1, 4).read);
  }

  // Through the store, skipping what is read, then to the library's next board after a question.
  void nextAndPreviousUnreadWalkTheStoreThenTheBoards() {
    struct Case {
      bool forward;
      BoxAnswer answer;
      const char* asked;
      QString board, number;  // shown at the end
    };
    for (const Case& c : {Case{true, BoxAnswer::Yes, "次に", QStringLiteral("B2"), QStringLiteral("2")},
                          Case{true, BoxAnswer::No, "次に", QStringLiteral("B1"), QStringLiteral("3")},
                          Case{false, BoxAnswer::Yes, "前に", QStringLiteral("B3"), QStringLiteral("2")}}) {
      WorkDir dir;
      dir.write(QStringLiteral("a.log"), boardLog(1, 1, 3));
      dir.write(QStringLiteral("b.log"), boardLog(2, 1, 2));
      dir.write(QStringLiteral("c.log"), boardLog(3, 1, 3));
      ScriptedPlatform platform;
      Application app(platform);
      TLogview& main = app.main();
      main.show();
      loadImported(main, platform, dir, QStringLiteral("c.log"));
      loadImported(main, platform, dir, QStringLiteral("b.log"));
      loadImported(main, platform, dir, QStringLiteral("a.log"));
      setRead(dir, {{1, 2}, {2, 1}, {3, 3}});
      auto* walk = control<QAction>(&main, c.forward ? "NextUnread1" : "PreviousUnread1");
      if (c.forward) {
        // Space, the viewer's key, on a message shorter than the viewer.
        QTest::keyClick(control<QPlainTextEdit>(&main, "Docview"), Qt::Key_Space);
        QCOMPARE(number(main), QStringLiteral("3"));
      }
      QVERIFY(platform.boxes.empty());
      platform.answers.push_back(c.answer);
      walk->trigger();
      QCOMPARE(platform.boxes.size(), size_t{1});
      QCOMPARE(platform.boxes[0].kind, BoxKind::Confirmation);
      const QString named = c.answer == BoxAnswer::Yes ? c.board : QStringLiteral("B2");
      QCOMPARE(platform.boxes[0].text,
               QString::fromUtf8(c.asked) + QStringLiteral("未読のあるボード %1 を開きますか？").arg(named));
      QCOMPARE(board(main), c.board);
      QCOMPARE(number(main), c.number);
      QCOMPARE(main.windowTitle().startsWith(QStringLiteral("ライブラリ: ")), c.answer == BoxAnswer::Yes);
    }
  }

  void spacePagesALongMessageDownBeforeGoingOn() {
    WorkDir dir;
    std::vector<Bytes> lines(120, Bytes("line"));
    dir.write(QStringLiteral("a.log"), sj("● [ BBS1 x\r\n") +
                                           countedMessage(1, "long", "1001", sj("山田"), lines) +
                                           countedMessage(2, "short", "1001", sj("山田"), {"body"}));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    loadImported(main, platform, dir, QStringLiteral("a.log"));
    auto* viewer = control<QPlainTextEdit>(&main, "Docview");
    QScrollBar* bar = viewer->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    int pages = 0;
    for (; number(main) == QStringLiteral("1") && pages < 100; ++pages)
      QTest::keyClick(viewer, Qt::Key_Space);
    QCOMPARE(number(main), QStringLiteral("2"));
    QVERIFY(pages > 1);
  }

  void nothingUnreadAnywhereSaysSo() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(1, 1, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    loadImported(main, platform, dir, QStringLiteral("a.log"));
    setRead(dir, {{1, 1}, {1, 2}});
    control<QAction>(&main, "NextUnread1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("未読のメッセージはありません。"));
    QCOMPARE(number(main), QStringLiteral("1"));
  }

  void theMarkKeyTogglesTheMarkAndTheTitleShowsIt() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(1, 1, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    loadImported(main, platform, dir, QStringLiteral("a.log"));
    showActive(main);
    control<QAction>(&main, "Next1")->trigger();
    for (bool marked : {true, false}) {
      QTest::keyClick(control<QPlainTextEdit>(&main, "Docview"), Qt::Key_K,
                      Qt::ControlModifier | Qt::ShiftModifier);
      QCOMPARE(main.windowTitle().startsWith(QStringLiteral("★ ")), marked);
      QTRY_COMPARE(state(dir, 1, 2).marked, marked);
      QVERIFY(!state(dir, 1, 1).marked);
    }
    // Shown again later, the mark is still there; the unmarked neighbour shows none.
    QTest::keyClick(control<QPlainTextEdit>(&main, "Docview"), Qt::Key_K,
                    Qt::ControlModifier | Qt::ShiftModifier);
    control<QAction>(&main, "Privious1")->trigger();
    QVERIFY(!main.windowTitle().startsWith(QStringLiteral("★")));
    control<QAction>(&main, "Next1")->trigger();
    QVERIFY(main.windowTitle().startsWith(QStringLiteral("★ ")));
  }

  // The store of the last run, offered again at the start (or opened without a question).
  void whatWasOpenIsOpenedAgainAtTheNextStart() {
    struct Case {
      bool reopenSetting;
      BoxAnswer answer;
      size_t boxes;
      int messages;
    };
    for (const Case& c : {Case{false, BoxAnswer::Yes, 1, 3}, Case{false, BoxAnswer::No, 1, 0},
                          Case{true, BoxAnswer::No, 0, 3}}) {
      WorkDir dir;
      dir.write(QStringLiteral("a.log"), boardLog(1, 1, 3));
      const Bytes settings = [&] {
        ScriptedPlatform platform;
        Application app(platform);
        loadImported(app.main(), platform, dir, QStringLiteral("a.log"));
        control<QAction>(&app.main(), "Next1")->trigger();
        if (c.reopenSetting) control<QAction>(&app.main(), "ReopenAtStart1")->trigger();
        if (!app.main().close()) qFatal("the close was refused");
        return dir.read(QStringLiteral("pelarin.ini"));
      }();
      ScriptedPlatform platform;
      platform.answers.push_back(c.answer);
      Application app(platform);
      app.main().offerReopen();
      // Asked once the importer has opened the library.
      QTRY_COMPARE(platform.boxes.size(), c.boxes);
      QTRY_COMPARE(app.main().state().MesCount, c.messages);
      QCOMPARE(platform.boxes.size(), c.boxes);
      if (c.boxes)
        QCOMPARE(platform.boxes[0].text, QStringLiteral("前回開いていたメッセージをもう一度開きますか？"));
      if (c.messages) QCOMPARE(number(app.main()), QStringLiteral("2"));
      QVERIFY(app.main().close());
      // The settings file is the program's own: nothing of this is kept there.
      QCOMPARE(dir.read(QStringLiteral("pelarin.ini")), settings);
    }
  }
};

QTEST_MAIN(ViewmainUnreadTest)
#include "viewmain_unread_test.moc"
