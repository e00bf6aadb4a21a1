// Where windows open: beside the window they serve when never placed, where
// the user left them otherwise, and always on a present screen.
#include "gui/shared/placement.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/newwin.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "gui/shared/controls.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

class PlacementTest : public QObject {
  Q_OBJECT

  static QRect area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

 private Q_SLOTS:
  void keptInsideMovesTheLeast() {
    const QRect screen(0, 0, 800, 600);
    struct Case {
      QRect in, out;
    } cases[] = {
        {{100, 100, 200, 100}, {100, 100, 200, 100}},    // inside: unchanged
        {{700, 550, 200, 100}, {600, 500, 200, 100}},    // over the right and bottom edges
        {{-50, -20, 200, 100}, {0, 0, 200, 100}},        // over the left and top edges
        {{5000, 5000, 200, 100}, {600, 500, 200, 100}},  // a monitor that is gone
        {{100, 100, 900, 100}, {0, 100, 900, 100}},      // too wide: the left edge shows
    };
    for (const Case& c : cases) QCOMPARE(keptInside(c.in, screen), c.out);
  }

  void neverPlacedOpensBesideItsWindow() {
    const QRect screen = area();
    QWidget anchor;
    anchor.setGeometry(screen.left() + 10, screen.top() + 10, 200, 150);
    QWidget window;
    window.resize(150, 100);
    int32_t height = 0, width = 0, top = 0, left = 0;
    StoredGeometry never{height, width, top, left};
    takePosition(&window, never, &anchor);
    QVERIFY2(window.x() > anchor.frameGeometry().right(), "right of the anchor");
    QCOMPARE(window.y(), anchor.frameGeometry().top());

    // No room on the right: to the left.
    anchor.move(screen.right() - anchor.frameGeometry().width() - 5, screen.top() + 10);
    takePosition(&window, never, &anchor);
    QVERIFY(window.frameGeometry().right() < anchor.frameGeometry().left());
    QVERIFY(screen.contains(window.frameGeometry()));

    // A position the user gave holds; one on no present screen comes inside.
    top = screen.top() + 40;
    left = screen.left() + 30;
    takePosition(&window, {height, width, top, left}, &anchor);
    QCOMPARE(window.pos(), QPoint(left, top));
    top = left = 20000;
    takePosition(&window, {height, width, top, left}, &anchor);
    QVERIFY(screen.contains(window.frameGeometry()));
  }

  void composerAndListOpenBesideTheMainWindow() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    main.show();
    main.move(area().topLeft());
    control<QPushButton>(&main, "BtNewmes")->click();
    QVERIFY(app.newMessage().isVisible());
    QVERIFY(app.newMessage().pos() != QPoint(0, 0) || !area().contains(QPoint(0, 0)));
    QVERIFY(app.newMessage().x() > main.frameGeometry().left());
    QVERIFY(area().contains(app.newMessage().frameGeometry().topLeft()));
    app.newMessage().close();
    QVERIFY(main.close());
  }
};

QTEST_MAIN(PlacementTest)
#include "placement_test.moc"
