// The New Message window: its opening, the OK rule, the title's byte limit,
// the board pick, and the record it writes to the upload script.
#include "gui/compose/newwin.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "support/picklist.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);

const char* const kWaitingItems[] = {"Load1",      "Append1",    "LoadBBSFile1", "Directry1",
                                     "Quotation1", "Signature1", "Relevance1"};

struct Fixture {
  Fixture() : app(platform), win(app.newMessage()), state(app.main().state()) {}
  ~Fixture() {
    win.close();
    app.mail().close();
    app.main().close();
  }

  QLineEdit* board() { return control<QLineEdit>(&win, "Boardnum"); }
  QLineEdit* title() { return control<QLineEdit>(&win, "MesTitle"); }
  QPlainTextEdit* view() { return control<QPlainTextEdit>(&win, "NewView"); }
  QPushButton* ok() { return control<QPushButton>(&win, "BitBtn1"); }
  QLabel* label(const char* name) { return control<QLabel>(&win, name); }

  // A right-button press on Boardnum while `inside` drives the pick list; true when it came up.
  bool rightPress(const std::function<void()>& inside) {
    const auto opened = whilePicking(app.input(), inside);
    QTest::mousePress(board(), Qt::RightButton);
    QCoreApplication::processEvents();
    return *opened;
  }

  bool menuItemsEnabled() {
    size_t enabled = 0;
    for (const char* name : kWaitingItems)
      enabled += control<QAction>(&app.main(), name)->isEnabled() ? 1u : 0u;
    if (enabled != 0 && enabled != std::size(kWaitingItems)) qFatal("the seven items disagree");
    return enabled != 0;
  }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app;
  TNewform& win;
  AppState& state;
};

QColor background(QLabel* label) { return label->palette().color(QPalette::Window); }

}  // namespace

class NewwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void captionNamesTheUploadScriptOfTheAssociation() {
    struct Row {
      Bytes listFileName;
      BbsEntry entry;
      QString caption;
    };
    const QList<Row> rows{
        {"pelarin", {}, "upload.txt - New Message Window"},
        {"pelarin", {"PELARIN", "", "HostUP"}, "hostup.txt - New Message Window"},
        {"", {"", "", "Plain"}, "plain.txt - New Message Window"},
        {"other", {"", "", "Plain"}, "upload.txt - New Message Window"},
    };
    for (const Row& row : rows) {
      Fixture f;
      f.state.ListFileName = row.listFileName;
      f.state.BbsTable[2] = row.entry;
      f.win.open();
      QCOMPARE(f.win.windowTitle(), row.caption);
    }
  }

  void openingClearsTheFieldsAndStartsWithTheSignature() {
    Fixture f;
    f.dir.write("sig.txt", sj("署名\r\n\r\n-- end\r\n"));
    f.state.NewTop = 30;
    f.state.NewLeft = 50;
    f.win.open();
    QVERIFY(f.win.isVisible());
    QCOMPARE(f.win.pos(), QPoint(50, 30));
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("署名\n\n-- end\n"));
    QCOMPARE(f.view()->textCursor().position(), 0);
    QVERIFY(f.board()->text().isEmpty() && f.title()->text().isEmpty());
    QVERIFY(!f.ok()->isEnabled());
    QVERIFY(!f.menuItemsEnabled());

    // A second New Message while open leaves the composition alone.
    f.board()->setText("B3");
    f.title()->setText("half");
    f.view()->setPlainText("half written");
    f.state.ListFileName = "elsewhere";
    f.state.BbsTable[0] = {"elsewhere", "", "other"};
    f.win.open();
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("half written"));
    QCOMPARE(f.board()->text(), QStringLiteral("B3"));
    QCOMPARE(f.title()->text(), QStringLiteral("half"));
    QVERIFY(f.ok()->isEnabled());
    QCOMPARE(f.win.windowTitle(), QStringLiteral("upload.txt - New Message Window"));

    // Cancel, then the next opening fills everything again.
    control<QPushButton>(&f.win, "BitBtn2")->click();
    QVERIFY(!f.win.isVisible());
    QVERIFY(f.menuItemsEnabled());
    QFile::remove(f.dir.file("sig.txt"));
    f.win.open();
    QVERIFY(f.view()->toPlainText().isEmpty());
    QVERIFY(f.board()->text().isEmpty() && f.title()->text().isEmpty());
    QVERIFY(!f.ok()->isEnabled());
    QCOMPARE(f.win.windowTitle(), QStringLiteral("other.txt - New Message Window"));
  }

  void okRuleOnBoardAndTitle() {
    Fixture f;
    f.win.open();
    const QList<QPair<QString, bool>> boards{{"B", false},  {"B1", true},  {"B12", true},  {"BF", true},
                                             {"IF", false}, {"I9", true},  {"I100", true}, {"B1x", true},
                                             {"b1", false}, {"B0", false}, {"BX", false},  {"F1", false},
                                             {"Ｂ1", true}, {"", false}};  // the field shows "B1"
    for (const auto& [board, enabled] : boards) {
      f.title()->setText("title");
      f.board()->setText(board);
      QVERIFY2(f.ok()->isEnabled() == enabled, qPrintable(board));
      // Deleting the title disables OK again; typing it back runs the rule.
      f.title()->clear();
      QVERIFY(!f.ok()->isEnabled());
      f.title()->setText("t");
      QVERIFY2(f.ok()->isEnabled() == enabled, qPrintable(board));
    }
  }

  void typingLimits() {
    Fixture f;
    f.win.open();
    QTest::keyClicks(f.board(), "B1234");
    QCOMPARE(f.board()->text(), QStringLiteral("B123"));
    QVERIFY(!f.board()->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(f.title()->testAttribute(Qt::WA_InputMethodEnabled));

    // 32 bytes: sixteen double-byte characters fill the title.
    f.title()->insert(QString(16, QChar(u'あ')));
    QTest::keyClicks(f.title(), "x");
    QCOMPARE(f.title()->text(), QString(16, QChar(u'あ')));

    // A paste is cut to fit, never inside a character.
    const QList<QPair<QString, QString>> pastes{
        {"a" + QString(16, QChar(u'漢')), "a" + QString(15, QChar(u'漢'))},
        {"ab" + QString(16, QChar(u'漢')), "ab" + QString(15, QChar(u'漢'))},
        {QString(40, QChar(u'z')), QString(32, QChar(u'z'))},
    };
    for (const auto& [paste, kept] : pastes) {
      f.title()->clear();
      f.title()->insert(paste);
      QCOMPARE(f.title()->text(), kept);
    }
    // Inserted in the middle: the end of the insertion is dropped, the old text stays.
    f.title()->setText(QString(30, QChar(u'a')));
    f.title()->setCursorPosition(10);
    f.title()->insert(QStringLiteral("XYZ"));
    QCOMPARE(f.title()->text(), QString(10, QChar(u'a')) + "XY" + QString(20, QChar(u'a')));
    QCOMPARE(f.title()->cursorPosition(), 12);
    // The last byte cannot take a double-byte character.
    f.title()->setText(QString(31, QChar(u'a')));
    f.title()->insert(QStringLiteral("あ"));
    QCOMPARE(f.title()->text(), QString(31, QChar(u'a')));
  }

  void boardPick() {
    Fixture f;
    f.dir.write("pelarin.bod", sj("ホスト\r\nB12   雑談                \r\nB7  Ｎame\r\nB3    三\r\n"));
    f.win.open();
    f.title()->setText("t");

    QVERIFY(f.rightPress([&] {
      QCOMPARE(f.app.input().windowTitle(), QStringLiteral("ホスト Board List"));
      entries(f.app.input())->setCurrentRow(0);
      control<QPushButton>(&f.app.input(), "BitBtn1")->click();
    }));
    QCOMPARE(f.board()->text(), QStringLiteral("B12"));
    QVERIFY(f.ok()->isEnabled());

    // The first five bytes may end inside a double-byte character: those bytes
    // show as they decode, and the field takes five characters.
    f.board()->clear();
    QVERIFY(f.rightPress([&] {
      entries(f.app.input())->setCurrentRow(1);
      control<QPushButton>(&f.app.input(), "BitBtn1")->click();
    }));
    QCOMPARE(f.board()->text().left(4), QStringLiteral("B7  "));
    QCOMPARE(f.board()->text().toUcs4().size(), 5);
    QVERIFY(f.ok()->isEnabled());
    // Typing still stops at four characters.
    const QString picked = f.board()->text();
    f.board()->end(false);
    QTest::keyClicks(f.board(), "x");
    QCOMPARE(f.board()->text(), picked);
    QTest::keyClick(f.board(), Qt::Key_Backspace);
    QTest::keyClick(f.board(), Qt::Key_Backspace);
    QTest::keyClicks(f.board(), "xy");
    QCOMPARE(f.board()->text(), QStringLiteral("B7 x"));

    // A cancelled pick keeps the field, even after a selection.
    f.board()->setText("B3");
    QVERIFY(f.rightPress([&] {
      entries(f.app.input())->setCurrentRow(0);
      control<QPushButton>(&f.app.input(), "BitBtn2")->click();
    }));
    QCOMPARE(f.board()->text(), QStringLiteral("B3"));

    // A list of its title alone offers nothing.
    f.dir.write("pelarin.bod", sj("ホスト\r\n"));
    QVERIFY(f.rightPress([&] {
      QCOMPARE(entries(f.app.input())->count(), 0);
      QVERIFY(!control<QPushButton>(&f.app.input(), "BitBtn1")->isEnabled());
    }));
    QCOMPARE(f.board()->text(), QStringLiteral("B3"));

    // No list file: nothing opens.
    QFile::remove(f.dir.file("pelarin.bod"));
    QVERIFY(!f.rightPress([] {}));
    QCOMPARE(f.board()->text(), QStringLiteral("B3"));
    QVERIFY(f.platform.boxes.empty());
  }

  void okWritesTheRecordAndCloses() {
    Fixture f;
    f.state.UploadRewrite = 0;
    f.win.open();
    f.board()->setText("B12");
    f.title()->setText("題名");
    f.view()->setPlainText("一行目\n\n  three  \n");
    f.ok()->click();
    QVERIFY(!f.win.isVisible());
    QVERIFY(f.menuItemsEnabled());
    const Bytes first =
        "B12\r\nW\r\n" + sj("題名") + "\r\n" + sj("一行目") + "\r\n\r\n  three  \r\n/es\r\nE\r\n";
    QCOMPARE(f.dir.read("upload.txt"), first);

    // A second record goes to the end without a question; an empty text gives no body.
    f.win.open();
    f.board()->setText("BF");
    f.title()->setText("t");
    f.ok()->click();
    QCOMPARE(f.dir.read("upload.txt"), first + "BF\r\nW\r\nt\r\n/es\r\nE\r\n");
    QVERIFY(f.platform.boxes.empty());
  }

  void firstRecordAsksWhetherToReplaceTheScript() {
    for (const BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
      Fixture f;
      f.dir.write("upload.txt", "old\r\n");
      f.state.UploadRewrite = 1;
      f.platform.answers.push_back(answer);
      f.win.open();
      f.board()->setText("I3");
      f.title()->setText("t");
      f.ok()->click();
      QCOMPARE(f.platform.boxes.size(), size_t(1));
      QCOMPARE(f.platform.boxes[0].kind, BoxKind::Warning);
      QCOMPARE(f.platform.boxes[0].buttons, BoxButtons::YesNoDefaultNo);
      QCOMPARE(f.platform.boxes[0].text, QStringLiteral("upload.txt - 前回のメッセージに上書きしますか？"));
      const Bytes record = "I3\r\nW\r\nt\r\n/es\r\nE\r\n";
      QCOMPARE(f.dir.read("upload.txt"), answer == BoxAnswer::Yes ? record : "old\r\n" + record);
      QCOMPARE(f.state.UploadRewrite, 0);
    }
  }

  void failedWriteKeepsTheWindowAndItsText() {
    Fixture f;
    f.state.UploadRewrite = 0;
    f.state.TextFileDir = f.state.WorkDir + "missing/";
    f.win.open();
    f.board()->setText("B5");
    f.title()->setText("t");
    f.view()->setPlainText("body");
    f.ok()->click();
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Error);
    QVERIFY(f.win.isVisible());
    QVERIFY(!f.menuItemsEnabled());
    QCOMPARE(f.view()->toPlainText(), QStringLiteral("body"));
    QCOMPARE(f.board()->text(), QStringLiteral("B5"));

    f.state.TextFileDir.clear();
    f.ok()->click();
    QVERIFY(!f.win.isVisible());
    QCOMPARE(f.dir.read("upload.txt"), Bytes("B5\r\nW\r\nt\r\nbody\r\n/es\r\nE\r\n"));
  }

  void oneOkNamesEveryCharacterOfEveryFieldWithItsCaption() {
    Fixture f;
    f.win.open();
    f.board()->setText("B5");
    f.title()->setText(QStringLiteral("t\u2665\u00A0"));
    f.view()->setPlainText(QStringLiteral("a\u200Bb\nsmile 😀\n\u304B\u3099"));
    f.ok()->click();
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].text, QStringLiteral("Characters that cannot be sent in Shift-JIS:\n"
                                                      "Title: \"\u2665\" (U+2665) NO-BREAK SPACE (U+00A0)\n"
                                                      "Text: ZERO WIDTH SPACE (U+200B) \"😀\" (U+1F600)"));
    QVERIFY(f.win.isVisible());
    QVERIFY(!f.dir.exists("upload.txt"));

    // What is left after the user removes them goes out, the voiced kana composed.
    f.state.TextFileDir.clear();
    f.title()->setText(QStringLiteral("t"));
    f.view()->setPlainText(QStringLiteral("ab\n\u304B\u3099"));
    f.ok()->click();
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.dir.read("upload.txt"), Bytes("B5\r\nW\r\nt\r\nab\r\n\x82\xAA\r\n/es\r\nE\r\n"));
  }

  void characterWithoutAFormIsNamedAndNothingWritten() {
    const QList<QPair<const char*, QString>> places{{"NewView", QStringLiteral("smile 😀")},
                                                    {"MesTitle", QStringLiteral("t😀")}};
    for (const auto& [where, text] : places) {
      Fixture f;
      f.win.open();
      f.board()->setText("B5");
      f.title()->setText("t");
      if (QString(where) == "NewView")
        f.view()->setPlainText(text);
      else
        f.title()->setText(text);
      QVERIFY(f.ok()->isEnabled());
      f.ok()->click();
      QCOMPARE(f.platform.boxes.size(), size_t(1));
      QVERIFY(f.platform.boxes[0].text.contains(QStringLiteral("😀")));
      QVERIFY(f.platform.boxes[0].text.contains(QStringLiteral("U+1F600")));
      QVERIFY(!f.dir.exists("upload.txt"));
      QVERIFY(f.win.isVisible());
    }
  }

  void closingEnablesTheMenuWhileAnotherComposerIsOpen() {
    Fixture f;
    QVERIFY(f.menuItemsEnabled());
    control<QPushButton>(&f.app.main(), "BtNewmes")->click();
    QVERIFY(f.win.isVisible());
    QVERIFY(!f.menuItemsEnabled());
    control<QPushButton>(&f.app.main(), "BtMail")->click();
    QVERIFY(f.app.mail().isVisible());
    f.win.close();
    QVERIFY(f.menuItemsEnabled());
    QVERIFY(f.app.mail().isVisible());
  }

  void countersColourAndResetAtOpening() {
    Fixture f;
    f.win.open();
    const QColor normal = background(f.label("letternum"));
    struct Row {
      QString text;
      QString letters, lines;
      QColor letterColour, lineColour;
    };
    const QList<Row> rows{
        {QString(72, 'a'), "72", "1", normal, normal},
        {QString(73, 'a'), "73", "1", kYellow, normal},
        {QString(40, QChar(u'あ')), "80", "1", kYellow, normal},
        {QString(81, 'a'), "81", "1", kRed, normal},
        {QString(35, '\n'), "0", "36", normal, kYellow},
        {QString(50, '\n') + "ab", "2", "51", normal, kRed},
    };
    for (const Row& row : rows) {
      f.view()->setPlainText(row.text);
      QTest::keyClick(f.view(), Qt::Key_End, Qt::ControlModifier);
      QCOMPARE(f.label("letternum")->text(), row.letters);
      QCOMPARE(f.label("linenum")->text(), row.lines);
      QCOMPARE(background(f.label("letternum")), row.letterColour);
      QCOMPARE(background(f.label("linenum")), row.lineColour);
    }
    // The next opening shows "0" twice and keeps the red until the first key.
    f.win.close();
    f.win.open();
    QCOMPARE(f.label("letternum")->text(), QStringLiteral("0"));
    QCOMPARE(f.label("linenum")->text(), QStringLiteral("0"));
    QCOMPARE(background(f.label("linenum")), kRed);
    QTest::keyClick(f.view(), Qt::Key_Home);
    QCOMPARE(f.label("linenum")->text(), QStringLiteral("1"));
    QCOMPARE(background(f.label("linenum")), normal);
  }

  // Each opening starts in the first field, and Tab walks the fields before the
  // buttons: on a focused Cancel the space that converts a title, or Ctrl+Space
  // switching the input method on, would throw the composition away.
  void focusStartsInTheFirstFieldAndTabReachesTheTitle() {
    Fixture f;
    TMailform& mail = f.app.mail();
    const struct {
      ComposerWindow* win;
      std::function<void()> open;
      QWidget* first;
      QWidget* afterTab;
    } rows[] = {
        {&f.win, [&] { f.win.open(); }, f.board(), f.title()},
        {&mail, [&] { mail.open(false); }, control<QLineEdit>(&mail, "ID0"),
         control<QLineEdit>(&mail, "ID1")},
    };
    for (const auto& r : rows) {
      const QString name = r.win->windowTitle();
      for (int opening = 0; opening < 2; ++opening) {
        r.open();
        r.win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(r.win));
        QVERIFY2(r.win->focusWidget() == r.first, qPrintable(name));
        QTest::keyClick(r.first, Qt::Key_Tab);
        QVERIFY2(r.win->focusWidget() == r.afterTab, qPrintable(name));
        // Left on Cancel, as a click leaves it.
        control<QPushButton>(r.win, "BitBtn2")->setFocus();
        r.win->close();
      }
    }
  }
};

QTEST_MAIN(NewwinTest)
#include "newwin_test.moc"
