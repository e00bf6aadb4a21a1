#include "gui/reading/listwin.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/text/errors.h"
#include "core/text/linewriter.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/messagelistmodel.h"
#include "gui/shared/controls.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;

namespace {

struct Message {
  int32_t boardKey;
  int32_t mesNumber;
  Bytes title;
  Bytes resNumber;
  int32_t writerId;
  Bytes writerName;
};

void writeMessage(const QString& dir, int32_t n, const Message& m) {
  LineWriter out(messagePath(dir.toStdString(), n));
  writeMessageKeys(out, m.boardKey, m.mesNumber, m.title, m.resNumber, m.writerId, m.writerName);
  out.writeLine("body line");
  out.close();
}

// A state whose list geometry differs from every default, so taking it shows.
AppState listState(const testing::WorkDir& dir, int32_t count) {
  AppState s;
  s.WorkDir = dir.path().toStdString() + "/";
  s.MesCount = count;
  s.CurrentMes = count > 0 ? 1 : 0;
  s.ListHeight = 300;
  s.ListWidth = 600;
  s.ListTop = 40;
  s.ListLeft = 30;
  s.ListColWidth = {50, 50, 50, 140, 300, 300};
  s.FontName = testing::sj("ＭＳ ゴシック");
  s.FontSize = 9;
  return s;
}

QString cell(QTableView* grid, int message, int column) {
  return grid->model()->index(rowOfMessage(message), column).data().toString();
}

QStringList rowTexts(QTableView* grid, int message) {
  QStringList texts;
  for (int c = 0; c < MessageListModel::kColumns; ++c) texts << cell(grid, message, c);
  return texts;
}

void activate(QWidget* window) {
  QEvent event(QEvent::WindowActivate);
  QCoreApplication::sendEvent(window, &event);
}

void settle(QWidget* window) {
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QCoreApplication::processEvents();
}

}  // namespace

class ListwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void buildsOneRowPerMessageWithTheHeaderTexts() {
    testing::WorkDir dir;
    writeMessage(dir.path(), 1, {12, 345, testing::sj("題名です"), "", 77, testing::sj("山田")});
    writeMessage(dir.path(), 2, {20000, 0, "mail title", "", 42, "Sender"});
    writeMessage(dir.path(), 3, {30003, 5, "file.lzh", "", 0, "Uploader"});
    AppState state = listState(dir, 3);
    state.CurrentMes = 2;
    ScriptedPlatform platform;
    TListform list(state, platform);
    QSignalSpy selected(&list, &TListform::rowSelected);

    list.BtListClick();

