#include "gui/compose/alartwin.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <initializer_list>
#include <optional>
#include <string>

#include "core/app/appstate.h"
#include "core/compose/counters.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "gui/compose/latinfield.h"
#include "gui/compose/radiogroup.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"

namespace pelarin::gui {

namespace {

// Design sizes; FormCreate places every control.
constexpr int kBoxHeight = 24;
constexpr int kAlarmLabelWidth = 89;
constexpr int kCautionLabelWidth = 97;
constexpr int kPercentLabelWidth = 133;
constexpr int kCountWidth = 41;
constexpr int kCountMaxLength = 4;
constexpr int kScrollHeight = 17;
constexpr int kSortHeight = 41;
constexpr int kButtonWidth = 75, kButtonHeight = 25;

QLineEdit* colouredCaption(QWidget* parent, const char* name, const QString& caption, int width,
                           const QColor& colour) {
  QLineEdit* box = captionBox(parent, name, caption, QRect(0, 0, width, kBoxHeight));
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, colour);
  box->setPalette(palette);
  return box;
}

QLineEdit* countEdit(QWidget* parent, const char* name) {
  // Counts are typed as plain digits.
  QLineEdit* edit = designControl<LatinField>(parent, name, QRect(0, 0, kCountWidth, kBoxHeight));
  edit->setMaxLength(kCountMaxLength);
  return edit;
}

QScrollBar* percentBar(QWidget* parent, const char* name) {
  auto* bar = designControl<QScrollBar>(parent, name, QRect(0, 0, 0, kScrollHeight));
  bar->setOrientation(Qt::Horizontal);
  bar->setRange(0, 100);
  bar->setPageStep(10);
  return bar;
}

int rowBottom(std::initializer_list<const QWidget*> row) {
  int b = 0;
  for (const QWidget* w : row) b = qMax(b, bottom(w));
  return b;
}

// The strict integer rule on an edit's text; anything without a code page 932
// form is no integer either.
std::optional<int32_t> integerIn(const QLineEdit* edit) {
  const QString text = edit->text();
  for (QChar c : text)
    if (c.unicode() > 0x7F) return std::nullopt;
  try {
    return StrToInt(text.toStdString());
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

// A text assigned to the edit it already shows raises no change; true for a change.
bool showNumber(QLineEdit* edit, int32_t value) {
  const QString text = QString::number(value);
  if (edit->text() == text) return false;
  edit->setText(text);
  return true;
}

// One threshold as the dialog shows it: the alarm count, the caution count and
// the caution percentage, coupled both ways.
struct Threshold {
  QLineEdit* alarm;
  QLineEdit* caution;
  QScrollBar* bar;
  const char* fallback;   // what a non-integer alarm count becomes
  const char* alarmName;  // for the error texts
  const char* cautionName;

  void keepAlarmInteger() const {
    if (!integerIn(alarm)) alarm->setText(QString::fromLatin1(fallback));
  }

  // The caution count from the bar; a changed count moves the bar in turn, and
  // the exchange stops at a count that is shown already.
  void cautionFromBar(int position) const {
    if (showNumber(caution, cautionCount(StrToInt(toBytes(alarm->text())), position))) barFromCaution();
  }

  // The bar moves to the percentage the caution count is of the alarm count;
  // a count that gives none in the bar's range leaves the bar where it is.
  void barFromCaution() const {
    const int32_t count = StrToInt(toBytes(caution->text()));
    const int32_t of = StrToInt(toBytes(alarm->text()));
    if (of == 0) throw Error(std::string(alarmName) + " is 0 !");
    const int32_t percent = roundHalfEven(int64_t{count} * 100, of);
    if (percent < bar->minimum() || percent > bar->maximum())
      throw Error(std::string(cautionName) + " is out of range !");
    bar->setValue(percent);
  }
};

Threshold letterSide(QLineEdit* alarm, QLineEdit* caution, QScrollBar* bar) {
  return {alarm, caution, bar, "80", "Alarm Letters", "Caution Letters"};
}

Threshold lineSide(QLineEdit* alarm, QLineEdit* caution, QScrollBar* bar) {
  return {alarm, caution, bar, "50", "Alarm Lines", "Caution Lines"};
}

}  // namespace

TAlartform::TAlartform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Other Config"));
  const QColor red(0xFF, 0x00, 0x00), yellow(0xFF, 0xFF, 0x00);
  Edit1 = colouredCaption(this, "Edit1", QStringLiteral("Alarm Letters"), kAlarmLabelWidth, red);
  MaxLetter = countEdit(this, "MaxLetter");
  Edit2 = colouredCaption(this, "Edit2", QStringLiteral("Caution Letters"), kCautionLabelWidth, yellow);
  CautionLetter = countEdit(this, "CautionLetter");
  Edit3 = captionBox(this, "Edit3", QStringLiteral("Caution Percentage"),
                     QRect(0, 0, kPercentLabelWidth, kBoxHeight));
  letterscr = percentBar(this, "letterscr");
  Edit4 = colouredCaption(this, "Edit4", QStringLiteral("Alarm Lines"), kAlarmLabelWidth, red);
  MaxLines = countEdit(this, "MaxLines");
  Edit5 = colouredCaption(this, "Edit5", QStringLiteral("Caution Lines"), kCautionLabelWidth, yellow);
  Cautionlines = countEdit(this, "Cautionlines");
  Edit6 = captionBox(this, "Edit6", QStringLiteral("Caution Percentage"),
                     QRect(0, 0, kPercentLabelWidth, kBoxHeight));
  Linescr = percentBar(this, "Linescr");
  nameBy(MaxLetter, {Edit1});
  nameBy(CautionLetter, {Edit2});
  describe(letterscr, QStringLiteral("Letters ") + Edit3->text());
  nameBy(MaxLines, {Edit4});
  nameBy(Cautionlines, {Edit5});
  describe(Linescr, QStringLiteral("Lines ") + Edit6->text());
  IsSort = designRadioGroup(this, "IsSort", QStringLiteral("Sort Message?"),
                            {QStringLiteral("Yes"), QStringLiteral("No")}, 2, QRect(0, 0, 0, kSortHeight));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setDefault(true);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));

  // A typed count couples the fields once it is complete, not at every key.
  for (QLineEdit* count : {MaxLetter, CautionLetter, MaxLines, Cautionlines}) {
    connect(count, &QLineEdit::textEdited, this, [this, count] { typed_.insert(count); });
    count->installEventFilter(this);
  }
  connect(letterscr, &QScrollBar::valueChanged, this, &TAlartform::letterscrChange);
  connect(Linescr, &QScrollBar::valueChanged, this, &TAlartform::LinescrChange);
  connect(BitBtn1, &QPushButton::clicked, this, &TAlartform::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TAlartform::BitBtn2Click);
  FormCreate();
}

