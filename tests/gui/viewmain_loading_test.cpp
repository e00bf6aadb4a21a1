// Loading logs into the main window: Load, Append, drops, the association's
// title, and the failure rules.
#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QUrl>

#include "core/logimport/messagefile.h"
#include "core/reading/messageview.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "gui/reading/messagelistmodel.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// The six header boxes, without the blanks that fill the header's columns.
QStringList header(TLogview& main) {
  QStringList texts;
  for (const char* name : {"BoadNumber", "Mesnumber", "IDnum", "WriterName", "ResTitle", "Title"})
    texts << control<QLineEdit>(&main, name)->text().trimmed();
  return texts;
}

const QString kFilter = QStringLiteral("Log File|*.log|ALL Files|*.*");

// boardLog followed by a counted header with line noise in its number, on
// line 2 + 3 * count of the log.
Bytes noisyLog(int board, int first, int count) {
  return boardLog(board, first, count) + "#Fc.00~31\r\nx\r\n";
}

QString stopped(const char* log, int line) {
  return QStringLiteral("'00~31' は整数ではありません\n%1 の %2 行目で読み込みを止めました。")
      .arg(QString::fromUtf8(log))
      .arg(line);
}

const QString kKept = QStringLiteral("それまでのメッセージは読み込まれています。");

