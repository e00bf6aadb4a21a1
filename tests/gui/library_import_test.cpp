// Loads add their logs to the library in the background: the reader shows
// the first message without waiting, the library gets every message, and the
// Library menu turns it off.
#include <sqlite3.h>

#include <QAction>
#include <QMenuBar>
#include <QLabel>
#include <QMenu>

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

  // A damaged library stops no load: the indicator says so and keeps the reason.
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

QTEST_MAIN(LibraryImportTest)
#include "library_import_test.moc"