void TAlartform::FormCreate() {
  constexpr int kLeft = 10;
  // A count row: alarm label, alarm edit, caution label, caution edit.
  const auto countRow = [](QLineEdit* alarmLabel, QLineEdit* alarm, QLineEdit* cautionLabel,
                           QLineEdit* caution, int top) {
    alarmLabel->move(kLeft, top);
    alarm->move(right(alarmLabel) + 2, top);
    cautionLabel->move(right(alarm) + 5, top);
    caution->move(right(cautionLabel) + 2, top);
  };
  // A percentage row: its label, and the bar up to the right of the caution edit above.
  const auto percentRow = [](QLineEdit* label, QScrollBar* bar, const QLineEdit* caution, int top) {
    label->move(kLeft, top);
    const int barLeft = right(label) + 3;
    bar->setGeometry(barLeft, top, right(caution) - barLeft, bar->height());
  };

  countRow(Edit1, MaxLetter, Edit2, CautionLetter, 5);
  const int width = right(CautionLetter) + 10;
  percentRow(Edit3, letterscr, CautionLetter, rowBottom({Edit1, MaxLetter, Edit2, CautionLetter}) + 5);
  countRow(Edit4, MaxLines, Edit5, Cautionlines, rowBottom({Edit3, letterscr}) + 15);
  percentRow(Edit6, Linescr, Cautionlines, rowBottom({Edit4, MaxLines, Edit5, Cautionlines}) + 5);
  IsSort->setGeometry(kLeft, rowBottom({Edit6, Linescr}) + 15, width - 2 * kLeft, IsSort->height());
  BitBtn1->move(25, bottom(IsSort) + 15);
  BitBtn2->move(width - 25 - BitBtn2->width(), BitBtn1->y());
  setFixedSize(width, bottom(BitBtn1) + 8);
}

