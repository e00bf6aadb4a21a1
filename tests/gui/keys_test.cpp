// The keys added to the windows' own: mnemonics and F10 for the menus,
// Ctrl+Enter for OK, Tab out of a message editor, and a command that brings a
// minimised window back.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/library/librarywin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

QString stripped(QString caption) { return caption.remove(QLatin1Char('&')); }

// The captions of a menu bar, or of a menu's items, without separators.
QStringList captions(const QList<QAction*>& actions) {
  QStringList list;
  for (const QAction* a : actions)
    if (!a->isSeparator()) list << a->text();
  return list;
}

// Each caption underlines one letter, none twice at one level.
QString mnemonicFault(const QStringList& level) {
  QSet<QChar> taken;
  for (const QString& caption : level) {
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= caption.size() || caption.count(QLatin1Char('&')) != 1)
      return caption + " has no mnemonic";
    const QChar letter = caption.at(at + 1).toLower();
    if (taken.contains(letter)) return caption + " repeats " + letter;
    taken.insert(letter);
  }
  return QString();
}

bool activate(QWidget* window) {
  window->show();
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

}  // namespace

class KeysTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The captions the user reads are the same letters as ever; each menu opens by Alt and its letter, and F10.
  void everyMenuHasAMnemonicAndF10OpensTheBar() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QMenuBar* bar = main.menuBar();
    QCOMPARE(captions(bar->actions()).replaceInStrings(QStringLiteral("&"), QString()),
             (QStringList{"File", "Control", "Option", "Window", "Library", "Help"}));
    const QStringList items[] = {
        {"Load", "Append", "Load BBS File", "Upload Script", "Exit"},
        {"Next", "Privious", "New Message", "Responce", "Mail To", "List"},
        {"Directry", "Quotation", "Signature", "Font", "Relevance", "Other Config", "Make Board List",
         "Make Name List"},
        {"Init Size", "Init Position"},
        {"Add Loaded Logs", "Library Window", "Answered Message", "Responses", "Back", "Next Unread\tSpace",
         "Previous Unread\tShift+Space", "Mark", "Reopen at Start"},
        {"Help", "About"}};
    QVERIFY2(mnemonicFault(captions(bar->actions())).isEmpty(),
             qPrintable(mnemonicFault(captions(bar->actions()))));
    for (int m = 0; m < 6; ++m) {
      const QStringList level = captions(bar->actions()[m]->menu()->actions());
      QCOMPARE(QStringList(level).replaceInStrings(QStringLiteral("&"), QString()), items[m]);
      QVERIFY2(mnemonicFault(level).isEmpty(), qPrintable(mnemonicFault(level)));
    }
    control<QAction>(&main, "LibraryWindow1")->trigger();
    TLibraryform* library = main.libraryWindow();
    auto* libraryBar = library->findChild<QMenuBar*>();
    QVERIFY(mnemonicFault(captions(libraryBar->actions())).isEmpty());
    const QStringList libraryItems = captions(libraryBar->actions()[0]->menu()->actions());
    QVERIFY2(mnemonicFault(libraryItems).isEmpty(), qPrintable(mnemonicFault(libraryItems)));

    const struct {
      QWidget* window;
      QKeyCombination key;
      QString menu;  // the caption of the menu that opens
    } keys[] = {
        {&main, Qt::Key_F10, "File"},           {&main, Qt::ALT | Qt::Key_F, "File"},
        {&main, Qt::ALT | Qt::Key_O, "Option"}, {&main, Qt::ALT | Qt::Key_L, "Library"},
        {library, Qt::Key_F10, "File"},         {library, Qt::ALT | Qt::Key_F, "File"},
    };
    for (const auto& k : keys) {
      QVERIFY(activate(k.window));
      QTest::keyClick(k.window, k.key.key(), k.key.keyboardModifiers());
      auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY2(open, qPrintable(QKeySequence(k.key).toString()));
      QCOMPARE(stripped(open->title()), k.menu);
      open->close();
      QTRY_VERIFY(!QApplication::activePopupWidget());
    }
    library->close();
    QVERIFY(main.close());
  }

  // Ctrl+Enter presses OK from the editor; Tab leaves it, Ctrl+Tab types a tab.
  void composersTakeCtrlEnterAndTabMovesOn() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    const struct {
      QWidget* window;
      const char* editor;
    } windows[] = {{&app.res(), "Resview"},
                   {&app.newMessage(), "NewView"},
                   {&app.mail(), "MailView"},
                   {&app.sig(), "SigView"}};
    for (const auto& w : windows) {
      auto* ok = control<QPushButton>(w.window, "BitBtn1");
      // The key is what is tested, not what OK does.
      QObject::disconnect(ok, &QPushButton::clicked, nullptr, nullptr);
      ok->setEnabled(true);
      QSignalSpy pressed(ok, &QPushButton::clicked);
      QVERIFY(activate(w.window));
      auto* editor = control<QPlainTextEdit>(w.window, w.editor);
      editor->setFocus();
      QTest::keyClicks(editor, "ab");
      QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
      QTest::keyClick(editor, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
      QCOMPARE(pressed.count(), 2);
      QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
      QCOMPARE(editor->toPlainText(), QStringLiteral("ab\t"));
      QTest::keyClick(editor, Qt::Key_Tab);
      QVERIFY2(QApplication::focusWidget() != editor, w.editor);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget(), editor);
      QCOMPARE(editor->toPlainText(), QStringLiteral("ab\t"));
      ok->setEnabled(false);
      QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
      QCOMPARE(pressed.count(), 2);
      editor->clear();
      w.window->hide();
    }
    QVERIFY(app.main().close());
  }

  // A command that shows a window brings it back from the task bar.
  void ctrlDRestoresAMinimisedLibraryWindow() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    QVERIFY(activate(&main));
    QTest::keyClick(&main, Qt::Key_D, Qt::ControlModifier);
    QWidget* library = main.libraryWindow();
    QVERIFY(library && library->isVisible());
    library->showMinimized();
    QTRY_VERIFY(library->isMinimized());
    QVERIFY(activate(&main));
    QTest::keyClick(&main, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!library->isMinimized());
    QVERIFY(library->isVisible());
    library->close();
    QVERIFY(main.close());
  }
};

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
