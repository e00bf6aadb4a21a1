// The Mail window: its opening, the OK rule, the ID pick from the name list,
// the quotation of the shown message, and the mail record it writes.
#include "gui/compose/mailwin.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "support/picklist.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

struct Fixture {
  Fixture() : app(platform), win(app.mail()), state(app.main().state()) { state.UploadRewrite = 0; }
  ~Fixture() {
    win.close();
    app.main().close();
  }

  QLineEdit* id(int i) {
    const QByteArray name = "ID" + QByteArray::number(i);
    return control<QLineEdit>(&win, name.constData());
  }
  QLineEdit* title() { return control<QLineEdit>(&win, "MesTitle"); }
  QPlainTextEdit* view() { return control<QPlainTextEdit>(&win, "MailView"); }
  QPushButton* ok() { return control<QPushButton>(&win, "BitBtn1"); }
  QPushButton* quotation() { return control<QPushButton>(&win, "Quotation"); }

  // A right-button press on an ID field while `inside` drives the pick list; true when it came up.
  bool rightPress(QLineEdit* field, const std::function<void()>& inside) {
    const auto opened = whilePicking(app.input(), inside);
    QTest::mousePress(field, Qt::RightButton);
    QCoreApplication::processEvents();
    return *opened;
  }
  void pick(QLineEdit* field, int row) {
    if (!rightPress(field, [this, row] {
          entries(app.input())->setCurrentRow(row);
          control<QPushButton>(&app.input(), "BitBtn1")->click();
        }))
      qFatal("the pick list did not come up");
  }

  // Message n in the store, shown in the main window.
  void storeMessage(int n, const Bytes& keyLines, const Bytes& body) {
    dir.write(QStringLiteral("mes%1.tmp").arg(n), keyLines + body);
    state.MesCount = std::max(state.MesCount, n);
    state.CurrentMes = n;
  }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app;
  TMailform& win;
  AppState& state;
};

const Bytes kKeys77 = sj("5\r\n123\r\n題名\r\n\r\n77\r\n山田   \r\n");

}  // namespace

class MailwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void openingClearsTheFieldsAndStartsWithTheSignature() {
    Fixture f;
    f.dir.write("sig.txt", sj("署名\r\n"));
    f.state.MailTop = 20;
    f.state.MailLeft = 70;
    f.win.open(false);
    QCOMPARE(f.win.windowTitle(), QStringLiteral("upload.txt - Mail Window"));
    QCOMPARE(f.win.pos(), QPoint(70, 20));
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("署名\n"));
    QVERIFY(!f.ok()->isEnabled());
    QVERIFY(!f.quotation()->isEnabled());
    for (int i = 0; i < TMailform::kIds; ++i) QVERIFY(!f.id(i)->testAttribute(Qt::WA_InputMethodEnabled));

    // Opening again only brings it to the front, but re-evaluates Quotation.
    f.id(0)->setText("1");
    f.id(9)->setText("9");
    f.title()->setText("t");
    f.view()->setPlainText("typed");
    f.win.open(true);
    QVERIFY(f.quotation()->isEnabled());
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("typed"));
    QCOMPARE(f.id(9)->text(), QStringLiteral("9"));
    QVERIFY(f.ok()->isEnabled());

    f.win.close();
    f.win.open(true);
    for (int i = 0; i < TMailform::kIds; ++i) QVERIFY(f.id(i)->text().isEmpty());
    QVERIFY(f.title()->text().isEmpty());
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("署名\n"));
    QVERIFY(!f.ok()->isEnabled());
  }

  void quotationButtonFollowsTheShownMessage() {
    Fixture f;
    TLogview& main = f.app.main();
    auto* mailButton = control<QPushButton>(&main, "BtMail");
    const QList<QPair<QPair<QString, QString>, bool>> rows{
        {{"", ""}, false}, {{"title", ""}, false}, {{"", "12"}, false}, {{"title", "12"}, true}};
    for (const auto& [fields, enabled] : rows) {
      control<QLineEdit>(&main, "Title")->setText(fields.first);
      control<QLineEdit>(&main, "IDnum")->setText(fields.second);
      mailButton->click();
      QVERIFY(f.win.isVisible());
      QCOMPARE(f.quotation()->isEnabled(), enabled);
    }
  }

  void okNeedsTheFirstIdAndATitle() {
    Fixture f;
    f.win.open(false);
    struct Row {
      int field;
      QString title;
      bool enabled;
    };
    const QList<Row> rows{{0, "", false}, {0, "t", true}, {1, "t", false}, {9, "t", false}};
    for (const Row& row : rows) {
      for (int i = 0; i < TMailform::kIds; ++i) f.id(i)->clear();
      f.title()->setText(row.title);
      f.id(row.field)->setText("12");
      QCOMPARE(f.ok()->isEnabled(), row.enabled);
    }
    f.id(0)->setText("12");
    f.title()->clear();
    QVERIFY(!f.ok()->isEnabled());
  }

  void idPickFromTheNameList() {
    Fixture f;
    f.dir.write("pelarin.nam", sj("ホスト\r\n  0042 太郎            \r\n  12ab x\r\n"));
    f.win.open(false);
    f.title()->setText("t");
    QVERIFY(f.rightPress(f.id(3), [&] {
      QCOMPARE(f.app.input().windowTitle(), QStringLiteral("ホスト ID List"));
      QCOMPARE(entries(f.app.input())->count(), 2);
      entries(f.app.input())->setCurrentRow(0);
      control<QPushButton>(&f.app.input(), "BitBtn1")->click();
    }));
    QCOMPARE(f.id(3)->text(), QStringLiteral("42"));
    QVERIFY(!f.ok()->isEnabled());
    f.pick(f.id(0), 0);
    QCOMPARE(f.id(0)->text(), QStringLiteral("42"));
    QVERIFY(f.ok()->isEnabled());
    QVERIFY(f.platform.boxes.empty());

    // An entry without a number: the error is shown, the field keeps its text.
    f.pick(f.id(0), 1);
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(f.platform.boxes[0].text, QStringLiteral("'12ab' は整数ではありません"));
    QCOMPARE(f.id(0)->text(), QStringLiteral("42"));

    // Cancel after selecting: unchanged, no box.
    QVERIFY(f.rightPress(f.id(0), [&] {
      entries(f.app.input())->setCurrentRow(1);
      control<QPushButton>(&f.app.input(), "BitBtn2")->click();
    }));
    QCOMPARE(f.id(0)->text(), QStringLiteral("42"));
    QCOMPARE(f.platform.boxes.size(), size_t(1));

    // No name list: nothing opens.
    QFile::remove(f.dir.file("pelarin.nam"));
    QVERIFY(!f.rightPress(f.id(0), [] {}));
    QCOMPARE(f.id(0)->text(), QStringLiteral("42"));
  }

  void quotationRebuildsTheTextFromTheShownMessage() {
    Fixture f;
    f.dir.write("sig.txt", sj("署名\r\n"));
    f.storeMessage(1, kKeys77, sj("本文一\r\n\r\n  二  \r\n"));
    f.win.open(true);
    f.id(0)->setText("5");
    f.id(1)->setText("6");
    f.title()->setText("t");
    f.view()->setPlainText("typed");
    for (int twice = 0; twice < 2; ++twice) {
      f.quotation()->click();
      QCOMPARE(f.id(0)->text(), QStringLiteral("77"));
      QCOMPARE(f.id(1)->text(), QStringLiteral("6"));
      QCOMPARE(f.title()->text(), QStringLiteral("t"));
      const QStringList lines = f.view()->toPlainText().split('\n');
      QCOMPARE(lines.size(), 8);
      QCOMPARE(lines[0], QString(24, '-') + "山田さんへのレスです" + QString(24, '-'));
      QCOMPARE(lines.mid(1, 4), QStringList({">本文一", ">", ">  二  ", "署名"}));
      QVERIFY(lines[5].startsWith(QString(17, '-')));
      QVERIFY(lines[5].endsWith(" written by Pelarin" + QString(17, '-')));
      // One empty line at the end, then the line the last break opens.
      QCOMPARE(lines.mid(6), QStringList({"", ""}));
    }
    QVERIFY(f.platform.boxes.empty());
  }

  void quotationLeavesEverythingWhenThereIsNothingToQuote() {
    struct Row {
      const char* what;
      int mesCount;
      Bytes keys;
      bool error;
    };
    const QList<Row> rows{
        {"no message", 0, kKeys77, false},
        {"file area", 1, sj("30002\r\n12\r\nfile.lzh\r\n\r\n0\r\nup\r\n"), false},
        {"board key not a number", 1, sj("x\r\n12\r\nt\r\n\r\n77\r\nn\r\n"), true},
        {"message file missing", 1, Bytes(), true},
    };
    for (const Row& row : rows) {
      Fixture f;
      if (!row.keys.empty()) f.storeMessage(1, row.keys, "body\r\n");
      f.state.MesCount = row.mesCount;
      f.state.CurrentMes = row.mesCount;
      f.win.open(true);
      f.id(0)->setText("5");
      f.view()->setPlainText("typed");
      f.quotation()->click();
      QVERIFY2(f.id(0)->text() == "5", row.what);
      QVERIFY2(f.view()->toPlainText() == "typed", row.what);
      QVERIFY2(f.platform.boxes.size() == (row.error ? 1u : 0u), row.what);
    }
  }

  void okWritesTheMailRecord() {
    struct Row {
      QStringList ids;
      Bytes idLines;
    };
    const QList<Row> rows{
        {{"1"}, "1\r\n\r\n"},
        {{"1", "", "3"}, "1\r\n\r\n"},
        {{"1", "2", "3"}, "1\r\n2\r\n3\r\n\r\n"},
        {{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
         "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"},
    };
    for (const Row& row : rows) {
      Fixture f;
      f.win.open(false);
      for (int i = 0; i < row.ids.size(); ++i) f.id(i)->setText(row.ids[i]);
      f.title()->setText("件名");
      f.view()->setPlainText("a\n\nb\n");
      f.ok()->click();
      QVERIFY(!f.win.isVisible());
      QCOMPARE(f.dir.read("upload.txt"),
               "M\r\nW\r\n" + row.idLines + sj("件名") + "\r\na\r\n\r\nb\r\n/es\r\nE\r\n");
    }
  }

  void failedWriteKeepsTheWindowAndItsText() {
    Fixture f;
    f.state.TextFileDir = f.state.WorkDir + "missing/";
    f.win.open(false);
    f.id(0)->setText("12");
    f.title()->setText("t");
    f.view()->setPlainText("body");
    f.ok()->click();
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QVERIFY(f.win.isVisible());
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("body"));

    // A character without a code page 932 form is named; nothing is written.
    f.state.TextFileDir.clear();
    f.view()->setPlainText("body 😀");
    f.ok()->click();
    QCOMPARE(f.platform.boxes.size(), size_t(2));
    QVERIFY(f.platform.boxes[1].text.contains(QStringLiteral("U+1F600")));
    QVERIFY(f.win.isVisible());
    QVERIFY(!f.dir.exists("upload.txt"));

    f.view()->setPlainText("body");
    f.ok()->click();
    QVERIFY(!f.win.isVisible());
    QCOMPARE(f.dir.read("upload.txt"), Bytes("M\r\nW\r\n12\r\n\r\nt\r\nbody\r\n/es\r\nE\r\n"));
  }

  void countersFollowTheCaret() {
    Fixture f;
    f.win.open(false);
    auto* letters = control<QLabel>(&f.win, "letternum");
    f.view()->setPlainText(QString(73, 'a'));
    QTest::keyClick(f.view(), Qt::Key_End);
    QCOMPARE(letters->text(), QStringLiteral("73"));
    QCOMPARE(letters->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x00));
    f.win.close();
    f.win.open(false);
    QCOMPARE(letters->text(), QStringLiteral("0"));
    QCOMPARE(letters->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x00));
  }
};

QTEST_MAIN(MailwinTest)
#include "mailwin_test.moc"
