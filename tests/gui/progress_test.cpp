// Long store work: the progress window for slow work only, Cancel keeping the
// messages completed, the commands disabled meanwhile, and the program's end
// during work. A step hook stands in for slow work, so nothing here is timed.
#include "core/text/progress.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/logimport/storeindex.h"
#include "gui/app/application.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/progresswindow.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// Counted messages on BBS board 3, numbered from `first` downward, so a sort reverses them.
Bytes descendingLog(int first, int count) {
  Bytes log = sj("● [ BBS3 x") + "\r\n";
  for (int i = 0; i < count; ++i)
    log += countedMessage(first - i, "T" + std::to_string(first - i), "1001", sj("山田"), {"body"});
  return log;
}

// Ｔhank you... greeting, then a board line of the host's layout.
Bytes boardListLog() {
  Bytes greeting = sj("Ｔhank you for accessing to ") + "HOST" + Bytes(20, ' ');
  return greeting + "\r\n" + sj("  Ｆ ][BBS     ][ ") + Bytes(20, 'n') + " ](\r\n";
}

// Holds the worker at each step while `hold` says so, until the work is cancelled or released.
class SlowWork {
 public:
  explicit SlowWork(std::function<bool(const Progress&)> hold = [](const Progress&) { return true; })
      : hold_(std::move(hold)) {
    BackgroundWork::setStepHook([this](const Progress& p) {
      while (!released_ && !p.cancelled() && hold_(p))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  ~SlowWork() { BackgroundWork::setStepHook({}); }
  void release() { released_ = true; }

 private:
  std::function<bool(const Progress&)> hold_;
  std::atomic<bool> released_{false};
};

const char* const kStoreCommands[] = {"Load1",       "Append1",   "LoadBBSFile1", "Directry1",
                                      "BoardList1",  "NameList1", "Next1",        "Privious1",
                                      "NewMessage1", "MailTo1",   "List1"};
const char* const kStoreButtons[] = {"BtPrevious", "BtNext", "BtNewmes", "BtMail", "BtList"};

QStringList enabledCommands(TLogview& main) {
  QStringList on;
  for (const char* name : kStoreCommands)
    if (control<QAction>(&main, name)->isEnabled()) on << QString::fromLatin1(name);
  for (const char* name : kStoreButtons)
    if (control<QPushButton>(&main, name)->isEnabled()) on << QString::fromLatin1(name);
  return on;
}

void trigger(TLogview& main, const char* name) { control<QAction>(&main, name)->trigger(); }

}  // namespace

class ProgressTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Each kind of long work shows the window with its caption once it is slow.
  void slowWorkShowsTheWindow_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("namesTheLog");
    QTest::newRow("Load") << "Load1"
                          << "読み込み中" << true;
    QTest::newRow("Append") << "Append1"
                            << "読み込み中" << true;
    QTest::newRow("drop") << "drop"
                          << "読み込み中" << true;
    QTest::newRow("List") << "List1"
                          << "一覧の作成中" << false;
    QTest::newRow("Make Board List") << "BoardList1"
                                     << "ボードリストの作成中" << true;
    QTest::newRow("Make Name List") << "NameList1"
                                    << "ネームリストの作成中" << true;
  }
  void slowWorkShowsTheWindow() {
    QFETCH(QString, command);
    QFETCH(QString, caption);
    QFETCH(bool, namesTheLog);
    WorkDir dir;
    const Bytes log = descendingLog(20, 5) + boardListLog();
    dir.write(QStringLiteral("slow.log"), log);
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = 1;
    platform.files.push_back(dir.file(QStringLiteral("slow.log")));
    trigger(main, "Load1");
    QCOMPARE(main.state().MesCount, 5);

    SlowWork slow;
    QString shownCaption, file, bytes;
    QStringList enabledMeanwhile;
    connect(&main.work(), &BackgroundWork::windowShown, this, [&] {
      ProgressWindow* w = main.work().window();
      shownCaption = w->windowTitle();
      file = control<QLabel>(w, "FileLabel")->text();
      bytes = control<QLabel>(w, "BytesLabel")->text();
      enabledMeanwhile = enabledCommands(main);
      slow.release();
    });
    QSignalSpy shown(&main.work(), &BackgroundWork::windowShown);
    platform.files.push_back(dir.file(QStringLiteral("slow.log")));
    // The list of a store the index saw needs no work: a store it did not see is read from the files.
    if (command == QLatin1String("List1")) main.state().Index.clear();
    if (command == QLatin1String("drop"))
      main.DropFiles({dir.file(QStringLiteral("slow.log"))});
    else
      trigger(main, command.toLatin1().constData());

    QCOMPARE(shown.count(), 1);
    QCOMPARE(shownCaption, caption);
    QCOMPARE(file, namesTheLog ? QStringLiteral("slow.log") : QString());
    if (namesTheLog)
      QVERIFY2(bytes.endsWith(QStringLiteral(" / %1 バイト").arg(log.size())), qPrintable(bytes));
    QCOMPARE(enabledMeanwhile, QStringList());
    QVERIFY(!main.work().window()->isVisible());
    QVERIFY(!main.working());
    // The list builders say what they found; nothing else has a box.
    const bool builder = command == QLatin1String("BoardList1") || command == QLatin1String("NameList1");
    QCOMPARE(platform.boxes.size(), size_t{builder ? 1u : 0u});
    if (builder) QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(enabledCommands(main).size(), std::size(kStoreCommands) + std::size(kStoreButtons));
    QVERIFY(main.close());
  }

