// How the program ends and starts again: the question before an exit loses a
// composition, the question after a failed save, the order of the close, the
// lock's refusal and takeover, the settings backup, and the end by a signal.
#include <QLineEdit>
#include <QSignalSpy>
#include <csignal>

#include "core/app/lockfile.h"
#include "gui/app/application.h"
#include "gui/app/programend.h"
#include "gui/app/viewmain.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

const QString kExitQuestion = QStringLiteral("編集中のメッセージは送信されていません。終了しますか？");
const QString kSaveQuestion = QStringLiteral("設定を保存できませんでした。保存せずに終了しますか？");

int lineCount(const Bytes& file) {
  int n = 0;
  for (size_t pos = 0; (pos = file.find("\r\n", pos)) != Bytes::npos; pos += 2) ++n;
  return n;
}

void writeMessages(const testing::WorkDir& dir, TLogview& main, int count) {
  for (int n = 1; n <= count; ++n) dir.write(QStringLiteral("mes%1.tmp").arg(n), "1\r\n2\r\n");
  main.state().MesCount = count;
}

bool anyMessage(const testing::WorkDir& dir, int count) {
  for (int n = 1; n <= count; ++n)
    if (dir.exists(QStringLiteral("mes%1.tmp").arg(n))) return true;
  return false;
}

}  // namespace

class LifecycleTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void exitAsksWhileAComposerHoldsText_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<int>>("answers");  // BoxAnswer values; empty: the default (Enter)
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ends");
    QTest::newRow("yes") << QStringLiteral("draft") << QList<int>{int(BoxAnswer::Yes)} << true << true;
    QTest::newRow("no") << QStringLiteral("draft") << QList<int>{int(BoxAnswer::No)} << true << false;
    QTest::newRow("default is no") << QStringLiteral("draft") << QList<int>{} << true << false;
    QTest::newRow("empty composer") << QString() << QList<int>{} << false << true;
  }
  void exitAsksWhileAComposerHoldsText() {
    QFETCH(QString, title);
    QFETCH(QList<int>, answers);
    QFETCH(bool, asked);
    QFETCH(bool, ends);
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    app.newMessage().open();
    control<QLineEdit>(&app.newMessage(), "MesTitle")->setText(title);
    QSignalSpy composed(&app.newMessage(), &ComposerWindow::composed);
    QSignalSpy closed(&main, &TLogview::closed);
    for (int a : answers) platform.answers.push_back(BoxAnswer(a));

    control<QAction>(&main, "Exit1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{asked ? 1u : 0u});
    if (asked) {
      QCOMPARE(platform.boxes[0].kind, BoxKind::Confirmation);
      QCOMPARE(platform.boxes[0].text, kExitQuestion);
      QCOMPARE(platform.boxes[0].buttons, BoxButtons::YesNoDefaultNo);
    }
    QCOMPARE(closed.count(), ends ? 1 : 0);
    QCOMPARE(main.isVisible(), !ends);
    QCOMPARE(dir.exists(QStringLiteral("upload.tmp")), !ends);
    // The composer is as it was: not closed as the user's close, text kept.
    QVERIFY(app.newMessage().isVisible());
    QCOMPARE(composed.count(), 0);
    QCOMPARE(control<QLineEdit>(&app.newMessage(), "MesTitle")->text(), title);
    QCOMPARE(app.newMessage().programEnding(), ends);
    if (!ends) {
      platform.answers.push_back(BoxAnswer::Yes);
      QVERIFY(main.close());
      QCOMPARE(closed.count(), 1);
    }
  }

  void theCloseBoxAsksToo() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    app.main().show();
    app.newMessage().open();
    control<QLineEdit>(&app.newMessage(), "Boardnum")->setText(QStringLiteral("12"));
    QVERIFY(!app.main().close());
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].text, kExitQuestion);
    // A composer closed by the user holds nothing any more.
    app.newMessage().close();
    QVERIFY(app.main().close());
    QCOMPARE(platform.boxes.size(), size_t{1});
  }

  void aFailedSaveAsksAndKeepsTheMessagesUntilYes_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("no keeps running") << int(BoxAnswer::No);
    QTest::newRow("yes ends without the settings") << int(BoxAnswer::Yes);
  }
  void aFailedSaveAsksAndKeepsTheMessagesUntilYes() {
    QFETCH(int, answer);
    const bool ends = BoxAnswer(answer) == BoxAnswer::Yes;
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    writeMessages(dir, main, 3);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pelarin.ini")));
    platform.answers = {BoxAnswer::Ok, BoxAnswer(answer)};
    QSignalSpy closed(&main, &TLogview::closed);
    QCOMPARE(main.close(), ends);
    QCOMPARE(platform.boxes.size(), size_t{2});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[1].kind, BoxKind::Confirmation);
    QCOMPARE(platform.boxes[1].text, kSaveQuestion);
    QCOMPARE(platform.boxes[1].buttons, BoxButtons::YesNoDefaultNo);
    QCOMPARE(closed.count(), ends ? 1 : 0);
    // Saved before deleting: a failed save leaves the shown messages readable.
    QCOMPARE(anyMessage(dir, 3), !ends);
    QCOMPARE(dir.exists(QStringLiteral("mes1.tmp")) && dir.exists(QStringLiteral("mes3.tmp")), !ends);
    QCOMPARE(dir.exists(QStringLiteral("upload.tmp")), !ends);
  }

  void aLiveCopyRefusesWithTheDirectory() {
    testing::WorkDir dir;
    WorkDirLock other(dir.file(QStringLiteral("upload.tmp")).toStdString());
    dir.write(QStringLiteral("mes1.tmp"), "x");
    ScriptedPlatform platform;
    Application app(platform);
    QVERIFY(app.main().refused());
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("Pelarin is already launched or UPLOAD.TMP exists\n") +
                                         dir.path() + QStringLiteral("/upload.tmp"));
    // The other copy's store is left alone.
    QVERIFY(dir.exists(QStringLiteral("mes1.tmp")));
  }

  void aStaleLockIsTakenOverOnceAndTheStoreCleared() {
    testing::WorkDir dir;
    for (const char* name :
         {"upload.tmp", "mes1.tmp", "mes7.tmp", "mestemp.tmp", "mestemp.tmp.3", "mes01.tmp"})
      dir.write(QString::fromLatin1(name), "");
    ScriptedPlatform platform;
    {
      Application app(platform);
      QVERIFY(!app.main().refused());
      QCOMPARE(platform.boxes.size(), size_t{1});
      QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
      QVERIFY(platform.boxes[0].text.contains(QStringLiteral("upload.tmp")));
      QVERIFY(platform.boxes[0].text.endsWith(QStringLiteral("\n") + dir.path() + QStringLiteral("/")));
      for (const char* name : {"mes1.tmp", "mes7.tmp", "mestemp.tmp", "mestemp.tmp.3"})
        QVERIFY2(!dir.exists(QString::fromLatin1(name)), name);
      QVERIFY(dir.exists(QStringLiteral("mes01.tmp")));
      QVERIFY(app.main().close());
      QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    }
    // A clean end leaves nothing to take over: the next start says nothing.
    Application again(platform);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QVERIFY(again.main().close());
  }

  void aBadSettingsLineKeepsTheOldFileOnce() {
    testing::WorkDir dir;
    const Bytes old = "logs/\r\n\r\n>\r\n300\r\nwide\r\n";
    dir.write(QStringLiteral("pelarin.ini"), old);
    ScriptedPlatform platform;
    {
      Application app(platform);
      QCOMPARE(platform.boxes.size(), size_t{1});
      const QString text = platform.boxes[0].text;
      QVERIFY(text.contains(dir.file(QStringLiteral("pelarin.ini"))));
      QVERIFY(text.contains(QStringLiteral(" 5 行目")));
      QVERIFY(text.contains(QStringLiteral("pelarin.ini.bak")));
      QVERIFY(!dir.exists(QStringLiteral("pelarin.ini.bak")));
      QVERIFY(app.main().close());
      QCOMPARE(dir.read(QStringLiteral("pelarin.ini.bak")), old);
      QCOMPARE(lineCount(dir.read(QStringLiteral("pelarin.ini"))), 51);
    }
    // A run that read the whole file leaves the backup alone.
    dir.write(QStringLiteral("pelarin.ini.bak"), "older");
    Application again(platform);
    QVERIFY(again.main().close());
    QCOMPARE(dir.read(QStringLiteral("pelarin.ini.bak")), Bytes("older"));
  }

  void aSignalRunsTheCloseWithoutQuestions_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
  }
  void aSignalRunsTheCloseWithoutQuestions() {
    QFETCH(int, signal);
    testing::WorkDir dir;
    ProgramEnd end;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    writeMessages(dir, main, 2);
    app.newMessage().open();
    control<QLineEdit>(&app.newMessage(), "MesTitle")->setText(QStringLiteral("draft"));
    QSignalSpy composed(&app.newMessage(), &ComposerWindow::composed);
    QSignalSpy closed(&main, &TLogview::closed);
    ::raise(signal);
    QTRY_VERIFY(main.ended());
    QCOMPARE(end.status(), 128 + signal);
    QCOMPARE(closed.count(), 1);
    QVERIFY(platform.boxes.empty());
    QCOMPARE(lineCount(dir.read(QStringLiteral("pelarin.ini"))), 51);
    QVERIFY(!anyMessage(dir, 2));
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    QCOMPARE(composed.count(), 0);
    QVERIFY(app.newMessage().programEnding());
  }

  void aSignalEndsEvenWhenTheSaveFails() {
    testing::WorkDir dir;
    ProgramEnd end;
    ScriptedPlatform platform;
    Application app(platform);
    writeMessages(dir, app.main(), 1);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pelarin.ini")));
    ::raise(SIGTERM);
    QTRY_VERIFY(app.main().ended());
    QVERIFY(platform.boxes.empty());
    QVERIFY(!dir.exists(QStringLiteral("mes1.tmp")));
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
  }

  // A quit from elsewhere (the session manager's end) would close every
  // window like the user's close box: it runs the end instead.
  void aQuitFromElsewhereRunsTheEnd() {
    testing::WorkDir dir;
    ProgramEnd end;
    ScriptedPlatform platform;
    Application app(platform);
    app.main().show();
    app.newMessage().open();
    control<QLineEdit>(&app.newMessage(), "MesTitle")->setText(QStringLiteral("draft"));
    QSignalSpy composed(&app.newMessage(), &ComposerWindow::composed);
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    QVERIFY(app.main().ended());
    QVERIFY(platform.boxes.empty());
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    QCOMPARE(composed.count(), 0);
    QVERIFY(app.newMessage().isVisible());
  }

  void aRefusedCopyEndedByASignalWritesNothing() {
    testing::WorkDir dir;
    WorkDirLock other(dir.file(QStringLiteral("upload.tmp")).toStdString());
    ProgramEnd end;
    ScriptedPlatform platform;
    Application app(platform);
    QVERIFY(app.main().refused());
    app.main().endProgram();
    QVERIFY(!dir.exists(QStringLiteral("pelarin.ini")));
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));
  }
};

QTEST_MAIN(LifecycleTest)
#include "lifecycle_test.moc"
