// The Response window: what it answers and quotes, when it shows, the title
// rule, and what OK writes or keeps when writing fails.
#include "gui/compose/reswin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>

#include "compose_testing.h"
#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/editorparts.h"
#include "gui/compose/quotesource.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

const char* const kBody[] = {"あいうえお", "line one", "二行目の途中まで", "line three", "四行目", "last"};

// Board 5 message 123, IBBS 3, the "BF" board with no body, mail, file area 2.
Bytes answerLog() {
  std::vector<Bytes> body;
  for (const char* l : kBody) body.push_back(sj(l));
  return sj("● [ BBS5 雑談\r\n") + countedMessage(123, sj("花見の話"), "1001", sj("山田太郎"), body) +
         sj("● [ IBBS3 全国\r\n") + countedMessage(45, "ibbs", "2002", "ito", {"i"}) +
         sj("[ ＢbsＦ ] コマンド？\r\n") + countedMessage(9, "bf", "3003", "y", {}) +
         sj("[ Ｍail ] コマンド？\r\n") + countedMessage(0, "mail", "0", "sender", {"m"}) +
         sj("● [ FSW2 ファイル\r\n") + fileAreaMessage(12, "uploader", "file.lzh", {"listing"}) +
         "[ AUTO ] off\r\n";
}

QStringList q(const std::vector<Bytes>& lines) {
  QStringList out;
  for (const Bytes& l : lines) out << toQ(l);
  return out;
}

const QString kRule24 = QString(24, QLatin1Char('-'));
const QString kRule17 = QString(17, QLatin1Char('-'));

QString footer() { return kRule17 + toQ(todayShortDate()) + QStringLiteral(" written by Pelarin") + kRule17; }

class Session {
 public:
  Session() : app(platform), main(app.main()), res(app.res()) {
    dir.write(QStringLiteral("a.log"), answerLog());
    platform.files.push_back(dir.file(QStringLiteral("a.log")));
    control<QAction>(&main, "Load1")->trigger();
    if (main.state().MesCount != 5) qFatal("the log gave %d messages", main.state().MesCount);
  }
  ~Session() {
    res.close();
    main.close();
  }

  void show(int n) {
    while (main.state().CurrentMes < n) control<QPushButton>(&main, "BtNext")->click();
  }
  void respond() { control<QPushButton>(&main, "BtResponce")->click(); }
  QPlainTextEdit* docview() { return control<QPlainTextEdit>(&main, "Docview"); }
  EditorView* resview() { return control<EditorView>(&res, "Resview"); }
  QLineEdit* field(const char* name) { return control<QLineEdit>(&res, name); }
  QPushButton* ok() { return control<QPushButton>(&res, "BitBtn1"); }
  Bytes script() const {
    return dir.exists(QStringLiteral("upload.txt")) ? dir.read(QStringLiteral("upload.txt")) : Bytes();
  }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app;
  TLogview& main;
  TResform& res;
};

}  // namespace

class ReswinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void answersTheShownBoardAndWritesItsRecord() {
    struct Row {
      int message;
      const char* board;
      const char* number;
      const char* answered;
    };
    const Row rows[] = {{1, "B5", "123", "花見の話"}, {2, "I3", "45", "ibbs"}, {3, "BF", "9", "bf"}};
    Session s;
    size_t written = 0;
    for (const Row& r : rows) {
      s.show(r.message);
      s.respond();
      QVERIFY(s.res.isVisible());
      QCOMPARE(s.field("Boardnum")->text(), QString::fromUtf8(r.board));
      QCOMPARE(s.field("Mesnum")->text(), QString::fromUtf8(r.number));
      QCOMPARE(s.field("ResTitle")->text().trimmed(), QString::fromUtf8(r.answered));
      QCOMPARE(s.field("MesTitle")->text(), QString());
      QCOMPARE(s.res.windowTitle(), QStringLiteral("upload.txt - Responce Window"));
      QCOMPARE(waitingItemsEnabled(&s.main), 0);

      type(s.field("MesTitle"), QStringLiteral("Re"));
      s.ok()->click();
      QVERIFY(!s.res.isVisible());
      QCOMPARE(waitingItemsEnabled(&s.main), 7);
      const std::vector<Bytes> record = crlfLines(s.script().substr(written));
      written = s.script().size();
      QVERIFY(record.size() >= 6);
      QCOMPARE(q({record.begin(), record.begin() + 4}),
               (QStringList{r.board, QStringLiteral("J") + r.number, "W1", "Re"}));
      QCOMPARE(q({record.end() - 2, record.end()}), (QStringList{"/es", "E"}));
    }
    QVERIFY(s.platform.boxes.empty());
  }

  void editorStartsWithHeaderQuotationSignatureAndFooter() {
    Session s;
    s.dir.write(QStringLiteral("sig.txt"), sj("署名の一行目\r\n\r\n-- Taro\r\n"));
    s.respond();
    QStringList expected{kRule24 + QStringLiteral("山田太郎さんへのレスです") + kRule24};
    for (const char* l : kBody) expected << QStringLiteral(">") + QString::fromUtf8(l);
    expected << QString() << QStringLiteral("署名の一行目") << QString() << QStringLiteral("-- Taro")
             << footer();
    QCOMPARE(q(s.resview()->lines()), expected);
    QCOMPARE(s.resview()->textCursor().position(), 0);
    s.res.close();

    // A message with no body: the header, the empty line, the signature, the footer.
    s.dir.write(QStringLiteral("sig.txt"), "sig\r\n");
    s.show(3);
    s.respond();
    QCOMPARE(q(s.resview()->lines()), (QStringList{kRule24 + QStringLiteral("yさんへのレスです") + kRule24,
                                                   QString(), "sig", footer()}));
  }

  void theViewersSelectionChoosesTheQuotedLines() {
    struct Row {
      int firstLine, firstColumn, lastLine, lastColumn;
      int from, to;  // quoted body lines, both -1 for all
    };
    const Row rows[] = {
        {2, 3, 4, 1, 2, 4},    // middle of line 2 to the middle of line 4
        {2, 0, 4, 0, 2, 4},    // ending at the first position of a line still quotes it
        {1, 0, 1, 8, 1, 1},    // the end of a line belongs to that line
        {1, 0, 2, 2, 1, 2},    // line 0 holds double-byte characters: positions are bytes
        {0, 5, 0, 5, -1, -1},  // nothing selected
    };
    Session s;
    for (const Row& r : rows) {
      QTextDocument* document = s.docview()->document();
      QTextCursor cursor(document);
      cursor.setPosition(document->findBlockByNumber(r.firstLine).position() + r.firstColumn);
      cursor.setPosition(document->findBlockByNumber(r.lastLine).position() + r.lastColumn,
                         QTextCursor::KeepAnchor);
      s.docview()->setTextCursor(cursor);
      s.respond();
      QCOMPARE(s.main.state().SelFirstLine, r.from);
      QCOMPARE(s.main.state().SelLastLine, r.to);
      QStringList quoted;
      for (int i = r.from < 0 ? 0 : r.from; i <= (r.to < 0 ? 5 : r.to); ++i)
        quoted << QStringLiteral(">") + QString::fromUtf8(kBody[i]);
      quoted << QString();
      QCOMPARE(q(s.resview()->lines()).mid(1, quoted.size()), quoted);
      s.res.close();
    }
  }

  void reopeningOnlyRaisesTheWindow() {
    Session s;
    s.respond();
    QCOMPARE(s.res.focusWidget(), s.field("MesTitle"));
    QVERIFY(!s.ok()->isEnabled());
    type(s.field("MesTitle"), QStringLiteral("x"));
    QVERIFY(s.ok()->isEnabled());
    QTest::keyClick(s.field("MesTitle"), Qt::Key_Backspace);
    QVERIFY(!s.ok()->isEnabled());
    type(s.field("MesTitle"), QStringLiteral("題名"));
    s.resview()->moveCursor(QTextCursor::End);
    type(s.resview(), QStringLiteral("追記"));

    QSignalSpy composing(&s.res, &ComposerWindow::composing);
    s.show(2);
    s.respond();
    QCOMPARE(composing.count(), 0);
    QCOMPARE(s.field("Boardnum")->text(), QStringLiteral("B5"));
    QCOMPARE(s.field("MesTitle")->text(), QStringLiteral("題名"));
    QVERIFY(s.resview()->toPlainText().endsWith(QStringLiteral("追記")));
  }

  void countersStartAtZeroAndKeepTheirColour() {
    Session s;
    s.main.state().AlarmLetters = 10;
    s.respond();
    QLabel* letters = control<QLabel>(&s.res, "letternum");
    QTest::keyClick(s.resview(), Qt::Key_End);
    QCOMPARE(letters->text(), QStringLiteral("72"));
    const QColor red(0xFF, 0x00, 0x00);
    QCOMPARE(letters->palette().color(QPalette::Window), red);
    control<QPushButton>(&s.res, "BitBtn2")->click();
    QCOMPARE(waitingItemsEnabled(&s.main), 7);
    s.respond();
    QCOMPARE(letters->text(), QStringLiteral("0"));
    QCOMPARE(control<QLabel>(&s.res, "linenum")->text(), QStringLiteral("0"));
    QCOMPARE(letters->palette().color(QPalette::Window), red);
  }

  void whatCannotBeAnsweredIsNotShown() {
    struct Row {
      const char* what;
      int message;
      const char* keyFile;  // replaces the message's file; null keeps it
      const char* box;      // the error shown, or null
    };
    const Row rows[] = {
        {"mail", 4, nullptr, nullptr},
        {"file area", 5, nullptr, nullptr},
        {"bad key line", 1, "x\r\n1\r\nt\r\n\r\n0\r\nn\r\n", "'x' は整数ではありません"},
        {"missing file", 1, "", ""},
    };
    for (const Row& r : rows) {
      Session s;
      s.show(r.message);
      if (r.keyFile && *r.keyFile) s.dir.write(QStringLiteral("mes1.tmp"), r.keyFile);
      if (r.keyFile && !*r.keyFile) QFile::remove(s.dir.file(QStringLiteral("mes1.tmp")));
      QSignalSpy composing(&s.res, &ComposerWindow::composing);
      // The main window offers no response for mail and files; the command itself still refuses them.
      QVERIFY(runCommand(s.platform, &s.main, [&] { s.res.open(*s.docview()); }) == !r.box);
      QVERIFY2(!s.res.isVisible(), r.what);
      QCOMPARE(composing.count(), 0);
      QCOMPARE(waitingItemsEnabled(&s.main), 7);
      QCOMPARE(s.platform.boxes.size(), size_t{r.box ? 1u : 0u});
      if (r.box && *r.box) QCOMPARE(s.platform.boxes[0].text, QString::fromUtf8(r.box));
    }

    // An empty store.
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    app.res().open(*control<QPlainTextEdit>(&app.main(), "Docview"));
    QVERIFY(!app.res().isVisible());
    QCOMPARE(waitingItemsEnabled(&app.main()), 7);
    app.main().close();
  }

  void aFailedWriteKeepsTheCompositionForTheNextTry() {
    Session s;
    s.main.state().TextFileDir = toBytes(s.dir.file(QStringLiteral("missing/")));
    s.respond();
    type(s.field("MesTitle"), QStringLiteral("題"));
    s.resview()->setPlainText(QStringLiteral("本文\n"));
    s.ok()->click();
    QCOMPARE(s.platform.boxes.size(), size_t{1});
    QCOMPARE(s.platform.boxes[0].kind, BoxKind::Error);
    QVERIFY(s.res.isVisible());
    QCOMPARE(s.field("MesTitle")->text(), QStringLiteral("題"));
    QCOMPARE(s.resview()->toPlainText(), QStringLiteral("本文\n"));
    QCOMPARE(waitingItemsEnabled(&s.main), 0);

    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("missing")));
    s.ok()->click();
    QVERIFY(!s.res.isVisible());
    QCOMPARE(s.dir.read(QStringLiteral("missing/upload.txt")),
             sj("B5\r\nJ123\r\nW1\r\n題\r\n本文\r\n/es\r\nE\r\n"));
  }

  void theFirstRecordAsksWhetherToReplaceTheScript() {
    for (const BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
      Session s;
      s.dir.write(QStringLiteral("upload.txt"), "old\r\n");
      s.platform.answers.push_back(answer);
      for (const char* title : {"one", "two"}) {
        s.respond();
        type(s.field("MesTitle"), QString::fromUtf8(title));
        s.resview()->clear();
        s.ok()->click();
      }
      QCOMPARE(s.platform.boxes.size(), size_t{1});
      QCOMPARE(s.platform.boxes[0].kind, BoxKind::Warning);
      QCOMPARE(s.platform.boxes[0].buttons, BoxButtons::YesNoDefaultNo);
      QCOMPARE(s.platform.boxes[0].text, QStringLiteral("upload.txt - 前回のメッセージに上書きしますか？"));
      const Bytes records = "B5\r\nJ123\r\nW1\r\none\r\n/es\r\nE\r\nB5\r\nJ123\r\nW1\r\ntwo\r\n/es\r\nE\r\n";
      QCOMPARE(s.script(), answer == BoxAnswer::Yes ? records : "old\r\n" + records);
    }
  }

  void theTitleIsKeptToItsBytesAndNeverLost() {
    Session s;
    s.respond();
    QLineEdit* title = s.field("MesTitle");
    type(title, QString(17, QChar(0x3042)));  // あ: two bytes each
    QCOMPARE(title->text(), QString(16, QChar(0x3042)));
    title->clear();
    type(title, QStringLiteral("abc"));
    title->setCursorPosition(1);
    title->insert(QString(20, QChar(0x3044)));  // a paste of い, cut to the room left
    QCOMPARE(title->text(), QStringLiteral("a") + QString(14, QChar(0x3044)) + QStringLiteral("bc"));

    // OK reached without a title (the button is disabled then): the window stays with its text.
    title->clear();
    s.resview()->setPlainText(QStringLiteral("keep"));
    Q_EMIT s.ok()->clicked();
    QCOMPARE(s.platform.boxes.size(), size_t{1});
    QCOMPARE(s.platform.boxes[0].text, QStringLiteral("Title is Empty !"));
    QCOMPARE(s.platform.boxes[0].kind, BoxKind::Error);
    QVERIFY(s.res.isVisible());
    QCOMPARE(s.resview()->toPlainText(), QStringLiteral("keep"));
    QVERIFY(!s.dir.exists(QStringLiteral("upload.txt")));

    // A character the host's code cannot carry is reported, and nothing is lost either.
    type(title, QStringLiteral("t"));
    s.resview()->setPlainText(QStringLiteral("smile \U0001F600"));
    s.ok()->click();
    QCOMPARE(s.platform.boxes.size(), size_t{2});
    QCOMPARE(s.platform.boxes[1].kind, BoxKind::Error);
    QVERIFY(s.res.isVisible());
    QVERIFY(!s.dir.exists(QStringLiteral("upload.txt")));
  }
  void bytesWithoutAUnicodeFormGoBackOutAsTheLogHeldThem() {
    // Windows' forms (0x80, 0xA0, 0xFD-0xFF), an unassigned code whose trail is 0x5C, half a character.
    const std::vector<Bytes> body{
        "a\x80"
        "b",
        "\xA0", "\xFD\xFE\xFF", "\x85\x5C\x85\x40", "tail\x82"};
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    dir.write(QStringLiteral("odd.log"),
              sj("● [ BBS5 雑談\r\n") + countedMessage(7, "odd", "1001", "name", body) + "[ AUTO ] off\r\n");
    platform.files.push_back(dir.file(QStringLiteral("odd.log")));
    control<QAction>(&app.main(), "Load1")->trigger();
    QCOMPARE(app.main().state().MesCount, 1);
    const QString shown = control<QPlainTextEdit>(&app.main(), "Docview")->toPlainText();
    QCOMPARE(shown.split(QLatin1Char('\n')).mid(3, 2),
             (QStringList{QStringLiteral("\uFFFD\uFFFD"), QStringLiteral("tail\uFFFD")}));

    control<QPushButton>(&app.main(), "BtResponce")->click();
    auto* editor = control<EditorView>(&app.res(), "Resview");
    QVERIFY(!editor->toPlainText().contains(QChar(0xFFFD)));
    type(control<QLineEdit>(&app.res(), "MesTitle"), QStringLiteral("Re"));
    control<QPushButton>(&app.res(), "BitBtn1")->click();
    QVERIFY(platform.boxes.empty());
    QVERIFY(!app.res().isVisible());
    const Bytes script = dir.read(QStringLiteral("upload.txt"));
    for (const Bytes& line : body) QVERIFY2(script.find(line + "\r\n") != Bytes::npos, line.c_str());
    app.main().close();
  }
};

QTEST_MAIN(ReswinTest)
#include "reswin_test.moc"
