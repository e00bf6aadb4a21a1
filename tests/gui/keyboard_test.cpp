// The keyboard where a window opens: the list's grid, the pick list, the
// signature editor, and Esc in every dialog whatever holds the focus.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <functional>

#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/logimport/messagefile.h"
#include "core/text/linewriter.h"
#include "gui/app/initwin.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/lists/setlist.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"
#include "support/picklist.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

// A key as the user presses it: to whatever holds the focus.
void press(int key) {
  QWidget* focus = QApplication::focusWidget();
  if (!focus) qFatal("nothing holds the focus");
  QTest::keyClick(focus, static_cast<Qt::Key>(key));
}

void storeOf(const WorkDir& dir, int count) {
  for (int n = 1; n <= count; ++n) {
    LineWriter out(messagePath(dir.path().toStdString(), n));
    writeMessageKeys(out, 5, n, "title", "", 100 + n, "writer");
    out.close();
  }
}

// Runs `inside` once the modal window is up and active, then closes it if still open.
void whileOpen(QDialog& dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, &dialog, [&dialog, inside] {
    if (!dialog.isVisible()) qFatal("the dialog is not open");
    if (!QTest::qWaitForWindowActive(&dialog)) qFatal("the dialog is not active");
    inside();
    if (dialog.isVisible()) dialog.reject();
  });
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void listMovesInTheGridAndClosesOnEnterOrEsc() {
    WorkDir dir;
    storeOf(dir, 30);
    AppState state;
    state.WorkDir = dir.path().toStdString() + "/";
    state.MesCount = 30;
    state.CurrentMes = 3;
    state.ListHeight = 380;
    state.ListColWidth = {50, 50, 50, 140, 300, 300};
    ScriptedPlatform platform;
    TListform list(state, platform);
    QObject::connect(&list, &TListform::rowSelected, &list, [&state](int row) { state.CurrentMes = row; });
    list.BtListClick();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    auto* grid = control<QTableView>(&list, "MesList");
    QCOMPARE(QApplication::focusWidget(), grid);

    const struct {
      int key;
      bool further;  // PageDown and PageUp move by what the window shows
      int shown;
    } moves[] = {{Qt::Key_Down, false, 4}, {Qt::Key_Up, false, 3},      {Qt::Key_End, false, 30},
                 {Qt::Key_Home, false, 1}, {Qt::Key_PageDown, true, 1}, {Qt::Key_PageUp, false, 1}};
    for (const auto& move : moves) {
      press(move.key);
      if (move.further)
        QVERIFY(state.CurrentMes > move.shown);
      else
        QCOMPARE(state.CurrentMes, move.shown);
      QVERIFY(list.isVisible());
    }

    QSignalSpy closed(&list, &TListform::listClosed);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QVERIFY(!list.isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(state.CurrentMes, 2);

    list.BtListClick();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    QCOMPARE(QApplication::focusWidget(), grid);
    press(Qt::Key_Escape);
    QVERIFY(!list.isVisible());
    QCOMPARE(closed.count(), 2);
    QCOMPARE(state.CurrentMes, 2);
    QVERIFY(platform.boxes.empty());
  }

  void pickListTakesDownEnterDoubleClickAndEsc() {
    WorkDir dir;
    dir.write("p.bod", "Host\r\nB1    one\r\nB2    two\r\nB3    three\r\n");
    const std::string file = dir.file("p.bod").toStdString();
    AppState state;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    QListWidget* box = entries(list);

    const struct {
      const char* name;
      std::function<void()> keys;
      std::optional<Bytes> picked;
    } picks[] = {
        {"first Down selects the first entry",
         [] {
           press(Qt::Key_Down);
           press(Qt::Key_Return);
         },
         "B1    one"},
        {"Down twice, Enter",
         [] {
           press(Qt::Key_Down);
           press(Qt::Key_Down);
           press(Qt::Key_Enter);
         },
         "B2    two"},
        {"double-click",
         [box] {
           const QPoint at = box->visualItemRect(box->item(2)).center();
           QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
           QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
         },
         "B3    three"},
        {"Esc after selecting",
         [] {
           press(Qt::Key_Down);
           press(Qt::Key_Escape);
         },
         std::nullopt},
        {"Enter on nothing selected", [] { press(Qt::Key_Return); }, std::nullopt},
    };
    for (const auto& pick : picks) {
      const auto opened = whilePicking(list, [&] {
        QVERIFY(QTest::qWaitForWindowActive(&list));
        QCOMPARE(QApplication::focusWidget(), box);
        pick.keys();
      });
      QVERIFY2(list.offer(file, " Board List") == pick.picked, pick.name);
      QVERIFY(*opened);
    }
  }

  void signatureEditorTakesTheTyping() {
    WorkDir dir;
    AppState state;
    state.WorkDir = dir.path().toStdString() + "/";
    ScriptedPlatform platform;
    TSigform sig(state, platform);
    whileOpen(sig, [&] {
      auto* editor = control<QPlainTextEdit>(&sig, "SigView");
      QCOMPARE(QApplication::focusWidget(), editor);
      QTest::keyClicks(QApplication::focusWidget(), "Taro");
      press(Qt::Key_Return);
      QTest::keyClicks(QApplication::focusWidget(), "3003");
      QVERIFY(sig.isVisible());
      QCOMPARE(editor->toPlainText(), QStringLiteral("Taro\n3003"));
      press(Qt::Key_Escape);
      QVERIFY(!sig.isVisible());
    });
    sig.execute();
    QCOMPARE(sig.result(), int(QDialog::Rejected));
    QCOMPARE(dir.read("sig.txt"), Bytes());
  }

  // Whatever holds the focus, Esc closes the dialog and nothing is stored.
  void escCancelsEveryDialogFromEveryControl() {
    WorkDir dir;
    dir.write("host.bod", "Host\r\n");
    dir.write("p.nam", "Host\r\n  0042 Taro\r\n");
    AppState state;
    state.WorkDir = dir.path().toStdString() + "/";
    state.TextFileDir = state.WorkDir;
    ScriptedPlatform platform;
    SaveSettings(state);
    const Bytes settings = dir.read("pelarin.ini");

    TInitform init(state, platform);
    TAlartform alart(state, platform);
    THFsetform hfset(state, platform);
    TSetLog setLog(state, platform);
    TSigform sig(state, platform);
    TInputList input(state, platform);
    const struct {
      QDialog* dialog;
      std::function<void()> open;
    } dialogs[] = {
        {&init, [&] { init.execute(); }},
        {&alart, [&] { alart.execute(); }},
        {&hfset, [&] { hfset.execute(); }},
        {&setLog, [&] { setLog.execute(); }},
        {&sig, [&] { sig.execute(); }},
        {&input, [&] { QCOMPARE(input.offer(dir.file("p.nam").toStdString(), " ID List"), std::nullopt); }},
    };
    for (const auto& d : dialogs) {
      QList<QWidget*> focusable;
      for (QWidget* w : d.dialog->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isEnabled() && !w->isHidden())
          focusable << w;
      QVERIFY(!focusable.isEmpty());
      for (QWidget* w : focusable) {
        bool closed = false;
        whileOpen(*d.dialog, [&] {
          w->setFocus();
          QTest::keyClicks(QApplication::focusWidget(), "9");
          press(Qt::Key_Escape);
          closed = !d.dialog->isVisible();
        });
        d.open();
        QVERIFY2(closed, qPrintable(d.dialog->windowTitle() + " " + w->metaObject()->className() + " " +
                                    w->objectName()));
        QCOMPARE(d.dialog->result(), int(QDialog::Rejected));
      }
    }
    // Every close of the pick list records its size and place.
    state.InputListHeight = state.InputListWidth = state.InputListTop = state.InputListLeft = 0;
    SaveSettings(state);
    QCOMPARE(dir.read("pelarin.ini"), settings);
    QVERIFY(!dir.exists("bbs.ini"));
    QCOMPARE(dir.read("sig.txt"), Bytes());
    QVERIFY(platform.boxes.empty());
  }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
