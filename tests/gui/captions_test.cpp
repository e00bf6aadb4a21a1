// Captions and values are never cut, whatever the system font: every caption
// box, button and value box of the main window and the composers fits its
// text at 9, 11 and 14 pt (and, run again by CTest, at 150 % and 200 %).
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/shared/controls.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

// What a window cuts: each caption box or button whose text does not fit, with the widths.
QStringList cut(QWidget* window) {
  QStringList found;
  for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
    if (box->focusPolicy() != Qt::NoFocus || box->text().isEmpty()) continue;  // captions only
    if (boxWidthFor(box, box->text()) > box->width())
      found << QStringLiteral("%1 '%2' %3 > %4")
                   .arg(box->objectName(), box->text())
                   .arg(boxWidthFor(box, box->text()))
                   .arg(box->width());
  }
  for (QPushButton* button : window->findChildren<QPushButton*>())
    if (button->fontMetrics().horizontalAdvance(button->text()) + 8 > button->width())
      found << QStringLiteral("%1 '%2' %3").arg(button->objectName(), button->text()).arg(button->width());
  return found;
}

}  // namespace

class CaptionsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void nothingIsCutAtAnyFontSize() {
    const QFont system = QApplication::font();
    for (int points : {9, 11, 14}) {
      QFont font = system;
      font.setPointSize(points);
      QApplication::setFont(font);
      testing::WorkDir dir;
      ScriptedPlatform platform;
      Application app(platform);
      for (QWidget* window :
           std::initializer_list<QWidget*>{&app.main(), &app.res(), &app.newMessage(), &app.mail()}) {
        const QStringList found = cut(window);
        QVERIFY2(found.isEmpty(),
                 qPrintable(QStringLiteral("%1 pt, %2: %3")
                                .arg(points)
                                .arg(window->metaObject()->className(), found.join(QStringLiteral("; ")))));
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
      QVERIFY(main.close());
    }
    QApplication::setFont(system);
  }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
