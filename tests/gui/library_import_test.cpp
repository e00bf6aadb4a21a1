// Loads add their logs to the library in the background: the reader shows
// the first message without waiting, the library gets every message, and the
// Library menu turns it off. A log whose import the program's end or a kill
// cut short is added at the next start.
#include <signal.h>
#include <sqlite3.h>

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "core/library/importqueue.h"
#include "core/library/library.h"
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

constexpr int kLongLog = 500;

int64_t messagesIn(const QString& dir) {
  Library library(toPath(dir));
  return library.stats().messages;
}

// Holds the library's write lock as another program would, so the import waits.
struct WriterBlock {
  sqlite3* db = nullptr;
  explicit WriterBlock(const QString& dir) {
    { Library made(toPath(dir)); }
    sqlite3_open((toPath(dir) / kLibraryFileName).c_str(), &db);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  }
  void release() {
    if (!db) return;
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    db = nullptr;
  }
  ~WriterBlock() { release(); }
};

// The importer's reports as the window gets them: queued to its thread.
struct Reports {
  struct Report {
    qint64 added;
    QString error;
  };
  QList<Report> list;
  explicit Reports(TLogview& main) {
    QObject::connect(&main.importer(), &LibraryImporter::finished, &main,
                     [this](const QString&, qint64 added, qint64, const QString& error) {
                       list.append({added, error});
                     });
  }
  qsizetype size() const { return list.size(); }
};

constexpr char kKillDuringImport[] = "PELARIN_TEST_KILL_DURING_IMPORT";

// The other process: loads the log and kills itself, from the importer's
// thread, once the import has read into the log.
int loadAndDieImporting(const QString& log) {
  ScriptedPlatform platform;
  Application app(platform);
  TLogview& main = app.main();
  QObject::connect(
      &main.importer(), &LibraryImporter::progressed, &main,
      [](const QString&, quint64 bytes, quint64, int) {
        // Held past the reports' interval, so the import's next step reports what it has read.
        if (bytes == 0)
          QThread::msleep(150);
        else
          ::raise(SIGKILL);
      },
      Qt::DirectConnection);
  QObject::connect(&main.importer(), &LibraryImporter::idle, &main, [] { QCoreApplication::exit(2); });
  platform.files.push_back(log);
  control<QAction>(&main, "Load1")->trigger();
  return QCoreApplication::exec();
}

}  // namespace

class LibraryImportTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void theFirstMessageShowsWhileTheLibraryWaits() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 3));
    WriterBlock block(dir.path());
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    Reports finished(main);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 3);
    QVERIFY(main.importer().busy());
    QCOMPARE(finished.size(), 0);

    block.release();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QVERIFY2(finished.list[0].error.isEmpty(), qPrintable(finished.list[0].error));
    QCOMPARE(finished.list[0].added, qint64{3});
    QCOMPARE(messagesIn(dir.path()), int64_t{3});
    QTRY_VERIFY(main.libraryStatus()->text().contains(QStringLiteral("3 件追加")));

    // The same log again adds nothing; an append adds its own.
    dir.write(QStringLiteral("b.log"), boardLog(3, 104, 2));
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    platform.files.push_back(dir.file(QStringLiteral("b.log")));
    control<QAction>(&main, "Append1")->trigger();
    main.importer().waitIdle();
    QCOMPARE(messagesIn(dir.path()), int64_t{5});
    QVERIFY(main.close());
  }

  // The program ends while the import waits for the library; the loaded
  // logs have stayed queued. The next start adds them in turn, except one
  // that is no longer the log loaded: that one is named, once, and stays
  // named after the others are in.
  void logsTheEndCutShortAreAddedAtTheNextStart_data() {
    QTest::addColumn<QString>("since");
    QTest::addColumn<qint64>("added");
    QTest::addColumn<QString>("reason");
    QTest::newRow("as loaded") << QString() << qint64{5} << QString();
    QTest::newRow("changed") << QStringLiteral("changed") << qint64{2} << QStringLiteral("変更されたため");
    QTest::newRow("gone") << QStringLiteral("gone") << qint64{2} << QStringLiteral("見つからないため");
  }
  void logsTheEndCutShortAreAddedAtTheNextStart() {
    QFETCH(QString, since);
    QFETCH(qint64, added);
    QFETCH(QString, reason);
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 3));
    dir.write(QStringLiteral("b.log"), boardLog(3, 104, 2));
    {
      WriterBlock block(dir.path());
      ScriptedPlatform platform;
      Application app(platform);
      platform.files.push_back(dir.file(QStringLiteral("a.log")));
      control<QAction>(&app.main(), "Load1")->trigger();
      platform.files.push_back(dir.file(QStringLiteral("b.log")));
      control<QAction>(&app.main(), "Append1")->trigger();
      QVERIFY(app.main().importer().busy());
      QVERIFY(app.main().close());
    }
    QCOMPARE(messagesIn(dir.path()), int64_t{0});
    if (since == QStringLiteral("changed")) dir.write(QStringLiteral("a.log"), boardLog(3, 101, 4));
    if (since == QStringLiteral("gone")) QVERIFY(QFile::remove(dir.file(QStringLiteral("a.log"))));

    for (int start = 0; start < 2; ++start) {
      ScriptedPlatform platform;
      Application app(platform);
      TLogview& main = app.main();
      main.importer().waitIdle();
      QCOMPARE(messagesIn(dir.path()), added);
      QLabel* status = main.libraryStatus();
      if (start == 1) {
        QCoreApplication::processEvents();
        QVERIFY(status->isHidden());
      } else if (reason.isEmpty()) {
        // The reports began as the window was made, before a test could listen: the indicator tells.
        QTRY_COMPARE(status->text(), QStringLiteral("ライブラリ: 2 件追加, 0 件は既存"));
      } else {
        QTRY_COMPARE(status->text(), QStringLiteral("ライブラリ: a.log を追加できませんでした"));
        QVERIFY2(status->toolTip().contains(reason), qPrintable(status->toolTip()));
        QVERIFY(status->toolTip().contains(dir.file(QStringLiteral("a.log"))));
      }
      QVERIFY(main.close());
    }
  }

  // Killed in the middle of the log's import, in a process of its own: the
  // library is as before, and the next start adds the whole log.
  void aLogWhoseImportAKillCutShortIsAddedAtTheNextStart() {
    WorkDir dir;
    dir.write(QStringLiteral("long.log"), boardLog(3, 1, kLongLog));
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kKillDuringImport), dir.file(QStringLiteral("long.log")));
    other.setProcessEnvironment(env);
    other.setWorkingDirectory(dir.path());
    other.setProcessChannelMode(QProcess::ForwardedChannels);
    other.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(other.waitForFinished(60000));
    QVERIFY2(other.exitStatus() == QProcess::CrashExit,
             "the import ended before the kill: make the log larger");
    QCOMPARE(messagesIn(dir.path()), int64_t{0});

    ScriptedPlatform platform;
    Application app(platform);
    app.main().importer().waitIdle();
    QCOMPARE(messagesIn(dir.path()), int64_t{kLongLog});
    QTRY_COMPARE(app.main().libraryStatus()->text(), QStringLiteral("ライブラリ: 500 件追加, 0 件は既存"));
    QVERIFY(app.main().close());
  }

  // A library of the version before: the importer's thread rebuilds its
  // index at the start, the indicator says so, the window's thread never waits.
  void anOlderLibrarysIndexIsRebuiltBehindTheWindow() {
    WorkDir dir;
    QVERIFY(QFile::copy(QStringLiteral(PELARIN_TEST_DATA "/library-v2.db"), dir.file(QString::fromLatin1(kLibraryFileName))));
    ScriptedPlatform platform;
    Application app(platform);
    app.main().importer().waitIdle();
    QTRY_COMPARE(app.main().libraryStatus()->text(), QStringLiteral("ライブラリの索引を作り直しました"));
    QVERIFY(!Library(toPath(dir.path())).indexIsOld());
    QVERIFY(app.main().close());
  }

  void theLibraryMenuTurnsItOffAndTheLibraryKeepsTheChoice() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 3));
    {
      ScriptedPlatform platform;
      Application app(platform);
      TLogview& main = app.main();
      QAction* item = control<QAction>(&main, "ImportOnLoad1");
      QVERIFY(item->isChecked());
      item->trigger();
      QVERIFY(!item->isChecked());
      platform.files.push_back(dir.file(QStringLiteral("a.log")));
      control<QAction>(&main, "Load1")->trigger();
      main.importer().waitIdle();
      QCOMPARE(messagesIn(dir.path()), int64_t{0});
      QVERIFY(main.close());
    }
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QMenu* menu = control<QMenu>(&main, "Library1");
    Q_EMIT menu->aboutToShow();
    QVERIFY(!control<QAction>(&main, "ImportOnLoad1")->isChecked());
    QVERIFY(main.close());
  }

  // A damaged library stops no load: the indicator says so and keeps the
  // reason, and the log waits in the queue for a library that can take it.
  void aDamagedLibraryIsNamedNotFatal() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 3));
    dir.write(QString::fromLatin1(kLibraryFileName), Bytes(4096, 'x'));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    Reports finished(main);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 3);
    QVERIFY(platform.boxes.empty());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QVERIFY(!finished.list[0].error.isEmpty());
    QCOMPARE(ImportQueue(toPath(dir.path())).entries().size(), size_t{1});
    QTRY_VERIFY(!main.libraryStatus()->isHidden());
    QVERIFY(!main.libraryStatus()->toolTip().isEmpty());
    // However long the text, it takes only the room the menus leave.
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QMenuBar* bar = main.menuBar();
    QTRY_VERIFY(main.libraryStatus()->isVisible());
    for (QAction* menu : bar->actions()) {
      const QRect place = bar->actionGeometry(menu);
      QVERIFY2(!place.isEmpty() && place.right() < main.libraryStatus()->x(), qPrintable(menu->text()));
    }
    QVERIFY(main.close());
  }
};

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (qEnvironmentVariableIsSet(kKillDuringImport))
    return loadAndDieImporting(qEnvironmentVariable(kKillDuringImport));
  LibraryImportTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "library_import_test.moc"
