// The Other Config dialog: its layout, the opening values, the coupling of
// counts and percentages, and what OK and Cancel store.
#include "gui/compose/alartwin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <iterator>
#include <string_view>

#include "core/app/appstate.h"
#include "gui/compose/radiogroup.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

QLineEdit* edit(QWidget* w, const char* name) { return control<QLineEdit>(w, name); }
QScrollBar* bar(QWidget* w, const char* name) { return control<QScrollBar>(w, name); }
int rightOf(const QWidget* w) { return w->x() + w->width(); }
int bottomOf(const QWidget* w) { return w->y() + w->height(); }

AppState thresholds(int32_t letters, int32_t letterCaution, int32_t lines, int32_t lineCaution,
                    int32_t sort) {
  AppState state;
  state.AlarmLetters = letters;
  state.LetterCaution = letterCaution;
  state.AlarmLines = lines;
  state.LineCaution = lineCaution;
  state.SortMes = sort;
  return state;
}

// One change while the dialog is open on 80, 90 % (72), 50, 70 % (35), and
// what all six controls show then. A bar moves to position; an edit gets input.
struct Coupling {
  const char* name;
  const char* target;
  const char* input;
  int position;
  const char* maxLetter;
  const char* cautionLetter;
  int letterPosition;
  const char* maxLines;
  const char* cautionLines;
  int linePosition;
};
const Coupling kCouplings[] = {
    {"cleared letters", "MaxLetter", "", 0, "80", "72", 90, "50", "35", 70},
    {"letters not a number", "MaxLetter", "x", 0, "80", "72", 90, "50", "35", 70},
    {"cleared lines", "MaxLines", "", 0, "80", "72", 90, "50", "35", 70},
    {"new alarm letters", "MaxLetter", "40", 0, "40", "36", 90, "50", "35", 70},
    {"hex alarm", "MaxLetter", "$64", 0, "$64", "90", 90, "50", "35", 70},
    // 52.5 lines round to 52, which are 69 % of 75: the bar follows the count.
    {"new alarm lines", "MaxLines", "75", 0, "80", "72", 90, "75", "52", 69},
    {"caution letters", "CautionLetter", "60", 0, "80", "60", 75, "50", "35", 70},
    {"caution lines", "Cautionlines", "25", 0, "80", "72", 90, "50", "25", 50},
    {"letter bar", "letterscr", "", 60, "80", "48", 60, "50", "35", 70},
    {"line bar", "Linescr", "", 40, "80", "72", 90, "50", "20", 40},
    // 26.4 letters show as 26, which are 32.5 %, to the even 32; 32 % gives 26 again.
    {"letter bar snaps", "letterscr", "", 33, "80", "26", 32, "50", "35", 70},
    {"line bar snaps", "Linescr", "", 45, "80", "72", 90, "50", "22", 44},
};

// A text that gives no percentage, on the same opening, and the box it raises.
struct Invalid {
  const char* name;
  const char* target;
  const char* input;
  const char* message;
};
const Invalid kInvalid[] = {
    {"not an integer", "CautionLetter", "7a", "'7a' は整数ではありません"},
    {"cleared", "CautionLetter", "", "'' は整数ではありません"},
    {"above the alarm", "CautionLetter", "90", "Caution Letters is out of range !"},
    {"negative", "CautionLetter", "-8", "Caution Letters is out of range !"},
    {"alarm made 0", "MaxLetter", "0", "Alarm Letters is 0 !"},
    {"lines above the alarm", "Cautionlines", "51", "Caution Lines is out of range !"},
};

// Runs `inside` once the modal dialog is up, then lets `execute` return.
void whileOpen(TAlartform& dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, &dialog, [&dialog, inside] {
    if (!dialog.isVisible()) qFatal("the dialog is not open");
    if (!QTest::qWaitForWindowActive(&dialog)) qFatal("the dialog is not active");
    inside();
    if (dialog.isVisible()) dialog.reject();
  });
}

// Types text over the edit's whole content by keys; an empty text deletes it.
void typeOver(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  if (text.isEmpty())
    QTest::keyClick(edit, Qt::Key_Backspace);
  else
    QTest::keyClicks(edit, text);
}

// Types the text, then moves on with Tab, which makes the value complete.
void typeIn(QLineEdit* edit, const QString& text) {
  typeOver(edit, text);
  QTest::keyClick(edit, Qt::Key_Tab);
}

}  // namespace

class AlartwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void laidOutOnceAtCreation() {
    AppState state;
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    QCOMPARE(d.windowTitle(), QStringLiteral("Other Config"));
    const struct {
      const char *alarmLabel, *alarm, *cautionLabel, *caution, *percentLabel, *scroll;
    } rows[] = {{"Edit1", "MaxLetter", "Edit2", "CautionLetter", "Edit3", "letterscr"},
                {"Edit4", "MaxLines", "Edit5", "Cautionlines", "Edit6", "Linescr"}};
    int top = 5;
    for (const auto& r : rows) {
      QCOMPARE(edit(&d, r.alarmLabel)->pos(), QPoint(10, top));
      QCOMPARE(edit(&d, r.alarm)->pos(), QPoint(rightOf(edit(&d, r.alarmLabel)) + 2, top));
      QCOMPARE(edit(&d, r.cautionLabel)->pos(), QPoint(rightOf(edit(&d, r.alarm)) + 5, top));
      QCOMPARE(edit(&d, r.caution)->pos(), QPoint(rightOf(edit(&d, r.cautionLabel)) + 2, top));
      const int percentTop = bottomOf(edit(&d, r.caution)) + 5;
      QCOMPARE(edit(&d, r.percentLabel)->pos(), QPoint(10, percentTop));
      QCOMPARE(bar(&d, r.scroll)->y(), percentTop);
      QCOMPARE(bar(&d, r.scroll)->x(), rightOf(edit(&d, r.percentLabel)) + 3);
      QCOMPARE(rightOf(bar(&d, r.scroll)), rightOf(edit(&d, r.caution)));
      QCOMPARE(bar(&d, r.scroll)->orientation(), Qt::Horizontal);
      QCOMPARE(bar(&d, r.scroll)->minimum(), 0);
      QCOMPARE(bar(&d, r.scroll)->maximum(), 100);
      QCOMPARE(bar(&d, r.scroll)->pageStep(), 10);
      QCOMPARE(edit(&d, r.alarm)->maxLength(), 4);
      QCOMPARE(edit(&d, r.caution)->maxLength(), 4);
      QVERIFY(edit(&d, r.alarmLabel)->isReadOnly());
      QCOMPARE(edit(&d, r.alarmLabel)->palette().color(QPalette::Base), QColor(0xFF, 0, 0));
      QCOMPARE(edit(&d, r.cautionLabel)->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0));
      top = bottomOf(edit(&d, r.percentLabel)) + 15;
    }
    QCOMPARE(edit(&d, "Edit1")->text(), QStringLiteral("Alarm Letters"));
    QCOMPARE(edit(&d, "Edit5")->text(), QStringLiteral("Caution Lines"));
    QCOMPARE(edit(&d, "Edit6")->text(), QStringLiteral("Caution Percentage"));

    auto* sort = control<RadioGroup>(&d, "IsSort");
    QCOMPARE(sort->title(), QStringLiteral("Sort Message?"));
    QCOMPARE(sort->count(), 2);
    QCOMPARE(sort->item(0)->text(), QStringLiteral("Yes"));
    QCOMPARE(sort->item(1)->text(), QStringLiteral("No"));
    QCOMPARE(sort->item(0)->y(), sort->item(1)->y());  // two columns
    QCOMPARE(sort->pos(), QPoint(10, bottomOf(edit(&d, "Edit6")) + 15));

    const int width = rightOf(edit(&d, "CautionLetter")) + 10;
    auto* ok = control<QPushButton>(&d, "BitBtn1");
    auto* cancel = control<QPushButton>(&d, "BitBtn2");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(ok->pos(), QPoint(25, bottomOf(sort) + 15));
    QCOMPARE(cancel->y(), ok->y());
    QCOMPARE(rightOf(cancel), width - 25);
    QCOMPARE(d.size(), QSize(width, bottomOf(ok) + 8));
    QCOMPARE(d.minimumSize(), d.maximumSize());
  }

  void openingShowsTheStoredValuesAndOkKeepsThem() {
    // 5 × 90 % is 4.5, shown as 4; 4 of 5 would be 80 %, yet the bar shows 90.
    AppState state = thresholds(5, 90, 75, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      QCOMPARE(edit(&d, "MaxLetter")->text(), QStringLiteral("5"));
      QCOMPARE(bar(&d, "letterscr")->value(), 90);
      QCOMPARE(edit(&d, "CautionLetter")->text(), QStringLiteral("4"));
      QCOMPARE(edit(&d, "MaxLines")->text(), QStringLiteral("75"));
      QCOMPARE(bar(&d, "Linescr")->value(), 70);
      QCOMPARE(edit(&d, "Cautionlines")->text(), QStringLiteral("52"));
      QCOMPARE(control<RadioGroup>(&d, "IsSort")->itemIndex(), 1);
      control<QPushButton>(&d, "BitBtn1")->click();
    });
    d.execute();
    QCOMPARE(state.LetterCaution, 90);
    QCOMPARE(state.LineCaution, 70);
    QVERIFY(platform.boxes.empty());

    // A second opening starts from the state again, also from a zero alarm count.
    state = thresholds(0, 0, 50, 70, 0);
    whileOpen(d, [&] {
      QCOMPARE(edit(&d, "MaxLetter")->text(), QStringLiteral("0"));
      QCOMPARE(edit(&d, "CautionLetter")->text(), QStringLiteral("0"));
      QCOMPARE(bar(&d, "letterscr")->value(), 0);
      QCOMPARE(control<RadioGroup>(&d, "IsSort")->itemIndex(), 0);
    });
    d.execute();
    QVERIFY(platform.boxes.empty());
  }

  void countsAndPercentagesFollowEachOther_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kCouplings)); ++i) QTest::newRow(kCouplings[i].name) << i;
  }

  void countsAndPercentagesFollowEachOther() {
    QFETCH(int, row);
    const Coupling& c = kCouplings[row];
    AppState state = thresholds(80, 90, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      if (auto* scroll = d.findChild<QScrollBar*>(QLatin1String(c.target)))
        scroll->setValue(c.position);
      else
        typeIn(edit(&d, c.target), QString::fromUtf8(c.input));
      QCOMPARE(edit(&d, "MaxLetter")->text(), QLatin1String(c.maxLetter));
      QCOMPARE(edit(&d, "CautionLetter")->text(), QLatin1String(c.cautionLetter));
      QCOMPARE(bar(&d, "letterscr")->value(), c.letterPosition);
      QCOMPARE(edit(&d, "MaxLines")->text(), QLatin1String(c.maxLines));
      QCOMPARE(edit(&d, "Cautionlines")->text(), QLatin1String(c.cautionLines));
      QCOMPARE(bar(&d, "Linescr")->value(), c.linePosition);
    });
    d.execute();
    QVERIFY(platform.boxes.empty());
  }

  void typedCountsCoupleOnceComplete() {
    AppState state = thresholds(80, 90, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      QLineEdit* caution = edit(&d, "CautionLetter");
      // Deleting and typing run nothing: no box for the empty field, no bar at "6".
      typeOver(caution, QString());
      QTest::keyClicks(caution, QStringLiteral("6"));
      QCOMPARE(bar(&d, "letterscr")->value(), 90);
      QTest::keyClicks(caution, QStringLiteral("0"));
      QCOMPARE(bar(&d, "letterscr")->value(), 90);
      QTest::keyClick(caution, Qt::Key_Tab);
      QCOMPARE(bar(&d, "letterscr")->value(), 75);
      QCOMPARE(caution->text(), QStringLiteral("60"));
      bar(&d, "letterscr")->setValue(90);
      QCOMPARE(caution->text(), QStringLiteral("72"));

      // An emptied alarm count stays empty while typing and is put back when complete.
      QLineEdit* alarm = edit(&d, "MaxLetter");
      typeOver(alarm, QString());
      QCOMPARE(alarm->text(), QString());
      QTest::keyClick(alarm, Qt::Key_Tab);
      QCOMPARE(alarm->text(), QStringLiteral("80"));
      QCOMPARE(caution->text(), QStringLiteral("72"));

      // A bar moved while a count is typed takes that count as complete.
      typeOver(alarm, QStringLiteral("40"));
      bar(&d, "letterscr")->setValue(50);
      QCOMPARE(caution->text(), QStringLiteral("20"));
      QVERIFY(platform.boxes.empty());

      // "10" does not pass through "1", which would be 100 %; Enter completes it and is OK.
      typeOver(alarm, QStringLiteral("10"));
      QCOMPARE(caution->text(), QStringLiteral("20"));
      QTest::keyClick(alarm, Qt::Key_Return);
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QVERIFY(platform.boxes.empty());
    QCOMPARE(state.AlarmLetters, 10);
    QCOMPARE(state.LetterCaution, 50);
  }

  void enterOnAnInvalidCountStaysAndCancelAsksNothing() {
    AppState state = thresholds(80, 90, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      QLineEdit* caution = edit(&d, "CautionLetter");
      typeOver(caution, QStringLiteral("99"));
      QTest::keyClick(caution, Qt::Key_Return);
      QVERIFY(d.isVisible());
      QCOMPARE(platform.boxes.size(), size_t{1});
      QCOMPARE(platform.boxes[0].text, QStringLiteral("Caution Letters is out of range !"));
      // The way to Cancel raises nothing more.
      typeOver(caution, QStringLiteral("7a"));
      QTest::mouseClick(control<QPushButton>(&d, "BitBtn2"), Qt::LeftButton);
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(state.LetterCaution, 90);
    QCOMPARE(state.AlarmLetters, 80);
  }

  void barSnapsToTheCountItShows() {
    // With 3 letters, 84 % is 2.52, so 3 letters, which are 100 %.
    AppState state = thresholds(3, 50, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      bar(&d, "letterscr")->setValue(70);
      QCOMPARE(edit(&d, "CautionLetter")->text(), QStringLiteral("2"));
      QCOMPARE(bar(&d, "letterscr")->value(), 70);
      bar(&d, "letterscr")->setValue(84);
      QCOMPARE(edit(&d, "CautionLetter")->text(), QStringLiteral("3"));
      QCOMPARE(bar(&d, "letterscr")->value(), 100);
    });
    d.execute();
  }

  void invalidCautionIsReportedAndTheBarStays_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kInvalid)); ++i) QTest::newRow(kInvalid[i].name) << i;
  }

  void invalidCautionIsReportedAndTheBarStays() {
    QFETCH(int, row);
    const Invalid& c = kInvalid[row];
    AppState state = thresholds(80, 90, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      typeIn(edit(&d, c.target), QString::fromUtf8(c.input));
      QVERIFY(d.isVisible());
      QCOMPARE(bar(&d, "letterscr")->value(), 90);
      QCOMPARE(bar(&d, "Linescr")->value(), 70);
      // OK still stores the alarm counts and the positions the bars kept.
      control<QPushButton>(&d, "BitBtn1")->click();
    });
    d.execute();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(platform.boxes[0].text, QString::fromUtf8(c.message));
    QCOMPARE(state.LetterCaution, 90);
    QCOMPARE(state.LineCaution, 70);
    QCOMPARE(state.AlarmLetters, c.target == std::string_view("MaxLetter") ? 0 : 80);
  }

  void okStoresFiveFieldsAndCancelNone() {
    AppState state = thresholds(80, 90, 50, 70, 1);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    const auto change = [&] {
      typeIn(edit(&d, "MaxLetter"), QStringLiteral("100"));
      bar(&d, "letterscr")->setValue(50);
      typeIn(edit(&d, "MaxLines"), QStringLiteral("20"));
      typeIn(edit(&d, "Cautionlines"), QStringLiteral("5"));
      control<RadioGroup>(&d, "IsSort")->item(0)->click();
    };
    whileOpen(d, [&] {
      change();
      control<QPushButton>(&d, "BitBtn2")->click();
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QCOMPARE(state.AlarmLetters, 80);
    QCOMPARE(state.LetterCaution, 90);
    QCOMPARE(state.AlarmLines, 50);
    QCOMPARE(state.LineCaution, 70);
    QCOMPARE(state.SortMes, 1);

    whileOpen(d, [&] {
      change();
      QCOMPARE(edit(&d, "CautionLetter")->text(), QStringLiteral("50"));
      control<QPushButton>(&d, "BitBtn1")->click();
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QCOMPARE(state.AlarmLetters, 100);
    QCOMPARE(state.LetterCaution, 50);
    QCOMPARE(state.AlarmLines, 20);
    QCOMPARE(state.LineCaution, 25);
    QCOMPARE(state.SortMes, 0);
    QVERIFY(platform.boxes.empty());
  }

  void sortValueOutsideTheItemsIsKept() {
    AppState state = thresholds(80, 90, 50, 70, 7);
    ScriptedPlatform platform;
    TAlartform d(state, platform);
    whileOpen(d, [&] {
      QCOMPARE(control<RadioGroup>(&d, "IsSort")->itemIndex(), -1);
      control<QPushButton>(&d, "BitBtn1")->click();
    });
    d.execute();
    QCOMPARE(state.SortMes, 7);
  }
};

QTEST_MAIN(AlartwinTest)
#include "alartwin_test.moc"
