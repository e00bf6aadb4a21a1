// Loading logs into the main window: Load, Append, drops, the association's
// title, and the failure rules.
#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// A log of `count` counted messages numbered from `first` on BBS board `board`.
Bytes boardLog(int board, int first, int count) {
  Bytes log = sj("● [ BBS") + std::to_string(board) + " x\r\n";
  for (int i = 0; i < count; ++i)
    log += countedMessage(first + i, "T" + std::to_string(first + i), "1001", sj("山田"), {"body"});
  return log;
}

// The six header boxes, without the blanks that fill the header's columns.
QStringList header(TLogview& main) {
  QStringList texts;
  for (const char* name : {"BoadNumber", "Mesnumber", "IDnum", "WriterName", "ResTitle", "Title"})
    texts << control<QLineEdit>(&main, name)->text().trimmed();
  return texts;
}

const QString kFilter = QStringLiteral("Log File|*.log|ALL Files|*.*");

}  // namespace

class ViewmainLoadingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void loadShowsTheFirstMessageAndBuildsTheList() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 3));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().LogFileDir = "logs/";
    QSignalSpy built(&app.list(), &TListform::rowSelected);
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();

    QCOMPARE(platform.openRequests.size(), size_t{1});
    QCOMPARE(platform.openRequests[0].initialDir, QStringLiteral("logs/"));
    QCOMPARE(platform.openRequests[0].filter, kFilter);
    QVERIFY(platform.boxes.empty());
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().CurrentMes, 1);
    QCOMPARE(main.state().AppendMode, 0);
    QCOMPARE(header(main), (QStringList{"B3", "101", "1001", "山田", "", "T101"}));
    QCOMPARE(control<QPlainTextEdit>(&main, "Docview")->toPlainText(), QStringLiteral("body\n"));
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(control<QPushButton>(&main, "BtResponce")->isEnabled());
    // The list was built, shown and closed again.
    QVERIFY(!built.isEmpty());
    QVERIFY(!app.list().isVisible());
    QVERIFY(main.close());
  }

  void appendNumbersAfterTheStoreAndCancelKeepsIt() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 101, 2));
    dir.write(QStringLiteral("b.log"), boardLog(5, 201, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = 1;  // keep the order of loading
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    platform.files.push_back(dir.file(QStringLiteral("b.log")));
    control<QAction>(&main, "Append1")->trigger();
    QCOMPARE(main.state().MesCount, 4);
    QCOMPARE(main.state().AppendMode, 0);
    QVERIFY(dir.exists(QStringLiteral("mes4.tmp")));
    QCOMPARE(dir.read(QStringLiteral("mes3.tmp")).substr(0, 8), Bytes("5\r\n201\r\n"));

    // A cancelled dialog: the store stays, the header boxes are emptied.
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 4);
    QCOMPARE(header(main), QStringList(6, QString()));
    QVERIFY(!control<QPushButton>(&main, "BtResponce")->isEnabled());
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());

    // A replacing load after the append starts again from 1.
    platform.files.push_back(dir.file(QStringLiteral("b.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 2);
    QVERIFY(main.close());
  }

  void logWithoutMessagesWarns() {
    WorkDir dir;
    dir.write(QStringLiteral("empty.log"), "ATDT 123\r\nBYE\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    platform.files.push_back(dir.file(QStringLiteral("empty.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Warning);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("No Message !"));
    QCOMPARE(header(main), QStringList(6, QString()));
    QVERIFY(!control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(main.close());
  }

  void failedAppendClearsAppendMode() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 1, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    platform.files.push_back(dir.file(QStringLiteral("missing.log")));
    control<QAction>(&main, "Append1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(main.state().MesCount, 2);
    QCOMPARE(main.state().AppendMode, 0);
    // So the next Load replaces the store.
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 2);
    QVERIFY(main.close());
  }

  void dropOfThreeLogsCarriesTheBoardMap() {
    WorkDir dir;
    // The first log links BBS 12 to IBBS 345; the others only name BBS 12 in prompts.
    dir.write(QStringLiteral("1.log"),
              sj("● [ BBS12(IBBS345) 全国\r\n") + countedMessage(1, "a", "1", "n", {"b1"}));
    dir.write(QStringLiteral("2.log"),
              sj("[ Ｂbs１２ ] コマンド？\r\n") + countedMessage(2, "b", "2", "n", {"b2"}));
    dir.write(QStringLiteral("3.log"),
              sj("[ Ｂbs１２ ] コマンド？\r\n") + countedMessage(3, "c", "3", "n", {"b3"}));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = 1;
    // A store from before: the first dropped file replaces it.
    dir.write(QStringLiteral("0.log"), boardLog(3, 1, 4));
    platform.files.push_back(dir.file(QStringLiteral("0.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 4);

    main.DropFiles({dir.file(QStringLiteral("1.log")), dir.file(QStringLiteral("2.log")),
                    dir.file(QStringLiteral("3.log"))});
    QVERIFY(platform.boxes.empty());
    QCOMPARE(main.state().MesCount, 3);
    QCOMPARE(main.state().AppendMode, 0);
    QCOMPARE(main.state().BoardMapCount, 1);
    for (int n = 1; n <= 3; ++n) {
      main.MesListSelectCell(n);
      QCOMPARE(control<QLineEdit>(&main, "BoadNumber")->text(), QStringLiteral("I345"));
      QCOMPARE(control<QLineEdit>(&main, "Mesnumber")->text(), QString::number(n));
    }
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(main.close());
  }

  void dropEventLoadsTheLocalFiles() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 1, 1));
    dir.write(QStringLiteral("b.log"), boardLog(4, 1, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    QVERIFY(main.acceptDrops());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.file(QStringLiteral("a.log"))),
                  QUrl(QStringLiteral("http://x/y.log")),
                  QUrl::fromLocalFile(dir.file(QStringLiteral("b.log")))});
    QDragEnterEvent enter(QPoint(10, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&main, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&main, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(main.state().MesCount, 3);
    QVERIFY(platform.boxes.empty());
    QVERIFY(main.close());
  }

  void associationSetsTheTitles() {
    WorkDir dir;
    dir.write(QStringLiteral("nifty_0401.log"), boardLog(3, 1, 1));
    dir.write(QStringLiteral("host.bod"), sj("ペラリン・ネット\r\nB1\r\n"));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().BbsTable[0] = {"other", "NIFTY", "up1"};
    main.state().BbsTable[2] = {"host", "Nifty_", ""};  // the later match wins
    platform.files.push_back(dir.file(QStringLiteral("nifty_0401.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().ListFileName, Bytes("host"));
    QCOMPARE(main.state().UploadFile, Bytes("upload.txt"));
    QCOMPARE(main.windowTitle(), QStringLiteral("ペラリン・ネット - Pelarin for Windows"));
    QCOMPARE(main.applicationTitle(), main.windowTitle());

    main.state().BbsTable = {};
    platform.files.push_back(dir.file(QStringLiteral("nifty_0401.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.windowTitle(), QStringLiteral("Pelarin for Windows"));
    QCOMPARE(main.applicationTitle(), QStringLiteral("Pelarin for Windows"));
    QVERIFY(main.close());
  }

  void openListIsClosedByLoad() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 1, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    control<QAction>(&main, "List1")->trigger();
    QVERIFY(app.list().isVisible());
    control<QAction>(&main, "Load1")->trigger();
    QVERIFY(!app.list().isVisible());
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(main.close());
  }
};

QTEST_MAIN(ViewmainLoadingTest)
#include "viewmain_loading_test.moc"