    auto* grid = testing::control<QTableView>(&list, "MesList");
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->columnCount(), 6);
    const QStringList headers{"B No.", "M No.", " ID", " Writer", " Title", "R No."};
    for (int c = 0; c < 6; ++c) QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(rowTexts(grid, 1),
             (QStringList{"B12", "345", "77", QStringLiteral("山田"), QStringLiteral("題名です"), ""}));
    QCOMPARE(rowTexts(grid, 2), (QStringList{"M", "", "42", "Sender", "mail title", ""}));
    QCOMPARE(rowTexts(grid, 3), (QStringList{"F3", "5", "", "Uploader", "file.lzh", ""}));

    // The selection of CurrentMes runs the select event once.
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 2);
    QCOMPARE(grid->currentIndex().row(), rowOfMessage(2));
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);

    QVERIFY(list.isVisible());
    QCOMPARE(list.pos(), QPoint(30, 40));
    for (int c = 0; c < 6; ++c) QCOMPARE(grid->columnWidth(c), state.ListColWidth[static_cast<size_t>(c)]);
    QCOMPARE(grid->font().pointSize(), 9);
    QCOMPARE(grid->rowHeight(0), 18);
    QVERIFY(grid->editTriggers() == QAbstractItemView::NoEditTriggers);
    QVERIFY(grid->selectionBehavior() == QAbstractItemView::SelectRows);
    QVERIFY(!grid->horizontalHeader()->sectionsMovable());
  }

  void anEmptyStoreShowsTheHeaderOnly() {
    testing::WorkDir dir;
    AppState state = listState(dir, 0);
    ScriptedPlatform platform;
    TListform list(state, platform);
    QSignalSpy selected(&list, &TListform::rowSelected);
    list.BtListClick();
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral(" Title"));
    QCOMPARE(selected.count(), 0);
    QVERIFY(list.isVisible());
  }

  void aMissingFileStopsTheBuildKeepingTheRowsReadBeforeIt() {
    testing::WorkDir dir;
    writeMessage(dir.path(), 1, {5, 1, "first", "", 1, "A"});
    writeMessage(dir.path(), 3, {5, 3, "third", "", 3, "C"});
    AppState state = listState(dir, 3);
    ScriptedPlatform platform;
    TListform list(state, platform);
    QVERIFY_THROWS_EXCEPTION(FileError, list.BtListClick());
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(cell(grid, 1, 4), QStringLiteral("first"));
    QCOMPARE(cell(grid, 2, 4), QString());
    QCOMPARE(cell(grid, 3, 4), QString());
  }

  void aLargerStoreBuildsEveryRow() {
    testing::WorkDir dir;
    constexpr int kCount = 2000;
    for (int n = 1; n <= kCount; ++n)
      writeMessage(dir.path(), n, {n % 7, n, "title " + std::to_string(n), std::to_string(n / 2), n, "w"});
    AppState state = listState(dir, kCount);
    state.CurrentMes = kCount;
    ScriptedPlatform platform;
    TListform list(state, platform);
    QSignalSpy selected(&list, &TListform::rowSelected);
    list.BtListClick();
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QCOMPARE(grid->model()->rowCount(), kCount);
    for (int n = 1; n <= kCount; ++n) {
      const QString board = n % 7 == 0 ? QStringLiteral("BF") : QStringLiteral("B%1").arg(n % 7);
      QCOMPARE(rowTexts(grid, n), (QStringList{board, QString::number(n), QString::number(n), "w",
                                               QStringLiteral("title %1").arg(n), QString::number(n / 2)}));
    }
    QCOMPARE(selected.count(), 1);
    QCOMPARE(grid->currentIndex().row(), rowOfMessage(kCount));
  }

  void selectRowRunsTheSelectEventAlsoWhileHidden() {
    testing::WorkDir dir;
    for (int n = 1; n <= 3; ++n) writeMessage(dir.path(), n, {1, n, "t", "", n, "w"});
    AppState state = listState(dir, 3);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.BtListClick();
    list.close();
    QVERIFY(!list.isVisible());
    QSignalSpy selected(&list, &TListform::rowSelected);
    auto* grid = testing::control<QTableView>(&list, "MesList");

    list.selectRow(3);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 3);
    QCOMPARE(grid->currentIndex().row(), rowOfMessage(3));

    // Outside the store: nothing to show.
    list.selectRow(0);
    list.selectRow(4);
    QCOMPARE(selected.count(), 1);
  }

  void aQuietSelectionPassesOnOnlyTheProgramsSelectEvent() {
    testing::WorkDir dir;
    for (int n = 1; n <= 3; ++n) writeMessage(dir.path(), n, {1, n, "t", "", n, "w"});
    AppState state = listState(dir, 3);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.BtListClick();
    settle(&list);
    auto* grid = testing::control<QTableView>(&list, "MesList");
    const QRect second = grid->visualRect(grid->model()->index(rowOfMessage(2), 1));
    QSignalSpy selected(&list, &TListform::rowSelected);
    QVERIFY(!list.quietSelection());
    {
      TListform::QuietSelection outer(list);
      {
        TListform::QuietSelection inner(list);
        list.selectRow(3);  // once, after the move, not also from the grid
        QCOMPARE(selected.count(), 1);
      }
      QVERIFY(list.quietSelection());  // the inner guard leaves the outer one in force
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
      QCOMPARE(grid->currentIndex().row(), rowOfMessage(2));
      QCOMPARE(selected.count(), 1);
    }
    QVERIFY(!list.quietSelection());
    list.selectRow(3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(selected.count(), 3);
    QCOMPARE(selected.last().at(0).toInt(), 2);
  }

  void clickingARowSelectsItAndADoubleClickCloses() {
    testing::WorkDir dir;
    for (int n = 1; n <= 3; ++n) writeMessage(dir.path(), n, {1, n, "t", "", n, "w"});
    AppState state = listState(dir, 3);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.BtListClick();
    settle(&list);
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QSignalSpy selected(&list, &TListform::rowSelected);
    QSignalSpy closed(&list, &TListform::listClosed);

    const QRect third = grid->visualRect(grid->model()->index(rowOfMessage(3), 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 3);
    QVERIFY(list.isVisible());

    const QRect second = grid->visualRect(grid->model()->index(rowOfMessage(2), 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(selected.last().at(0).toInt(), 2);
    QVERIFY(!list.isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(platform.boxes.size(), size_t{0});
  }

  void closeRecordsSizePositionAndColumnWidths() {
    testing::WorkDir dir;
    writeMessage(dir.path(), 1, {1, 1, "t", "", 1, "w"});
    AppState state = listState(dir, 1);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.BtListClick();
    settle(&list);
    auto* grid = testing::control<QTableView>(&list, "MesList");
    list.resize(520, 260);
    list.move(70, 90);
    grid->setColumnWidth(0, 33);
    grid->setColumnWidth(5, 44);
    QSignalSpy closed(&list, &TListform::listClosed);

    testing::control<QPushButton>(&list, "BitBtn1")->click();

    QVERIFY(!list.isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(state.ListWidth, 520);
    QCOMPARE(state.ListHeight, 260);
    QCOMPARE(state.ListLeft, 70);
    QCOMPARE(state.ListTop, 90);
    QCOMPARE(state.ListColWidth, (std::array<int32_t, 6>{33, 50, 50, 140, 300, 44}));
  }

  void activationTakesTheStoredSizeAndDerivesAWidthOfZero() {
    testing::WorkDir dir;
    AppState state = listState(dir, 0);
    state.ListWidth = 0;
    ScriptedPlatform platform;
    TListform list(state, platform);
    auto* button = testing::control<QPushButton>(&list, "BitBtn1");
    // At creation: the button's design place, and the width derived from it.
    QCOMPARE(button->pos(), QPoint(400, 5));
    // The derived width shows every column whole, and the button.
    QCOMPARE(list.height(), 300);
    QVERIFY(list.width() >= right(button) + 10);
    QCOMPARE(list.pos(), QPoint(30, 40));

    list.BtListClick();
    settle(&list);
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QVERIFY2(grid->horizontalHeader()->length() <= grid->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2")
                            .arg(grid->horizontalHeader()->length())
                            .arg(grid->viewport()->width())));
    QSignalSpy activated(&list, &TListform::listActivated);
    list.resize(700, 500);
    QCOMPARE(list.width(), 700);
    activate(&list);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(list.size(), QSize(700, 500));  // the user's size stays

    // A close records the real width; the next activation keeps it.
    list.resize(640, 310);
    list.close();
    QCOMPARE(state.ListWidth, 640);
    list.BtListClick();
    settle(&list);
    activate(&list);
    QCOMPARE(list.size(), QSize(640, 310));
  }

  void theLayoutFillsTheClientAreaBelowTheButton() {
    testing::WorkDir dir;
    AppState state = listState(dir, 0);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.show();
    settle(&list);
    auto* button = testing::control<QPushButton>(&list, "BitBtn1");
    auto* grid = testing::control<QTableView>(&list, "MesList");
    for (const QSize size : {QSize(640, 480), QSize(300, 200)}) {
      list.resize(size);
      QCOMPARE(button->geometry(), QRect(400, 5, 75, 25));
      QCOMPARE(grid->geometry(), QRect(0, 35, size.width(), size.height() - 35));
    }
  }

  void theFontCommandSetsFontAndRowHeight() {
    testing::WorkDir dir;
    writeMessage(dir.path(), 1, {1, 1, "t", "", 1, "w"});
    AppState state = listState(dir, 1);
    ScriptedPlatform platform;
    TListform list(state, platform);
    list.BtListClick();
    QFont font(QStringLiteral("Monospace"));
    font.setPointSize(12);
    list.applyFont(font);
    auto* grid = testing::control<QTableView>(&list, "MesList");
    QCOMPARE(grid->font().pointSize(), 12);
    QCOMPARE(grid->rowHeight(0), 24);
  }
};

QTEST_MAIN(ListwinTest)
#include "listwin_test.moc"
