// The association dialog: its layout, the offered list and script files, OK
// writing "bbs.ini" and the table, Cancel and an unwritable file.
#include "gui/lists/setlist.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

QComboBox* combo(QWidget* w, const QString& name) {
  return control<QComboBox>(w, name.toLatin1().constData());
}
QLineEdit* edit(QWidget* w, const QString& name) {
  return control<QLineEdit>(w, name.toLatin1().constData());
}

QStringList items(QComboBox* box) {
  QStringList texts;
  for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
  return texts;
}

// Runs `inside` once the modal dialog is up, then closes it if still open.
void whileOpen(TSetLog& dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, &dialog, [&dialog, inside] {
    if (!dialog.isVisible()) qFatal("the dialog is not open");
    inside();
    if (dialog.isVisible()) dialog.reject();
  });
}

const QString n(int i) { return QString::number(i); }

}  // namespace

class SetlistTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void laidOutInThreeColumnsOfFiveRows() {
    AppState state;
    ScriptedPlatform platform;
    TSetLog dialog(state, platform);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("関連付け"));
    QWidget* ok = control<QPushButton>(&dialog, "BitBtn1");
    QWidget* cancel = control<QPushButton>(&dialog, "BitBtn2");
    QCOMPARE(ok->pos(), QPoint(5, 3));
    QCOMPARE(cancel->y(), 3);
    const QStringList headers{"BBS File", "Target File", "Upload File Name"};
    const QStringList columns{"List", "Target", "upload"};
    int left = 5;
    for (int c = 0; c < 3; ++c) {
      QLineEdit* header = edit(&dialog, QStringLiteral("Edit") + n(c + 1));
      QCOMPARE(header->text(), headers[c]);
      QVERIFY(header->isReadOnly());
      QCOMPARE(header->pos(), QPoint(left, ok->geometry().bottom() + 1 + 5));
      int top = header->geometry().bottom() + 1 + 1;
      for (int r = 1; r <= 5; ++r) {
        QWidget* cell = dialog.findChild<QWidget*>(columns[c] + n(r));
        QVERIFY(cell);
        QCOMPARE(cell->x(), left);
        QCOMPARE(cell->width(), header->width());
        QCOMPARE(cell->y(), top);
        top = cell->geometry().bottom() + 1 + 1;
      }
      left = header->geometry().right() + 1 + 2;
    }
    QWidget* lastUpload = combo(&dialog, QStringLiteral("upload5"));
    QCOMPARE(dialog.width(), lastUpload->geometry().right() + 1 + 5);
    QCOMPARE(dialog.height(), lastUpload->geometry().bottom() + 1 + 5);
  }

  void offersTheListAndScriptFilesAndStoresOnOk() {
    WorkDir dir;
    for (const char* name : {"host2.bod", "host1.bod", "night.txt", "notes.TXT", "x.log"})
      dir.write(QString::fromLatin1(name), "");
    QDir().mkdir(dir.file(QStringLiteral("texts")));
    dir.write(QStringLiteral("texts/day.txt"), "");
    ScriptedPlatform platform;
    AppState state;
    state.WorkDir = (dir.path() + QLatin1Char('/')).toStdString();
    state.TextFileDir = (dir.file(QStringLiteral("texts")) + QLatin1Char('/')).toStdString();
    state.BbsTable[0] = {"host1", sj("ログ"), "night"};
    state.BbsTable[4] = {"old", "t5", ""};
    TSetLog dialog(state, platform);
    whileOpen(dialog, [&] {
      for (int r = 1; r <= 5; ++r) {
        QCOMPARE(items(combo(&dialog, QStringLiteral("List") + n(r))), (QStringList{"host1", "host2"}));
        QCOMPARE(items(combo(&dialog, QStringLiteral("upload") + n(r))), QStringList{"day"});
      }
      QCOMPARE(combo(&dialog, QStringLiteral("List1"))->currentText(), QStringLiteral("host1"));
      QCOMPARE(edit(&dialog, QStringLiteral("Target1"))->text(), QStringLiteral("ログ"));
      QCOMPARE(combo(&dialog, QStringLiteral("upload1"))->currentText(), QStringLiteral("night"));
      QCOMPARE(combo(&dialog, QStringLiteral("List5"))->currentText(), QStringLiteral("old"));
      // A choice from the entries and a typed value alike.
      combo(&dialog, QStringLiteral("List2"))->setCurrentIndex(1);
      edit(&dialog, QStringLiteral("Target2"))->setText(QStringLiteral("abc"));
      combo(&dialog, QStringLiteral("upload2"))->setEditText(QStringLiteral("Typed"));
      combo(&dialog, QStringLiteral("List5"))->setEditText(QString());
      control<QPushButton>(&dialog, "BitBtn1")->click();
    });
    dialog.execute();
    QVERIFY(platform.boxes.empty());
    QCOMPARE(dir.read(QStringLiteral("bbs.ini")),
             "host1\r\nhost2\r\n\r\n\r\n\r\n" + sj("ログ") +
                 "\r\nabc\r\n\r\n\r\nt5\r\nnight\r\nTyped\r\n\r\n\r\n\r\n");
    QCOMPARE(state.BbsTable[1].List, Bytes("host2"));
    QCOMPARE(state.BbsTable[1].Upload, Bytes("Typed"));
    QCOMPARE(state.BbsTable[4].List, Bytes());
    QCOMPARE(state.BbsTable[4].Target, Bytes("t5"));

    // The next opening starts again from the table, with no entry offered twice.
    whileOpen(dialog, [&] {
      QCOMPARE(items(combo(&dialog, QStringLiteral("List3"))), (QStringList{"host1", "host2"}));
      QCOMPARE(combo(&dialog, QStringLiteral("upload2"))->currentText(), QStringLiteral("Typed"));
    });
    dialog.execute();
  }

  void storesWhatIsTypedKeyByKey() {
    WorkDir dir;
    for (const char* name : {"night.bod", "Host1.bod", "night.txt"}) dir.write(QString::fromLatin1(name), "");
    ScriptedPlatform platform;
    AppState state;
    state.WorkDir = (dir.path() + QLatin1Char('/')).toStdString();
    state.TextFileDir = state.WorkDir;
    TSetLog dialog(state, platform);
    // Typed into the field that holds the focus; Tab moves on, Enter is OK.
    const QList<QPair<QString, QString>> typed{{"List1", "Night"}, {"upload1", "NIGHT"}, {"List2", "nig"},
                                               {"upload2", "n"},   {"List3", "host1"},   {"List4", "Host1"}};
    whileOpen(dialog, [&] {
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      for (const auto& [field, text] : typed) {
        combo(&dialog, field)->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), text);
        QCOMPARE(combo(&dialog, field)->currentText(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(combo(&dialog, field)->currentText(), text);
      }
      combo(&dialog, QStringLiteral("List5"))->setFocus();
      QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("NIGHT"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QVERIFY(!dialog.isVisible());
    });
    dialog.execute();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const Bytes lists[] = {"Night", "nig", "host1", "Host1", "NIGHT"};
    for (size_t i = 0; i < kBbsEntries; ++i) QCOMPARE(state.BbsTable[i].List, lists[i]);
    QCOMPARE(state.BbsTable[0].Upload, Bytes("NIGHT"));
    QCOMPARE(state.BbsTable[1].Upload, Bytes("n"));
  }

  void cancelAndAnUnwritableFileChangeNothing() {
    WorkDir dir;
    ScriptedPlatform platform;
    AppState state;
    state.WorkDir = (dir.path() + QLatin1Char('/')).toStdString();
    state.BbsTable[0] = {"keep", "", ""};
    TSetLog dialog(state, platform);
    whileOpen(dialog, [&] {
      combo(&dialog, QStringLiteral("List1"))->setEditText(QStringLiteral("changed"));
      control<QPushButton>(&dialog, "BitBtn2")->click();
    });
    dialog.execute();
    QVERIFY(!dir.exists(QStringLiteral("bbs.ini")));
    QCOMPARE(state.BbsTable[0].List, Bytes("keep"));

    state.WorkDir = (dir.file(QStringLiteral("missing")) + QLatin1Char('/')).toStdString();
    bool stayedOpen = false;
    whileOpen(dialog, [&] {
      combo(&dialog, QStringLiteral("List1"))->setEditText(QStringLiteral("changed"));
      control<QPushButton>(&dialog, "BitBtn1")->click();
      stayedOpen = dialog.isVisible();
    });
    dialog.execute();
    QVERIFY(stayedOpen);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(state.BbsTable[0].List, Bytes("keep"));

    // A character the file cannot hold is named, and nothing is stored.
    state.WorkDir = (dir.path() + QLatin1Char('/')).toStdString();
    whileOpen(dialog, [&] {
      edit(&dialog, QStringLiteral("Target3"))->setText(QStringLiteral("x\U0001F600"));
      control<QPushButton>(&dialog, "BitBtn1")->click();
    });
    dialog.execute();
    QCOMPARE(platform.boxes.size(), size_t{2});
    QVERIFY(!dir.exists(QStringLiteral("bbs.ini")));
  }

  void openedByTheRelevanceItem() {
    WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    bool opened = false;
    whileOpen(app.setLog(), [&] { opened = true; });
    control<QAction>(&app.main(), "Relevance1")->trigger();
    QVERIFY(opened);
    QVERIFY(app.main().close());
  }
};

QTEST_MAIN(SetlistTest)
#include "setlist_test.moc"
