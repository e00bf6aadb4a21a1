// Captions and values are never cut, whatever the system font: in every
// window, each caption box, label and button fits its text, lies inside its
// window and overlaps none of its neighbours, at 9, 10, 11, 12 and 14 pt (and,
// run again by CTest, at 150 % and 200 %): as the windows first open, and
// with sizes stored at a smaller font.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "core/app/settings.h"
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
#include "gui/shared/controls.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

// A control that shows a caption of the window's design.
bool showsCaption(const QWidget* w) {
  if (const auto* box = qobject_cast<const QLineEdit*>(w))
    return box->focusPolicy() == Qt::NoFocus && !box->text().isEmpty();
  if (const auto* label = qobject_cast<const QLabel*>(w)) return !label->text().isEmpty();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return !button->text().isEmpty();
  return false;
}

// The width the caption needs.
int needs(const QWidget* w) {
  if (const auto* box = qobject_cast<const QLineEdit*>(w)) return boxWidthFor(box, box->text());
  if (const auto* button = qobject_cast<const QPushButton*>(w))
    return button->fontMetrics().horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) + 8;
  return w->sizeHint().width();
}

// What a window cuts: each caption that does not fit its control, a control
// that ends outside its parent, and two neighbours that overlap.
QStringList cut(QWidget* window) {
  QStringList found;
  auto name = [](const QWidget* w) {
    return QStringLiteral("%1 '%2'").arg(w->objectName(), w->property("text").toString());
  };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    if (showsCaption(w) && needs(w) > w->width())
      found << QStringLiteral("%1 %2 > %3").arg(name(w)).arg(needs(w)).arg(w->width());
    // Controls the window's rule places itself; Qt's layouts keep theirs inside.
    const QWidget* parent = w->parentWidget();
    if (parent->layout() || qobject_cast<const QGroupBox*>(parent)) continue;
    if (!showsCaption(w) && !qobject_cast<QLineEdit*>(w)) continue;
    if (!parent->rect().contains(w->geometry()))
      found << QStringLiteral("%1 at %2,%3 %4x%5 outside %6x%7")
                   .arg(name(w))
                   .arg(w->x())
                   .arg(w->y())
                   .arg(w->width())
                   .arg(w->height())
                   .arg(parent->width())
                   .arg(parent->height());
    for (QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (other < w && other->isVisibleTo(window) &&
          (showsCaption(other) || qobject_cast<QLineEdit*>(other)) &&
          other->geometry().intersects(w->geometry()))
        found << QStringLiteral("%1 overlaps %2").arg(name(w), name(other));
  }
  return found;
}

std::vector<QWidget*> windowsOf(Application& app) {
  return {&app.main(), &app.res(), &app.newMessage(), &app.mail(),   &app.init(),  &app.hfset(),
          &app.list(), &app.sig(), &app.input(),      &app.setLog(), &app.alart(), &app.outbox()};
}

// Each window as its opening leaves it: shown and activated, which is when the
// main window and the composers take their stored sizes.
bool open(QWidget* window) {
  window->show();
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

}  // namespace

class CaptionsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void nothingIsCutAtAnyFontSize() {
    const QFont system = QApplication::font();
    for (int points : {9, 10, 11, 12, 14}) {
      QFont font = system;
      font.setPointSize(points);
      QApplication::setFont(font);
      testing::WorkDir dir;
      for (bool storedSmaller : {false, true}) {
        if (storedSmaller) {
          // Sizes as a 9 pt face would have stored them, narrower than any window needs.
          ScriptedPlatform platform;
          Application app(platform);
          QVERIFY(app.main().close());
          AppState s = app.main().state();
          s.MainWidth = 300;
          s.ResWidth = s.NewWidth = s.MailWidth = s.ListWidth = 150;
          s.ResHeight = s.NewHeight = s.MailHeight = s.ListHeight = 60;
          SaveSettings(s);
        }
        ScriptedPlatform platform;
        Application app(platform);
        control<QAction>(&app.main(), "LibraryWindow1")->trigger();
        std::vector<QWidget*> windows = windowsOf(app);
        windows.push_back(app.main().libraryWindow());
        for (QWidget* window : windows) {
          QVERIFY(open(window));
          const QStringList found = cut(window);
          QVERIFY2(found.isEmpty(),
                   qPrintable(QStringLiteral("%1 pt%2, %3: %4")
                                  .arg(points)
                                  .arg(storedSmaller ? QStringLiteral(" (stored smaller)") : QString())
                                  .arg(window->metaObject()->className(), found.join(QStringLiteral("; ")))));
          if (window != &app.main()) window->hide();
        }
        // The values the header shows at their widest: a five-digit number and a four-digit ID.
        TLogview& main = app.main();
        for (auto [name, widest] : {std::pair{"Mesnumber", "99999"},
                                    {"IDnum", "3003"},
                                    {"ResTitle", "99999"},
                                    {"BoadNumber", "B99"}}) {
          QLineEdit* box = control<QLineEdit>(&main, name);
          QVERIFY2(boxWidthFor(box, QString::fromLatin1(widest)) <= box->width(),
                   qPrintable(QStringLiteral("%1 pt: %2").arg(points).arg(QString::fromLatin1(name))));
        }
        // The rows still end where the window's width is derived from.
        QVERIFY(right(control<QLineEdit>(&main, "WriterName")) <= main.centralWidget()->width());
        QVERIFY(right(control<QLineEdit>(&main, "Title")) <= main.centralWidget()->width());
        for (QWidget* window : windows)
          if (window != &main) window->close();
        QVERIFY(main.close());
      }
    }
    QApplication::setFont(system);
  }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
