// A response written through the main window from a sample log to the bytes of
// the upload script: selection, quotation, signature, footer, the question
// about the old script, and a second record added after it.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

#include "compose_testing.h"
#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/quotesource.h"
#include "gui/compose/reswin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

void showMessage(TLogview& main, const char* board, const char* number) {
  for (int n = 1; n <= main.state().MesCount; ++n) {
    if (control<QLineEdit>(&main, "BoadNumber")->text() == QLatin1String(board) &&
        control<QLineEdit>(&main, "Mesnumber")->text() == QLatin1String(number))
      return;
    control<QPushButton>(&main, "BtNext")->click();
  }
  qFatal("no message %s %s", board, number);
}

}  // namespace

class ComposeFlowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void responsesReachTheUploadScript() {
    WorkDir dir;
    dir.write(QStringLiteral("sig.txt"), sj("-- 山田太郎\r\nyamada@pelnet\r\n"));
    dir.write(QStringLiteral("upload.txt"), "old\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    TResform& res = app.res();
    platform.files.push_back(QStringLiteral(PELARIN_SAMPLES "/pelnet-0402.log"));
    control<QAction>(&main, "Load1")->trigger();

    // Board 3, message 104: from the middle of its second body line to the middle of its fourth.
    showMessage(main, "B3", "104");
    auto* docview = control<QPlainTextEdit>(&main, "Docview");
    QTextCursor selection(docview->document());
    selection.setPosition(docview->document()->findBlockByNumber(1).position() + 3);
    selection.setPosition(docview->document()->findBlockByNumber(3).position() + 4, QTextCursor::KeepAnchor);
    docview->setTextCursor(selection);
    control<QPushButton>(&main, "BtResponce")->click();
    QVERIFY(res.isVisible());
    QCOMPARE(waitingItemsEnabled(&main), 0);

    // The answer goes on the empty line after the quotation; the counters follow the caret.
    auto* resview = control<QPlainTextEdit>(&res, "Resview");
    QTextCursor caret(resview->document()->findBlockByNumber(4));
    resview->setTextCursor(caret);
    type(resview, QStringLiteral("私も行きたいです。"));
    QCOMPARE(control<QLabel>(&res, "letternum")->text(), QStringLiteral("18"));
    QCOMPARE(control<QLabel>(&res, "linenum")->text(), QStringLiteral("5"));
    type(control<QLineEdit>(&res, "MesTitle"), QStringLiteral("Re: 花見"));

    // Moving on in the main window does not change what is answered.
    control<QPushButton>(&main, "BtNext")->click();
    QCOMPARE(control<QLineEdit>(&res, "Mesnum")->text(), QStringLiteral("104"));

    platform.answers.push_back(BoxAnswer::No);  // keep the old script
    control<QPushButton>(&res, "BitBtn1")->click();
    QVERIFY(!res.isVisible());
    QCOMPARE(waitingItemsEnabled(&main), 7);
    QCOMPARE(platform.boxes.size(), size_t{1});

    // IBBS 120, message 2048, everything quoted with the writer's name; no second question.
    main.state().QuoteStyle = 1;
    showMessage(main, "I120", "2048");
    control<QPushButton>(&main, "BtResponce")->click();
    type(control<QLineEdit>(&res, "MesTitle"), QStringLiteral("ラーメン"));
    control<QPushButton>(&res, "BitBtn1")->click();
    QVERIFY(!res.isVisible());
    QCOMPARE(platform.boxes.size(), size_t{1});

    const Bytes rule24(24, '-');
    const Bytes footer = Bytes(17, '-') + todayShortDate() + " written by Pelarin" + Bytes(17, '-') + "\r\n";
    const Bytes signature = sj("-- 山田太郎\r\nyamada@pelnet\r\n");
    const Bytes expected =
        "old\r\n"
        "B3\r\nJ104\r\nW1\r\n" +
        sj("Re: 花見\r\n") + rule24 + sj("鈴木一郎さんへのレスです") + rule24 + "\r\n" +
        sj(">八分咲きで、ちょうど良い頃でした。\r\n>\r\n>来週はもう散ってしまいそうですね。\r\n") +
        sj("私も行きたいです。\r\n") + signature + footer + "/es\r\nE\r\n" + "I120\r\nJ2048\r\nW1\r\n" +
        sj("ラーメン\r\n") + rule24 + sj("渡辺まさしさんへのレスです") + rule24 + "\r\n" +
        sj("渡辺まさし>駅前に新しくできたお店がおいしいです。\r\n渡辺まさし>しょうゆ味がおすすめです。\r\n") +
        "\r\n" + signature + footer + "/es\r\nE\r\n";
    QCOMPARE(QByteArray::fromStdString(dir.read(QStringLiteral("upload.txt"))),
             QByteArray::fromStdString(expected));
    main.close();
  }
};

QTEST_MAIN(ComposeFlowTest)
#include "compose_flow_test.moc"
