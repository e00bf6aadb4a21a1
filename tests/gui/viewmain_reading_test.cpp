// Reading in the main window: previous and next at both ends, the board's
// answerability, the writer caption, and the list's selection.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include "core/reading/messageview.h"
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

QString text(TLogview& main, const char* name) { return control<QLineEdit>(&main, name)->text().trimmed(); }

bool responseOffered(TLogview& main) {
  const bool button = control<QPushButton>(&main, "BtResponce")->isEnabled();
  const bool item = control<QAction>(&main, "Responce1")->isEnabled();
  if (button != item) qFatal("BtResponce and Responce1 disagree");
  return button;
}

// Board 3, mail, file area 2 (its listing runs to the AUTO prompt), IBBS 45, the "BF" board:
// one message each, in this order.
Bytes mixedLog() {
  return sj("● [ BBS3 雑談\r\n") + countedMessage(7, sj("題"), "1001", sj("山田"), {sj("本文"), "", "end"}) +
         sj("[ Ｍail ] コマンド？\r\n") + countedMessage(0, "mail", "0", "sender", {"m"}) +
         sj("● [ FSW2 ファイル\r\n") + fileAreaMessage(12, "uploader", "file.lzh", {"listing"}) +
         "[ AUTO ] off\r\n" + sj("● [ IBBS45 全国\r\n") + countedMessage(8, "ibbs", "2002", "x", {}) +
         sj("[ ＢbsＦ ] コマンド？\r\n") + countedMessage(9, "bf", "3003", "y", {"z"});
}

class Loaded {
 public:
  Loaded() : app(platform), main(app.main()) {
    dir.write(QStringLiteral("m.log"), mixedLog());
    platform.files.push_back(dir.file(QStringLiteral("m.log")));
    control<QAction>(&main, "Load1")->trigger();
    if (main.state().MesCount != 5) qFatal("the mixed log gave %d messages", main.state().MesCount);
  }
  ~Loaded() { main.close(); }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app;
  TLogview& main;
};

}  // namespace

class ViewmainReadingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eachBoardShowsItsFieldsAndAnswerability() {
    Loaded l;
    struct Row {
      const char* board;
      const char* number;
      const char* id;
      const char* caption;
      bool response;
    };
    const Row rows[] = {
        {"B3", "7", "1001", "Writer", true}, {"M", "", "", "Writer", false},
        {"F2", "12", "", "File", false},     {"I45", "8", "2002", "Writer", true},
        {"BF", "9", "3003", "Writer", true},
    };
    for (int n = 1; n <= 5; ++n) {
      const Row& r = rows[n - 1];
      if (n > 1) control<QPushButton>(&l.main, "BtNext")->click();
      QCOMPARE(l.main.state().CurrentMes, n);
      QCOMPARE(text(l.main, "BoadNumber"), QString::fromLatin1(r.board));
      QCOMPARE(text(l.main, "Mesnumber"), QString::fromLatin1(r.number));
      QCOMPARE(text(l.main, "IDnum"), QString::fromLatin1(r.id));
      QCOMPARE(text(l.main, "Edit4"), QString::fromLatin1(r.caption));
      QCOMPARE(responseOffered(l.main), r.response);
    }
    // Back to the file area and on to the first board: the caption is "Writer" again.
    control<QAction>(&l.main, "Privious1")->trigger();
    control<QAction>(&l.main, "Privious1")->trigger();
    QCOMPARE(text(l.main, "Edit4"), QStringLiteral("File"));
    control<QAction>(&l.main, "Privious1")->trigger();
    control<QAction>(&l.main, "Privious1")->trigger();
    QCOMPARE(text(l.main, "Edit4"), QStringLiteral("Writer"));
    QCOMPARE(text(l.main, "Title"), QStringLiteral("題"));
    QCOMPARE(text(l.main, "WriterName"), QStringLiteral("山田"));
    QCOMPARE(control<QPlainTextEdit>(&l.main, "Docview")->toPlainText(), QStringLiteral("本文\n\nend\n"));
  }

  void navigationStopsAtBothEnds() {
    Loaded l;
    control<QPushButton>(&l.main, "BtPrevious")->click();
    QCOMPARE(l.main.state().CurrentMes, 1);
    QCOMPARE(text(l.main, "BoadNumber"), QStringLiteral("B3"));
    for (int i = 0; i < 7; ++i) control<QAction>(&l.main, "Next1")->trigger();
    QCOMPARE(l.main.state().CurrentMes, 5);
    QCOMPARE(text(l.main, "BoadNumber"), QStringLiteral("BF"));
    QCOMPARE(control<QPlainTextEdit>(&l.main, "Docview")->toPlainText(), QStringLiteral("z\n"));
    QVERIFY(l.platform.boxes.empty());
  }

  void movesSelectTheListRow() {
    Loaded l;
    QSignalSpy selected(&l.app.list(), &TListform::rowSelected);
    control<QPushButton>(&l.main, "BtNext")->click();
    control<QPushButton>(&l.main, "BtNext")->click();
    control<QPushButton>(&l.main, "BtPrevious")->click();
    QCOMPARE(selected.count(), 3);
    QCOMPARE(selected[0][0].toInt(), 2);
    QCOMPARE(selected[1][0].toInt(), 3);
    QCOMPARE(selected[2][0].toInt(), 2);
    QCOMPARE(l.main.state().CurrentMes, 2);
  }

  // The list's selection follows the move without showing the message again.
  void eachMoveReadsTheShownMessageOnce() {
    Loaded l;
    control<QAction>(&l.main, "List1")->trigger();  // built and open, as the moves find it mostly
    struct Move {
      const char* control;
      int shown;
    } moves[] = {{"BtNext", 2}, {"Next1", 3}, {"BtPrevious", 2}, {"Privious1", 1}, {"BtPrevious", 1}};
    for (bool listOpen : {true, false}) {
      if (!listOpen) l.app.list().close();
      for (const Move& m : moves) {
        const uint64_t before = messageViewReads();
        if (QPushButton* button = l.main.findChild<QPushButton*>(QString::fromLatin1(m.control)))
          button->click();
        else
          control<QAction>(&l.main, m.control)->trigger();
        QCOMPARE(messageViewReads() - before, uint64_t{1});
        QCOMPARE(l.main.state().CurrentMes, m.shown);
        QCOMPARE(l.app.list().findChild<QTableView*>(QStringLiteral("MesList"))->currentIndex().row(),
                 m.shown - 1);
      }
    }
    // A row picked in the list is still shown.
    control<QAction>(&l.main, "List1")->trigger();
    const uint64_t before = messageViewReads();
    l.app.list().selectRow(4);
    QCOMPARE(messageViewReads() - before, uint64_t{1});
    QCOMPARE(text(l.main, "BoadNumber"), QStringLiteral("I45"));
  }

  void listSelectionShowsTheMessage() {
    Loaded l;
    control<QAction>(&l.main, "List1")->trigger();
    QVERIFY(l.app.list().isVisible());
    l.app.list().selectRow(4);
    QCOMPARE(l.main.state().CurrentMes, 4);
    QCOMPARE(text(l.main, "BoadNumber"), QStringLiteral("I45"));
    QVERIFY(responseOffered(l.main));
    l.app.list().close();
    QVERIFY(control<QPushButton>(&l.main, "BtList")->isEnabled());
  }

  void emptyStoreIgnoresMovesAndAMissingFileIsReported() {
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    control<QPushButton>(&main, "BtNext")->click();
    control<QPushButton>(&main, "BtPrevious")->click();
    QVERIFY(platform.boxes.empty());
    QCOMPARE(main.state().CurrentMes, 1);

    // A store whose second file has gone: the move stops with the file error.
    dir.write(QStringLiteral("mes1.tmp"), "3\r\n1\r\nt\r\n\r\n0\r\nn\r\n");
    main.state().MesCount = 2;
    control<QPushButton>(&main, "BtNext")->click();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    control<QPushButton>(&main, "BtPrevious")->click();
    QCOMPARE(text(main, "BoadNumber"), QStringLiteral("B3"));
    QCOMPARE(text(main, "IDnum"), QString());
    main.close();
  }
};

QTEST_MAIN(ViewmainReadingTest)
#include "viewmain_reading_test.moc"
