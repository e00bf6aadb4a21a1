// The main window's geometry: its layout rule, the size it takes and records,
// and the Window menu.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

QRect rectOf(TLogview& main, const char* name) { return control<QWidget>(&main, name)->geometry(); }

// A settings file of 51 lines with the main window's height and width, top and left.
Bytes settings(int height, int width, int top = 0, int left = 0) {
  std::vector<std::string> lines(51, "0");
  for (int text : {1, 2, 3, 38, 40, 41, 47, 48, 49, 50, 51}) lines[text - 1].clear();
  lines[3] = std::to_string(height);
  lines[4] = std::to_string(width);
  lines[27] = std::to_string(top);
  lines[28] = std::to_string(left);
  Bytes out;
  for (const std::string& line : lines) out.append(line).append("\r\n");
  return out;
}

}  // namespace

class ViewmainLayoutTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void controlsFollowTheRule() {
    testing::WorkDir dir;
    dir.write(QStringLiteral("pelarin.ini"), settings(300, 700));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    QCOMPARE(main.centralWidget()->size(), QSize(700, 300));
    const QList<QPair<const char*, QRect>> expected{
        {"BtPrevious", QRect(3, 0, 80, 23)},
        {"BtResponce", QRect(85, 0, 90, 23)},
        {"BtNext", QRect(177, 0, 81, 23)},
        {"BtNewmes", QRect(260, 0, 101, 23)},
        {"BtMail", QRect(363, 0, 75, 23)},
        {"BtList", QRect(440, 0, 73, 23)},
        {"Edit2", QRect(3, 25, 73, 25)},
        {"BoadNumber", QRect(77, 25, 41, 25)},
        // Where the design's width cannot show its caption or widest value in this face (a five-digit
        // number, "Writer", a four-digit ID), the box takes what it needs.
        {"Edit3", QRect(123, 25, 97, 25)},
        {"Mesnumber", QRect(221, 25, 50, 25)},
        {"Edit4", QRect(276, 25, 49, 25)},
        {"IDnum", QRect(326, 25, 43, 25)},
        {"WriterName", QRect(370, 25, 143, 25)},
        {"Edit5", QRect(3, 52, 65, 25)},
        {"ResTitle", QRect(69, 52, 65, 25)},
        {"Edit6", QRect(139, 52, 41, 25)},
        {"Title", QRect(181, 52, 332, 25)},
        {"Docview", QRect(0, 82, 700, 218)},
    };
    for (const auto& [name, rect] : expected) QCOMPARE(rectOf(main, name), rect);

    // A resize moves only the viewer's edges and is recorded at once.
    main.resize(800, main.height() + 100);
    QCOMPARE(rectOf(main, "Docview"), QRect(0, 82, 800, 318));
    QCOMPARE(rectOf(main, "Title"), QRect(181, 52, 332, 25));
    QCOMPARE(main.state().MainWidth, 800);
    QCOMPARE(main.state().MainHeight, 400);

    // Narrower than the buttons and shorter than the header rows.
    main.resize(200, main.height() - 360);
    QCOMPARE(rectOf(main, "WriterName").right() + 1, 513);
    QCOMPARE(rectOf(main, "Docview").width(), 200);
    QCOMPARE(rectOf(main, "Docview").height(), 0);
    QCOMPARE(main.state().MainHeight, 40);
    QVERIFY(main.close());
  }

  void widthZeroIsDerivedAtCreationAndActivation() {
    testing::WorkDir dir;
    dir.write(QStringLiteral("pelarin.ini"), settings(350, 0, 20, 30));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QCOMPARE(main.centralWidget()->size(), QSize(518, 350));
    QCOMPARE(main.pos(), QPoint(30, 20));
    main.show();
    QCOMPARE(main.centralWidget()->size(), QSize(518, 350));
    // The activation takes the stored size again; the width is the real one from the first layout on.
    main.state().MainWidth = 0;
    main.state().MainHeight = 200;
    main.FormActivate();
    QCOMPARE(main.centralWidget()->size(), QSize(518, 200));
    QCOMPARE(main.state().MainWidth, 518);
    main.state().MainWidth = 600;
    main.FormActivate();
    QCOMPARE(main.centralWidget()->width(), 600);
    QVERIFY(main.close());
  }

  void initSizeAndInitPosition() {
    testing::WorkDir dir;
    dir.write(QStringLiteral("pelarin.ini"), settings(500, 900, 40, 50));
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    AppState& s = main.state();
    s.ResHeight = s.ResWidth = s.ListWidth = s.InputListHeight = 1;
    s.ListColWidth = {1, 2, 3, 4, 5, 6};
    s.ListTop = s.InputListLeft = 9;

    control<QAction>(&main, "InitSize1")->trigger();
    QCOMPARE(main.centralWidget()->size(), QSize(518, 400));
    QCOMPARE(s.MainWidth, 518);
    QCOMPARE(s.MainHeight, 400);
    QCOMPARE(s.ResHeight, 380);
    QCOMPARE(s.ResWidth, 0);
    QCOMPARE(s.ListWidth, 0);
    QCOMPARE(s.InputListHeight, 200);
    QCOMPARE(s.ListColWidth, (std::array<int32_t, 6>{50, 50, 50, 140, 300, 300}));
    QCOMPARE(s.ListTop, 9);

    QCOMPARE(main.pos(), QPoint(50, 40));
    control<QAction>(&main, "InitPosition1")->trigger();
    QCOMPARE(main.pos(), QPoint(0, 0));
    QCOMPARE(s.ListTop, 0);
    QCOMPARE(s.InputListLeft, 0);
    QVERIFY(main.close());
  }
};

QTEST_MAIN(ViewmainLayoutTest)
#include "viewmain_layout_test.moc"