void TAlartform::execute() {
  typed_.clear();
  {
    QScopedValueRollback guard(filling_, true);
    MaxLetter->setText(QString::number(state_.AlarmLetters));
    letterscr->setValue(state_.LetterCaution);
    CautionLetter->setText(QString::number(cautionLetters(state_)));
    MaxLines->setText(QString::number(state_.AlarmLines));
    Linescr->setValue(state_.LineCaution);
    Cautionlines->setText(QString::number(cautionLines(state_)));
    IsSort->setItemIndex(state_.SortMes);
  }
  exec();
}

void TAlartform::BitBtn1Click() {
  for (QLineEdit* count : {MaxLetter, CautionLetter, MaxLines, Cautionlines})
    if (!complete(count)) return;
  runCommand(platform_, this, [this] {
    const int32_t letters = StrToInt(toBytes(MaxLetter->text()));
    const int32_t lines = StrToInt(toBytes(MaxLines->text()));
    state_.AlarmLetters = letters;
    state_.LetterCaution = letterscr->value();
    state_.AlarmLines = lines;
    state_.LineCaution = Linescr->value();
    // A stored value outside the two items checks none: it stays as it was.
    if (IsSort->itemIndex() >= 0) state_.SortMes = IsSort->itemIndex();
    accept();
  });
}

void TAlartform::BitBtn2Click() { reject(); }

bool TAlartform::complete(QLineEdit* count) {
  if (typed_.erase(count) == 0) return true;
  if (count == MaxLetter) return MaxLetterChange();
  if (count == MaxLines) return MaxLinesChange();
  if (count == CautionLetter) return CautionLetterChange();
  return CautionlinesChange();
}

// A typed count is complete when the focus moves on in the dialog or Enter is
// pressed. Not when the window loses the focus, nor on the way to Cancel or
// Esc, where an error box would only stand in the way.
bool TAlartform::eventFilter(QObject* watched, QEvent* event) {
  auto* count = qobject_cast<QLineEdit*>(watched);
  if (count && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        QApplication::focusWidget() != BitBtn2 && isVisible())
      complete(count);
  }
  if (count && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // A count that raised an error keeps the dialog open: Enter goes no further to OK.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !complete(count)) return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool TAlartform::MaxLetterChange() {
  const Threshold side = letterSide(MaxLetter, CautionLetter, letterscr);
  side.keepAlarmInteger();
  return runCommand(platform_, this, [&] { side.cautionFromBar(letterscr->value()); });
}

bool TAlartform::MaxLinesChange() {
  const Threshold side = lineSide(MaxLines, Cautionlines, Linescr);
  side.keepAlarmInteger();
  return runCommand(platform_, this, [&] { side.cautionFromBar(Linescr->value()); });
}

// A moved bar ends the typing of its side: the alarm count is taken as it
// stands, and the caution count follows the bar.
void TAlartform::letterscrChange(int position) {
  if (filling_) return;
  if (!complete(MaxLetter)) return;
  typed_.erase(CautionLetter);
  runCommand(platform_, this,
             [&] { letterSide(MaxLetter, CautionLetter, letterscr).cautionFromBar(position); });
}

void TAlartform::LinescrChange(int position) {
  if (filling_) return;
  if (!complete(MaxLines)) return;
  typed_.erase(Cautionlines);
  runCommand(platform_, this, [&] { lineSide(MaxLines, Cautionlines, Linescr).cautionFromBar(position); });
}

bool TAlartform::CautionLetterChange() {
  return runCommand(platform_, this,
                    [&] { letterSide(MaxLetter, CautionLetter, letterscr).barFromCaution(); });
}

// The line side is coupled as the letter side, so what is typed here is what OK keeps.
bool TAlartform::CautionlinesChange() {
  return runCommand(platform_, this, [&] { lineSide(MaxLines, Cautionlines, Linescr).barFromCaution(); });
}

}  // namespace pelarin::gui