// The file drag the desktop offers: move proposed (Shift held), copy possible.
struct FileDrag {
  explicit FileDrag(const QString& file) { data.setUrls({QUrl::fromLocalFile(file)}); }
  QMimeData data;
  Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
};

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

  // The rows come from what the splitter and the sort kept, byte for byte
  // what reading the files gives, and no file is read for them.
  void listRowsAreThoseOfTheFilesAfterLoadAppendAndSort() {
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    const QString samples = QStringLiteral(PELARIN_SAMPLES);
    struct Step {
      const char* name;
      const char* log;
      bool append;
      int sort;
    } steps[] = {
        {"load", "pelnet-0402.log", false, 1},           {"append", "sample.log", true, 1},
        {"sorted load", "sample.log", false, 0},         {"sorted append", "pelnet-0402.log", true, 0},
        {"append unsorted", "pelnet-0403.log", true, 1},
    };
    auto* grid = control<QTableView>(&app.list(), "MesList");
    auto* model = qobject_cast<MessageListModel*>(grid->model());
    QVERIFY(model);
    for (const Step& step : steps) {
      main.state().SortMes = step.sort;
      platform.files.push_back(samples + QLatin1Char('/') + QString::fromLatin1(step.log));
      control<QAction>(&main, step.append ? "Append1" : "Load1")->trigger();
      QVERIFY2(platform.boxes.empty(), step.name);
      const int count = main.state().MesCount;
      QVERIFY2(count > 0, step.name);
      QCOMPARE(model->rowCount(), count);
      for (int n = 1; n <= count; ++n) {
        const ListRow fromFile = listRow(readMessageKeys(messagePath(toPath(dir.path()), n)));
        if (model->rows()[static_cast<size_t>(rowOfMessage(n))] != fromFile)
          QFAIL(qPrintable(QStringLiteral("%1: row %2 differs").arg(QString::fromLatin1(step.name)).arg(n)));
      }
    }
    const ListRow second = model->rows()[1];
    QFile::remove(dir.file(QStringLiteral("mes2.tmp")));
    control<QAction>(&main, "List1")->trigger();
    QVERIFY(platform.boxes.empty());
    QVERIFY(model->rows()[1] == second);
    app.list().close();
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

  void aStopKeepsTheMessagesReadAndSaysWhere() {
    WorkDir dir;
    dir.write(QStringLiteral("noisy.log"), noisyLog(3, 101, 2));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QSignalSpy built(&app.list(), &TListform::rowSelected);
    platform.files.push_back(dir.file(QStringLiteral("noisy.log")));
    control<QAction>(&main, "Load1")->trigger();
    QCOMPARE(main.state().MesCount, 2);
    QCOMPARE(header(main), (QStringList{"B3", "101", "1001", "山田", "", "T101"}));
    QVERIFY(control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(!built.isEmpty());
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[0].text, stopped("noisy.log", 8) + QLatin1Char('\n') + kKept);
    QCOMPARE(main.state().AppendMode, 0);
    QVERIFY(main.close());
  }

  void aDropGoesOnPastLogsThatStopAndSaysSoOnceAtTheEnd() {
    WorkDir dir;
    dir.write(QStringLiteral("1.log"), boardLog(3, 1, 1));
    dir.write(QStringLiteral("2.log"), noisyLog(4, 1, 2));
    dir.write(QStringLiteral("3.log"), boardLog(5, 1, 2));
    QDir(dir.path()).mkdir(QStringLiteral("folder.log"));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().SortMes = 1;
    main.DropFiles({dir.file(QStringLiteral("1.log")), dir.file(QStringLiteral("2.log")),
                    dir.file(QStringLiteral("folder.log")), dir.file(QStringLiteral("3.log"))});
    QCOMPARE(main.state().MesCount, 5);
    QCOMPARE(dir.read(QStringLiteral("mes5.tmp")).substr(0, 3), Bytes("5\r\n"));
    QCOMPARE(header(main).mid(0, 2), (QStringList{"B3", "1"}));
    QCOMPARE(main.state().AppendMode, 0);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    const QStringList lines = platform.boxes[0].text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.mid(0, 2).join(QLatin1Char('\n')), stopped("2.log", 8));
    QVERIFY2(lines[2].contains(dir.file(QStringLiteral("folder.log"))), qPrintable(lines[2]));
    QCOMPARE(lines[3], kKept);
    QVERIFY(main.close());
  }

  void dropsAreTakenAsACopy() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 1, 1));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    FileDrag drag(dir.file(QStringLiteral("a.log")));
    QDragEnterEvent enter(QPoint(10, 100), drag.actions, &drag.data, Qt::LeftButton, Qt::ShiftModifier);
    enter.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(&main, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(10, 100), drag.actions, &drag.data, Qt::LeftButton, Qt::ShiftModifier);
    drop.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(&main, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QTRY_COMPARE(main.state().MesCount, 1);

    // A source that can only move is refused.
    QDragEnterEvent moveOnly(QPoint(10, 100), Qt::MoveAction, &drag.data, Qt::LeftButton, Qt::NoModifier);
    moveOnly.setAccepted(true);
    QCoreApplication::sendEvent(&main, &moveOnly);
    QVERIFY(!moveOnly.isAccepted());
    QVERIFY(main.close());
  }

  void noDropWhileAComposerIsOpen() {
    WorkDir dir;
    dir.write(QStringLiteral("a.log"), boardLog(3, 1, 1));
    dir.write(QStringLiteral("b.log"), boardLog(4, 1, 3));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    control<QPushButton>(&main, "BtNewmes")->click();
    QVERIFY(app.newMessage().isVisible());
    const Bytes upload = main.state().UploadFile;

    FileDrag drag(dir.file(QStringLiteral("b.log")));
    QDragEnterEvent enter(QPoint(10, 100), drag.actions, &drag.data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(true);
    QCoreApplication::sendEvent(&main, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(10, 100), drag.actions, &drag.data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&main, &drop);
    main.DropFiles({dir.file(QStringLiteral("b.log"))});
    QCoreApplication::processEvents();
    QCOMPARE(main.state().MesCount, 1);
    QCOMPARE(main.state().UploadFile, upload);

    // Nor does the composer's editor take the file as its URL in text: it would answer Move,
    // and the file manager that started the drag would delete the log.
    QPlainTextEdit* editor = control<QPlainTextEdit>(&app.newMessage(), "NewView");
    for (QWidget* target : {static_cast<QWidget*>(editor->viewport()),
                            static_cast<QWidget*>(control<QLineEdit>(&app.newMessage(), "MesTitle"))}) {
      QDragEnterEvent onEditor(QPoint(5, 5), drag.actions, &drag.data, Qt::LeftButton, Qt::NoModifier);
      onEditor.setAccepted(true);
      QCoreApplication::sendEvent(target, &onEditor);
      QVERIFY(!onEditor.isAccepted());
      QDropEvent dropped(QPointF(5, 5), drag.actions, &drag.data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &dropped);
      QVERIFY(!dropped.isAccepted());
    }
    QCOMPARE(editor->toPlainText(), QString());
    QCOMPARE(control<QLineEdit>(&app.newMessage(), "MesTitle")->text(), QString());

    app.newMessage().close();
    main.DropFiles({dir.file(QStringLiteral("b.log"))});
    QCOMPARE(main.state().MesCount, 3);
    QVERIFY(main.close());
  }

  void theViewerCutsALongLineAndTheQuotationKeepsIt() {
    WorkDir dir;
    const Bytes longLine = Bytes(5000, 'x') + "END";
    dir.write(QStringLiteral("long.log"),
              sj("● [ BBS3 x\r\n") + countedMessage(1, "t", "1", sj("山田"), {"short", longLine}));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    platform.files.push_back(dir.file(QStringLiteral("long.log")));
    control<QAction>(&main, "Load1")->trigger();
    const QString shown = control<QPlainTextEdit>(&main, "Docview")->toPlainText();
    QCOMPARE(shown, QStringLiteral("short\n") + QString(4096, QLatin1Char('x')) +
                        QStringLiteral("…（以下 907 バイト省略）\n"));
    control<QPushButton>(&main, "BtResponce")->click();
    const QString quoted = control<QPlainTextEdit>(&app.res(), "Resview")->toPlainText();
    QVERIFY(quoted.contains(QStringLiteral(">") + QString(5000, QLatin1Char('x')) + QStringLiteral("END")));
    app.res().close();
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
