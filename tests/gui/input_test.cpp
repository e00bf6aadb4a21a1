// The pick list window: a list file's entries offered as they stand, OK only
// on a selected entry, and what a cancelled or impossible pick returns.
#include "gui/lists/input.h"

#include <QListWidget>
#include <QPushButton>

#include "core/app/appstate.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "support/picklist.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

QPushButton* ok(TInputList& list) { return control<QPushButton>(&list, "BitBtn1"); }

QStringList shown(TInputList& list) {
  QStringList rows;
  for (int i = 0; i < entries(list)->count(); ++i) rows << entries(list)->item(i)->text();
  return rows;
}

}  // namespace

class InputTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void offersEveryLineAfterTheTitleAsItStands() {
    WorkDir dir;
    // Duplicates and empty lines stay, in file order; a byte pair that is no
    // character comes back unchanged.
    const Bytes odd = "B7    \x85\x40 odd";
    dir.write("host.bod", sj("ホスト\r\nB12   雑談\r\n\r\nB12   雑談\r\nBF    フリー\r\n") + odd + "\r\n");
    AppState state;
    state.InputListTop = 40;
    state.InputListLeft = 60;
    state.FontName = "DejaVu Sans Mono";
    state.FontSize = 13;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    QCOMPARE(list.windowTitle(), QStringLiteral("Input List"));

    const auto opened = whilePicking(list, [&] {
      QCOMPARE(list.windowTitle(), QStringLiteral("ホスト Board List"));
      QCOMPARE(entries(list)->count(), 5);
      QCOMPARE(shown(list).mid(0, 4), QStringList({"B12   雑談", "", "B12   雑談", "BF    フリー"}));
      QCOMPARE(list.pos(), QPoint(60, 40));
      QCOMPARE(entries(list)->font().family(), QStringLiteral("DejaVu Sans Mono"));
      QCOMPARE(entries(list)->font().pointSize(), 13);
      QVERIFY(entries(list)->selectedItems().isEmpty());
      QVERIFY(!ok(list)->isEnabled());
      entries(list)->setCurrentRow(4);
      QVERIFY(ok(list)->isEnabled());
      ok(list)->click();
    });
    const std::optional<Bytes> picked = list.offer(dir.file("host.bod").toStdString(), " Board List");
    QVERIFY(*opened);
    QCOMPARE(picked, std::optional<Bytes>(odd));
    QCOMPARE(list.PickedText(), odd);
    QVERIFY(!ok(list)->isEnabled());
  }

  // Never sized by the user, the window shows its longest entry whole.
  void firstWidthFitsTheLongestEntry() {
    WorkDir dir;
    const std::string longest = "B99   " + std::string(60, 'W') + " the longest board name";
    dir.write("host.bod", sj(("Host\r\nB1    short\r\n" + longest + "\r\n").c_str()));
    AppState state;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    const auto opened = whilePicking(list, [&] {
      QListWidget* box = entries(list);
      QVERIFY2(
          box->sizeHintForColumn(0) <= box->viewport()->width(),
          qPrintable(QStringLiteral("%1 > %2").arg(box->sizeHintForColumn(0)).arg(box->viewport()->width())));
      list.reject();
    });
    list.offer(dir.file("host.bod").toStdString(), " Board List");
    QVERIFY(*opened);
  }

  void okWaitsForASelectionAtEveryShowing() {
    WorkDir dir;
    dir.write("p.nam", "Host\r\n  0042 Taro\r\n");
    AppState state;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    pickRow(list, 0);
    QCOMPARE(list.offer(dir.file("p.nam").toStdString(), " ID List"), std::optional<Bytes>("  0042 Taro"));
    // The second showing starts with nothing selected and OK disabled again.
    const auto opened = whilePicking(list, [&] {
      QVERIFY(entries(list)->selectedItems().isEmpty());
      QVERIFY(!ok(list)->isEnabled());
      QCOMPARE(entries(list)->count(), 1);
    });
    QCOMPARE(list.offer(dir.file("p.nam").toStdString(), " ID List"), std::nullopt);
    QVERIFY(*opened);
    QCOMPARE(list.PickedText(), Bytes());
  }

  void cancelAfterSelectingReturnsNothing() {
    WorkDir dir;
    dir.write("p.bod", "Host\r\nB1    one\r\nB2    two\r\n");
    AppState state;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    pickRow(list, 1);
    list.offer(dir.file("p.bod").toStdString(), " Board List");
    whilePicking(list, [&] {
      entries(list)->setCurrentRow(0);
      control<QPushButton>(&list, "BitBtn2")->click();
    });
    QCOMPARE(list.offer(dir.file("p.bod").toStdString(), " Board List"), std::nullopt);
    QCOMPARE(list.PickedText(), Bytes());
    QVERIFY(!ok(list)->isEnabled());
  }

  void titleOnlyAndEmptyFilesOfferNothing() {
    const QList<QPair<Bytes, QString>> files{{"Host\r\n", "Host ID List"}, {"", " ID List"}};
    for (const auto& file : files) {
      const Bytes& content = file.first;
      const QString caption = file.second;  // a lambda below takes it
      WorkDir dir;
      dir.write("p.nam", content);
      AppState state;
      ScriptedPlatform platform;
      TInputList list(state, platform);
      const auto opened = whilePicking(list, [&] {
        QCOMPARE(list.windowTitle(), caption);
        QCOMPARE(entries(list)->count(), 0);
        QVERIFY(!ok(list)->isEnabled());
        ok(list)->click();  // disabled: nothing happens
        QVERIFY(list.isVisible());
      });
      QCOMPARE(list.offer(dir.file("p.nam").toStdString(), " ID List"), std::nullopt);
      QVERIFY(*opened);
    }
  }

  void missingFileShowsNothing() {
    WorkDir dir;
    dir.write("p.bod", "Host\r\nB1    one\r\n");
    AppState state;
    ScriptedPlatform platform;
    TInputList list(state, platform);
    pickRow(list, 0);
    list.offer(dir.file("p.bod").toStdString(), " Board List");
    const auto opened = whilePicking(list, [] {});
    QCOMPARE(list.offer(dir.file("none.bod").toStdString(), " Board List"), std::nullopt);
    QCoreApplication::processEvents();
    QVERIFY(!*opened);
    QCOMPARE(list.windowTitle(), QStringLiteral("Host Board List"));
  }
};

QTEST_MAIN(InputTest)
#include "input_test.moc"
