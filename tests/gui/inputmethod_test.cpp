// The fields typed in Latin letters and digits: what the input method is told
// when it asks them, and the fullwidth forms a paste brings.
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/latinfield.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// What a platform input context learns from the object it serves.
bool answersEnabled(QWidget* w) {
  QInputMethodQueryEvent query(Qt::ImEnabled);
  QCoreApplication::sendEvent(w, &query);
  return query.value(Qt::ImEnabled).toBool();
}

struct Fixture {
  Fixture() : app(platform) {
    app.main().state().UploadRewrite = 0;
    app.newMessage().open();
    app.mail().open(false);
  }
  ~Fixture() {
    app.newMessage().close();
    app.mail().close();
    app.main().close();
  }

  WorkDir dir;
  ScriptedPlatform platform;
  Application app;
};

}  // namespace

class InputMethodTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void offWhereCodesAreTypedOnWhereTextIs() {
    Fixture f;
    const struct {
      QWidget* window;
      const char* field;
      bool enabled;
    } fields[] = {
        {&f.app.newMessage(), "Boardnum", false},
        {&f.app.newMessage(), "MesTitle", true},
        {&f.app.newMessage(), "NewView", true},
        {&f.app.mail(), "ID0", false},
        {&f.app.mail(), "ID5", false},
        {&f.app.mail(), "ID9", false},
        {&f.app.mail(), "MesTitle", true},
        {&f.app.mail(), "MailView", true},
        {&f.app.alart(), "MaxLetter", false},
        {&f.app.alart(), "Cautionlines", false},
    };
    for (const auto& row : fields) {
      QWidget* w = control<QWidget>(row.window, row.field);
      QVERIFY2(answersEnabled(w) == row.enabled, row.field);
      QVERIFY2(w->inputMethodQuery(Qt::ImEnabled).toBool() == row.enabled, row.field);
    }

    // As the desktop's input method asks: the object that holds the focus.
    for (const auto& row : fields) {
      if (row.window == &f.app.alart()) continue;
      row.window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(row.window));
      QWidget* w = control<QWidget>(row.window, row.field);
      w->setFocus();
      QCOMPARE(QGuiApplication::focusObject(), w);
      QVERIFY2(QInputMethod::queryFocusObject(Qt::ImEnabled, {}).toBool() == row.enabled, row.field);
    }
  }

  void fullwidthFormsBecomeAscii() {
    Fixture f;
    const struct {
      QWidget* window;
      const char* field;
      QString pasted;
      QString shown;
    } pastes[] = {
        {&f.app.newMessage(), "Boardnum", QStringLiteral("Ｂ１２"), QStringLiteral("B12")},
        {&f.app.newMessage(), "Boardnum", QStringLiteral("ｂｆ"), QStringLiteral("bf")},
        // Still four characters typed at most.
        {&f.app.newMessage(), "Boardnum", QStringLiteral("Ｉ１２３４"), QString()},
        {&f.app.mail(), "ID0", QStringLiteral("３００３"), QStringLiteral("3003")},
        {&f.app.mail(), "ID3", QStringLiteral("ｎｉｈｏｎ－１"), QStringLiteral("nihon-1")},
        // What has no ASCII form stays, for OK to refuse or send.
        {&f.app.mail(), "ID9", QStringLiteral("あＡ"), QStringLiteral("あA")},
    };
    for (const auto& row : pastes) {
      auto* field = control<QLineEdit>(row.window, row.field);
      field->clear();
      QGuiApplication::clipboard()->setText(row.pasted);
      QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(field->text(), row.shown);
    }

    // A pasted board code the host takes enables OK like a typed one.
    auto* title = control<QLineEdit>(&f.app.newMessage(), "MesTitle");
    QTest::keyClicks(title, QStringLiteral("t"));
    auto* board = control<QLineEdit>(&f.app.newMessage(), "Boardnum");
    board->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("Ｂ１２"));
    QTest::keyClick(board, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(control<QPushButton>(&f.app.newMessage(), "BitBtn1")->isEnabled());
    QCOMPARE(asciiForms(QStringLiteral("！～　")), QStringLiteral("!~　"));
  }
};

QTEST_MAIN(InputMethodTest)
#include "inputmethod_test.moc"