  void quickWorkShowsNoWindow() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), descendingLog(3, 3));
    ScriptedPlatform platform;
    Application app(platform);
    QSignalSpy shown(&app.main().work(), &BackgroundWork::windowShown);
    QSignalSpy started(&app.main().work(), &BackgroundWork::started);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    trigger(app.main(), "Load1");
    QCOMPARE(app.main().state().MesCount, 3);
    QVERIFY(started.count() >= 1);
    QCOMPARE(shown.count(), 0);
    QVERIFY(app.main().close());
  }

  // Cancel during the split keeps the messages completed, sorted when the sort is on, and shown.
  void cancelKeepsTheCompletedMessages_data() {
    QTest::addColumn<int>("sortMes");
    QTest::addColumn<QString>("firstTitle");
    QTest::newRow("log order") << 1 << "T20";
    QTest::newRow("sorted") << 0 << "T18";
  }
  void cancelKeepsTheCompletedMessages() {
    QFETCH(int, sortMes);
    QFETCH(QString, firstTitle);
    WorkDir dir;
    dir.write(QStringLiteral("old.log"), descendingLog(99, 6));
    dir.write(QStringLiteral("a.log"), descendingLog(20, 8));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = sortMes;
    platform.files.push_back(dir.file(QStringLiteral("old.log")));
    trigger(main, "Load1");
    QCOMPARE(main.state().MesCount, 6);

    // The worker waits once three messages are complete, until Cancel.
    SlowWork slow([](const Progress& p) {
      return p.phase.load() == static_cast<int>(Progress::Phase::Reading) && p.done.load() >= 3;
    });
    connect(&main.work(), &BackgroundWork::windowShown, this,
            [&] { control<QPushButton>(main.work().window(), "BtCancel")->click(); });
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    trigger(main, "Load1");

    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().CurrentMes, 1);
    QVERIFY(platform.boxes.empty());  // no "No Message !", no error
    for (int n = 1; n <= 3; ++n) QVERIFY(dir.exists(QStringLiteral("mes%1.tmp").arg(n)));
    QVERIFY(!dir.exists(QStringLiteral("mes4.tmp")));
    QVERIFY(!dir.exists(QStringLiteral("mestemp.tmp")));
    QCOMPARE(control<QLineEdit>(&main, "Title")->text().trimmed(), firstTitle);
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(control<QAction>(&main, "Load1")->isEnabled());
    QVERIFY(main.close());
    QVERIFY(!dir.exists(QStringLiteral("mes1.tmp")));
  }

  // A cancelled drop loads no further log; a cancelled board list keeps the previous one.
  void cancelEndsADropAndKeepsTheOldList() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), descendingLog(20, 4));
    dir.write(QStringLiteral("b.log"), descendingLog(40, 4));
    dir.write(QStringLiteral("lists.log"), boardListLog());
    dir.write(QStringLiteral("pelarin.bod"), "old\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = 1;
    SlowWork slow([](const Progress& p) { return p.done.load() >= 2; });
    connect(&main.work(), &BackgroundWork::windowShown, this,
            [&] { control<QPushButton>(main.work().window(), "BtCancel")->click(); });
    main.DropFiles({dir.file(QStringLiteral("a.log")), dir.file(QStringLiteral("b.log"))});
    QCOMPARE(main.state().MesCount, 2);
    QCOMPARE(main.state().AppendMode, 0);
    QVERIFY(platform.boxes.empty());

    SlowWork always;
    platform.files.push_back(dir.file(QStringLiteral("lists.log")));
    trigger(main, "BoardList1");
    QCOMPARE(dir.read(QStringLiteral("pelarin.bod")), Bytes("old\r\n"));
    QVERIFY(platform.boxes.empty());
    QVERIFY(main.close());
  }

  // The end of the program or the user's close during work: the work stops,
  // the close runs as usual and the command that waited does nothing more.
  void theEndDuringWorkStopsItCleanly_data() {
    QTest::addColumn<bool>("signalled");
    QTest::newRow("program end") << true;
    QTest::newRow("close box") << false;
  }
  void theEndDuringWorkStopsItCleanly() {
    QFETCH(bool, signalled);
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), descendingLog(20, 8));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    SlowWork slow([](const Progress& p) { return p.done.load() >= 3; });
    connect(&main.work(), &BackgroundWork::windowShown, this, [&] {
      if (signalled)
        main.endProgram();
      else
        main.close();
    });
    QSignalSpy closed(&main, &TLogview::closed);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    trigger(main, "Load1");
    QVERIFY(main.ended());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!main.working());
    QVERIFY(platform.boxes.empty());
    for (const QString& name : QDir(dir.path()).entryList({QStringLiteral("mes*")}))
      QFAIL(qPrintable(QStringLiteral("left: ") + name));
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    QVERIFY(dir.exists(QStringLiteral("pelarin.ini")));
  }
};

QTEST_MAIN(ProgressTest)
#include "progress_test.moc"
