// What a screen reader is told: every control the user can reach in every
// window has a name, the fields the names of their captions, and the symbol
// buttons words.
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "gui/app/application.h"
#include "gui/app/initwin.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/library/librarywin.h"
#include "gui/lists/input.h"
#include "gui/lists/setlist.h"
#include "gui/outbox/outboxwin.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

QString accessibleName(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) : QString();
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void everyControlOfEveryWindowHasAName() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    control<QAction>(&app.main(), "LibraryWindow1")->trigger();
    QWidget* library = app.main().libraryWindow();
    QStringList unnamed;
    for (QWidget* window : std::initializer_list<QWidget*>{
             &app.main(), &app.res(), &app.newMessage(), &app.mail(), &app.init(), &app.hfset(), &app.list(),
             &app.sig(), &app.input(), &app.setLog(), &app.alart(), &app.outbox(), library}) {
      for (QWidget* w : window->findChildren<QWidget*>()) {
        // What Tab reaches or a view the reader enters; the views' own parts speak for themselves.
        if (w->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractScrollArea*>(w)) continue;
        if (qobject_cast<QScrollBar*>(w) || qobject_cast<QAbstractScrollArea*>(w->parentWidget())) continue;
        if (w->window() != window) continue;  // a drop-down's list, read as its drop-down's
        if (accessibleName(w).trimmed().isEmpty())
          unnamed << QStringLiteral("%1 %2 (%3)")
                         .arg(window->metaObject()->className(), w->objectName(),
                              w->metaObject()->className());
      }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));

    // The fields by their captions, and the symbols as words.
    for (auto [window, name, expected] :
         {std::tuple<QWidget*, const char*, const char*>{&app.main(), "BoadNumber", "B.Number"},
          {&app.main(), "Title", "Title"},
          {&app.main(), "BtPrevious", "Previous"},
          {&app.main(), "BtNext", "Next"},
          {&app.res(), "Mesnum", "Message No."},
          {&app.hfset(), "HLeft", "Hedder Left"},
          {library, "Search", "Search"}})
      QCOMPARE(accessibleName(control<QWidget>(window, name)), QString::fromLatin1(expected));
    // A drop-down is read by its value and by the caption that labels it.
    const auto labels =
        QAccessible::queryAccessibleInterface(control<QWidget>(library, "Rank"))->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty());
    QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Rank"));
    library->close();
    QVERIFY(app.main().close());
  }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
