#include "gui/app/application.h"

#include "gui/app/initwin.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/lists/setlist.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"

using namespace pelarin::gui;

class ApplicationTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void createsTheElevenWindowsWithTheirCaptions() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    const QList<QPair<QWidget*, QString>> windows{
        {&app.main(), QStringLiteral("Pelarin for Windows    ")},
        {&app.res(), QStringLiteral("Responce Window")},
        {&app.newMessage(), QStringLiteral("New Message Window")},
        {&app.mail(), QStringLiteral("Mail Window")},
        {&app.init(), QStringLiteral("Initial Directories")},
        {&app.hfset(), QStringLiteral("Quotation Setting Window")},
        {&app.list(), QStringLiteral("Message List Window")},
        {&app.sig(), QStringLiteral("Signature Edit")},
        {&app.input(), QStringLiteral("Input List")},
        {&app.setLog(), QStringLiteral("関連付け")},
        {&app.alart(), QStringLiteral("Other Config")},
    };
    for (const auto& [window, caption] : windows) {
      QCOMPARE(window->windowTitle(), caption);
      QVERIFY(window->isWindow());
      QVERIFY(!window->isVisible());
    }
  }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
