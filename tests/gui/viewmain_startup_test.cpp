// Start-up and close of the main window: the lock file, the settings file and
// what a refused start leaves alone.
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>

#include "core/app/lockfile.h"
#include "core/text/linereader.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

int lineCount(const Bytes& file) {
  int n = 0;
  for (size_t pos = 0; (pos = file.find("\r\n", pos)) != Bytes::npos; pos += 2) ++n;
  return n;
}

// Line n (1-based) of a file written with CR LF.
Bytes lineOf(const Bytes& file, int n) {
  size_t start = 0;
  for (int i = 1; i < n; ++i) start = file.find("\r\n", start) + 2;
  return file.substr(start, file.find("\r\n", start) - start);
}

const QString kRefusal = QStringLiteral("Pelarin is already launched or UPLOAD.TMP exists");

}  // namespace

class ViewmainStartupTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void firstStartInAnEmptyDirectory() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QVERIFY(platform.boxes.empty());
    QVERIFY(!main.refused());
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));
    QCOMPARE(main.windowTitle(), QStringLiteral("Pelarin for Windows    "));
    QCOMPARE(main.applicationTitle(), QStringLiteral("Pelarin for Windows"));
    QCOMPARE(main.state().WorkDir, toBytesPath(dir.path()) + "/");
    QVERIFY(!control<QPushButton>(&main, "BtResponce")->isEnabled());
    QVERIFY(!control<QPushButton>(&main, "BtList")->isEnabled());
    QVERIFY(!control<QAction>(&main, "Responce1")->isEnabled());
    QVERIFY(control<QAction>(&main, "Help2")->isEnabled());
    // No settings: the derived width beside the design height.
    QCOMPARE(main.centralWidget()->size(), QSize(518, 400));

    main.show();
    main.move(40, 30);
    QSignalSpy closed(&main, &TLogview::closed);
    QVERIFY(main.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    const Bytes ini = dir.read(QStringLiteral("pelarin.ini"));
    QCOMPARE(lineCount(ini), 51);
    QCOMPARE(lineOf(ini, 4), Bytes("400"));
    QCOMPARE(lineOf(ini, 5), Bytes("518"));
    QCOMPARE(lineOf(ini, 28), std::to_string(main.pos().y()));
    QCOMPARE(lineOf(ini, 29), std::to_string(main.pos().x()));
    QVERIFY(platform.boxes.empty());
  }

  // A work directory without a code page 932 name: the start warns once, and the files are still
  // found and written there, named relative to it.
  void workDirectoryWithoutACodePage932Name() {
    testing::WorkDir outer;
    QVERIFY(QDir(outer.path()).mkdir(QStringLiteral("보관")));
    const QString inner = outer.file(QStringLiteral("보관"));
    QVERIFY(QDir::setCurrent(inner));
    QFile ini(inner + QStringLiteral("/pelarin.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("logs/\r\n");
    ini.close();
    ScriptedPlatform platform;
    {
      Application app(platform);
      TLogview& main = app.main();
      QVERIFY(!main.refused());
      QCOMPARE(platform.boxes.size(), size_t{1});
      QCOMPARE(platform.boxes[0].kind, BoxKind::Warning);
      QCOMPARE(platform.boxes[0].text,
               QStringLiteral("作業ディレクトリ '") + inner +
                   QStringLiteral(
                       "' の名前には Shift-JIS で表せない文字があります: \"보\" (U+BCF4) \"관\" (U+AD00)\n"
                       "ファイルは現在のディレクトリからの相対パスで扱います。"));
      QCOMPARE(main.state().WorkDir, Bytes());
      QCOMPARE(main.state().LogFileDir, Bytes("logs/"));  // the settings were read
      QVERIFY(QFile::exists(inner + QStringLiteral("/upload.tmp")));
      main.close();
    }
    QVERIFY(!QFile::exists(inner + QStringLiteral("/upload.tmp")));
    QVERIFY(QFile::exists(inner + QStringLiteral("/pelarin.ini")));
    QVERIFY(!QFile::exists(outer.file(QStringLiteral("pelarin.ini"))));
  }

  void refusedStartWritesNothing() {
    testing::WorkDir dir;
    const Bytes settings = Bytes("logs/\r\n");  // a short file: the rest is empty or 0
    dir.write(QStringLiteral("pelarin.ini"), settings);
    // A live copy holds the lock.
    WorkDirLock other(dir.file(QStringLiteral("upload.tmp")).toStdString());
    dir.write(QStringLiteral("mes1.tmp"), "1\r\n");
    dir.write(QStringLiteral("pelarin.HLP"), "<html></html>");
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QVERIFY(main.refused());
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[0].text,
             kRefusal + QStringLiteral("\n") + dir.path() + QStringLiteral("/upload.tmp"));
    QCOMPARE(platform.boxes[0].buttons, BoxButtons::Ok);
    QCOMPARE(platform.helpClosed.size(), size_t{1});
    // The settings were read before the refusal.
    QCOMPARE(main.state().LogFileDir, Bytes("logs/"));

    main.state().MesCount = 1;
    main.close();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(dir.read(QStringLiteral("pelarin.ini")), settings);
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));
    QVERIFY(dir.exists(QStringLiteral("mes1.tmp")));
  }

  void closeDeletesTheStoredMessagesOnly() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    for (const char* name : {"mes1.tmp", "mes2.tmp", "mes3.tmp", "mes4.tmp"})
      dir.write(QString::fromLatin1(name), "x");
    app.main().state().MesCount = 3;
    QVERIFY(app.main().close());
    for (const char* name : {"mes1.tmp", "mes2.tmp", "mes3.tmp"})
      QVERIFY(!dir.exists(QString::fromLatin1(name)));
    QVERIFY(dir.exists(QStringLiteral("mes4.tmp")));
  }

  void closeClosesAnOpenListFirst() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    app.list().show();
    QVERIFY(app.main().close());
    QVERIFY(!app.list().isVisible());
  }

  void failedSaveKeepsTheProgramRunning() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    // A directory in the settings file's place: the rename over it fails.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pelarin.ini")));
    QSignalSpy closed(&main, &TLogview::closed);
    QVERIFY(!main.close());
    QVERIFY(main.isVisible());
    QCOMPARE(closed.count(), 0);
    // The error, then the question whether to end without the settings (answered No).
    QCOMPARE(platform.boxes.size(), size_t{2});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[1].kind, BoxKind::Confirmation);
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));

    QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("pelarin.ini")));
    QVERIFY(main.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
    QCOMPARE(lineCount(dir.read(QStringLiteral("pelarin.ini"))), 51);
  }

  void badSettingsAreShownAndTheStartGoesOn() {
    testing::WorkDir dir;
    dir.write(QStringLiteral("pelarin.ini"), "\r\n\r\n>\r\n300\r\nwide\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QVERIFY(platform.boxes[0].text.startsWith(QStringLiteral("入力値が数値ではありません\n")));
    QVERIFY(!app.main().refused());
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));
    // Read before the bad line: the height; the width keeps its initial 0.
    QCOMPARE(app.main().centralWidget()->size(), QSize(518, 300));
    QVERIFY(app.main().close());
    QVERIFY(!dir.exists(QStringLiteral("upload.tmp")));
  }

  // A FIFO in the settings file's place is named at the start (it would block a read); the start
  // goes on with the defaults.
  void settingsThatAreNoFileAreNamed() {
    testing::WorkDir dir;
    QVERIFY(::mkfifo(dir.file(QStringLiteral("pelarin.ini")).toLocal8Bit().constData(), 0600) == 0);
    ScriptedPlatform platform;
    Application app(platform);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QVERIFY2(platform.boxes[0].text.contains(QStringLiteral("pelarin.ini")),
             qPrintable(platform.boxes[0].text));
    QVERIFY(!app.main().refused());
    QVERIFY(dir.exists(QStringLiteral("upload.tmp")));
  }

  void settingsWithoutHelpFileDisableHelp() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    {
      Application first(platform);
      QVERIFY(first.main().close());
    }
    Application app(platform);
    QVERIFY(!control<QAction>(&app.main(), "Help2")->isEnabled());
    QVERIFY(platform.helpClosed.empty());
  }

  void exitClosesTheMainWindow() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    app.main().show();
    QSignalSpy closed(&app.main(), &TLogview::closed);
    control<QAction>(&app.main(), "Exit1")->trigger();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!app.main().isVisible());
  }

  void menusHoldEveryCommandInOrder() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    // name caption shortcut; "-" a separator.
    const QStringList expected{
        QStringLiteral("File1 File"),
        QStringLiteral("Load1 Load Ctrl+O"),
        QStringLiteral("Append1 Append Ctrl+A"),
        QStringLiteral("-"),
        QStringLiteral("LoadBBSFile1 Load BBS File Ctrl+W"),
        QStringLiteral("UploadScript1 Upload Script Ctrl+S"),
        QStringLiteral("-"),
        QStringLiteral("Exit1 Exit Ctrl+Q"),
        QStringLiteral("Control1 Control"),
        QStringLiteral("Next1 Next Ctrl+K"),
        QStringLiteral("Privious1 Privious Ctrl+J"),
        QStringLiteral("-"),
        QStringLiteral("NewMessage1 New Message Ctrl+N"),
        QStringLiteral("Responce1 Responce Ctrl+R"),
        QStringLiteral("MailTo1 Mail To Ctrl+M"),
        QStringLiteral("List1 List Ctrl+L"),
        QStringLiteral("Option1 Option"),
        QStringLiteral("Directry1 Directry Ctrl+Y"),
        QStringLiteral("Quotation1 Quotation Ctrl+I"),
        QStringLiteral("Signature1 Signature Ctrl+G"),
        QStringLiteral("Font1 Font Ctrl+F"),
        QStringLiteral("Relevance1 Relevance Ctrl+U"),
        QStringLiteral("Alart1 Other Config Ctrl+E"),
        QStringLiteral("-"),
        QStringLiteral("BoardList1 Make Board List Ctrl+B"),
        QStringLiteral("NameList1 Make Name List Ctrl+Z"),
        QStringLiteral("Window1 Window"),
        QStringLiteral("InitSize1 Init Size Ctrl+T"),
        QStringLiteral("InitPosition1 Init Position Ctrl+P"),
        QStringLiteral("Library1 Library"),
        QStringLiteral("ImportOnLoad1 Add Loaded Logs"),
        QStringLiteral("LibraryWindow1 Library Window Ctrl+D"),
        QStringLiteral("-"),
        QStringLiteral("AnsweredMessage1 Answered Message Alt+Up"),
        QStringLiteral("Responses1 Responses Alt+Down"),
        QStringLiteral("Back1 Back Alt+Left"),
        QStringLiteral("-"),
        QStringLiteral("NextUnread1 Next Unread\tSpace"),
        QStringLiteral("PreviousUnread1 Previous Unread\tShift+Space"),
        QStringLiteral("Mark1 Mark Ctrl+Shift+K"),
        QStringLiteral("-"),
        QStringLiteral("ReopenAtStart1 Reopen at Start"),
        QStringLiteral("Help1 Help"),
        QStringLiteral("Help2 Help Ctrl+H"),
        QStringLiteral("About1 About"),
    };
    QStringList actual;
    for (QAction* menuAction : app.main().menuBar()->actions()) {
      QMenu* menu = menuAction->menu();
      // The captions as the user reads them: the '&' only underlines the next letter.
      actual << menu->objectName() + QLatin1Char(' ') + QString(menu->title()).remove(QLatin1Char('&'));
      for (QAction* item : menu->actions()) {
        if (item->isSeparator()) {
          actual << QStringLiteral("-");
          continue;
        }
        QString row = item->objectName() + QLatin1Char(' ') + QString(item->text()).remove(QLatin1Char('&'));
        if (!item->shortcut().isEmpty()) row += QLatin1Char(' ') + item->shortcut().toString();
        actual << row;
      }
    }
    QCOMPARE(actual, expected);
    QVERIFY(app.main().close());
  }

  void menuKeysWinOverTheFocusedBox() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto* id = control<QLineEdit>(&main, "IDnum");
    id->setFocus();
    // Ctrl+A would select the box's text; it is Append here, which opens the dialog.
    QTest::keyClick(id, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(platform.openRequests.size(), size_t{1});
    QVERIFY(main.close());
  }

 private:
  static Bytes toBytesPath(const QString& path) { return path.toStdString(); }
};

QTEST_MAIN(ViewmainStartupTest)
#include "viewmain_startup_test.moc"
