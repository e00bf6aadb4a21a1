// The list commands of the main window: Make Board List, Make Name List and
// Load BBS File, and the lists feeding the composers' picks.
#include <QAction>
#include <QApplication>
#include <QLineEdit>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

const QString kSample = QStringLiteral(PELARIN_SAMPLES "/pelnet-lists.log");

void trigger(TLogview& main, const char* item) { control<QAction>(&main, item)->trigger(); }

}  // namespace

class ViewmainListsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void buildsBothListsFromTheSampleLog() {
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.state().LogFileDir = "logs/";
    platform.files.push_back(kSample);
    trigger(main, "BoardList1");
    platform.files.push_back(kSample);
    trigger(main, "NameList1");
    // Each build says what it found and where it went.
    QCOMPARE(platform.boxes.size(), size_t{2});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("7 boards\n") + dir.file(QStringLiteral("pelarin.bod")));
    QCOMPARE(platform.boxes[1].kind, BoxKind::Information);
    QCOMPARE(platform.boxes[1].text, QStringLiteral("9 members\n") + dir.file(QStringLiteral("pelarin.nam")));
    QCOMPARE(platform.openRequests.size(), size_t{2});
    for (const auto& request : platform.openRequests) {
      QCOMPARE(request.initialDir, QStringLiteral("logs/"));
      QCOMPARE(request.filter, QStringLiteral("Log File|*.log|ALL Files|*.*"));
    }
    const Bytes bod = dir.read(QStringLiteral("pelarin.bod"));
    QVERIFY(bod.starts_with(sj("ペラリン・ネット\r\nBF    ")));
    QCOMPARE(std::count(bod.begin(), bod.end(), '\n'), 8);
    const Bytes nam = dir.read(QStringLiteral("pelarin.nam"));
    QVERIFY(nam.starts_with(sj("ペラリン・ネット\r\nID0001 ")));
    QCOMPARE(std::count(nam.begin(), nam.end(), '\n'), 10);

    // Cancelled dialogs build nothing and say nothing.
    QFile::remove(dir.file(QStringLiteral("pelarin.nam")));
    trigger(main, "NameList1");
    QVERIFY(!dir.exists(QStringLiteral("pelarin.nam")));
    QCOMPARE(platform.boxes.size(), size_t{2});
    QVERIFY(main.close());
  }

  void aBuildOfOneEntrySaysSoInTheSingular() {
    WorkDir dir;
    dir.write(QStringLiteral("one.log"), "  (001) ID0042 Taro             \x81\x89 x\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    platform.files.push_back(dir.file(QStringLiteral("one.log")));
    trigger(app.main(), "NameList1");
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].text, QStringLiteral("1 member\n") + dir.file(QStringLiteral("pelarin.nam")));
    QVERIFY(app.main().close());
  }

  void fileDialogsAreTitledByTheirCommand() {
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    const char* const items[] = {"Load1", "Append1", "LoadBBSFile1", "BoardList1", "NameList1"};
    for (const char* item : items) trigger(app.main(), item);
    QStringList titles;
    for (const auto& request : platform.openRequests) titles << request.title;
    QCOMPARE(titles, (QStringList{"Load", "Append", "Load BBS File", "Make Board List", "Make Name List"}));
    QVERIFY(platform.boxes.empty());
    QVERIFY(app.main().close());
  }

  void aFailedBuildIsShownAndKeepsThePreviousList() {
    WorkDir dir;
    dir.write(QStringLiteral("pelarin.bod"), "Old\r\n");
    dir.write(QStringLiteral("bad.log"), "[x 12][BBS     ][ " + Bytes(21, 'n') + "](  12)\r\n");
    ScriptedPlatform platform;
    Application app(platform);
    platform.files.push_back(dir.file(QStringLiteral("bad.log")));
    trigger(app.main(), "BoardList1");
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[0].text,
             QStringLiteral("'x 12' は整数ではありません\nbad.log の 1 "
                            "行目で一覧の作成を止めました。前の一覧はそのままです。"));
    QCOMPARE(dir.read(QStringLiteral("pelarin.bod")), Bytes("Old\r\n"));
    QVERIFY(app.main().close());
  }

  void loadBbsFileMakesTheChosenListTheOneInUse() {
    WorkDir dir;
    QDir().mkdir(dir.file(QStringLiteral("elsewhere")));
    dir.write(QStringLiteral("elsewhere/Host1.bod"), sj("ペラリン・ネット\r\nB1    x\r\n"));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    AppState& state = main.state();
    state.BbsTable[1] = {"host1", "", "Night"};
    state.UploadRewrite = 0;
    platform.files.push_back(std::nullopt);
    trigger(main, "LoadBBSFile1");
    QCOMPARE(state.UploadRewrite, 1);  // also when cancelled
    QCOMPARE(platform.openRequests[0].filter, QStringLiteral("List File|*.bod"));
    QCOMPARE(platform.openRequests[0].initialDir, QString::fromStdString(state.WorkDir));
    QCOMPARE(state.ListFileName, Bytes("pelarin"));

    state.UploadRewrite = 0;
    platform.files.push_back(dir.file(QStringLiteral("elsewhere/Host1.bod")));
    trigger(main, "LoadBBSFile1");
    QVERIFY(platform.boxes.empty());
    QCOMPARE(state.UploadRewrite, 1);
    QCOMPARE(state.ListFileName, Bytes("Host1"));
    QCOMPARE(state.UploadFile, Bytes("Night.txt"));
    QCOMPARE(main.windowTitle(), QStringLiteral("ペラリン・ネット - Pelarin for Windows"));
    QCOMPARE(main.applicationTitle(), QStringLiteral("ペラリン・ネット - Pelarin for Windows"));
    QVERIFY(main.close());
  }
};

QTEST_MAIN(ViewmainListsTest)
#include "viewmain_lists_test.moc"
