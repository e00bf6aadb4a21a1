#include "gui/compose/editorparts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTextBlock>
#include <algorithm>

#include "core/app/appstate.h"
#include "core/compose/counters.h"
#include "core/text/cp932.h"
#include "gui/platform/qtext.h"
#include "gui/shared/controls.h"

namespace pelarin::gui {

namespace {

constexpr int kHeight = 16;
constexpr int kLettersWidth = 48;
constexpr int kLinesWidth = 40;
constexpr int kNumberWidth = 30;

QLabel* label(QWidget* parent, const char* name, const QString& text, int width) {
  auto* l = designControl<QLabel>(parent, name, QRect(0, 0, width, kHeight));
  l->setText(text);
  // The design width was made for a smaller face: "Letters :" is never cut.
  const QSize fits = l->sizeHint();
  l->resize(std::max(width, fits.width()), std::max(kHeight, fits.height()));
  return l;
}

void paint(QLabel* label, CounterColour colour) {
  const QColor background = counterBackground(*label, colour);
  QPalette palette = label->palette();
  if (palette.color(QPalette::Window) == background) return;
  palette.setColor(QPalette::Window, background);
  label->setPalette(palette);
}

}  // namespace

Lines EditorView::lines() const { return editorLines(toBytes(toPlainText())); }

Lines EditorView::lines(FieldEncoder& fields, const char* caption) const {
  return editorLines(toBytes(fields, caption, toPlainText()));
}

void EditorView::setLines(const Lines& lines) {
  // Every line ends in a line break, as in the file the lines come from.
  QString text;
  for (const Bytes& line : lines) {
    text += toQ(line);
    text += QLatin1Char('\n');
  }
  setPlainText(text);
  moveCursor(QTextCursor::Start);
}

void EditorView::keyPressEvent(QKeyEvent* event) {
  // Tab moves the focus (designEditor); Ctrl+Tab is the way to a tab character.
  if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier)
    insertPlainText(QStringLiteral("\t"));
  else
    QPlainTextEdit::keyPressEvent(event);
  Q_EMIT caretEvent();
}

void EditorView::keyReleaseEvent(QKeyEvent* event) {
  QPlainTextEdit::keyReleaseEvent(event);
  Q_EMIT caretEvent();
}

void EditorView::mousePressEvent(QMouseEvent* event) {
  QPlainTextEdit::mousePressEvent(event);
  Q_EMIT caretEvent();
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  Q_EMIT caretEvent();
}

void EditorView::inputMethodEvent(QInputMethodEvent* event) {
  QPlainTextEdit::inputMethodEvent(event);
  Q_EMIT caretEvent();
}

CaretCounts caretCounts(const QPlainTextEdit& editor) {
  const QTextCursor cursor = editor.textCursor();
  const int position = cursor.selectionStart();
  const QTextBlock block = editor.document()->findBlock(position);
  const QString before = block.text().left(position - block.position());
  return {static_cast<int>(cp932Length(before.toStdU16String())), block.blockNumber() + 1};
}

void CounterRow::update(const QPlainTextEdit& editor, const AppState* alarms) const {
  const CaretCounts at = caretCounts(editor);
  if (alarms) {
    paint(letternum, letterColour(at.column, *alarms));
    paint(linenum, lineColour(at.line, *alarms));
  }
  letternum->setText(QString::number(at.column));
  linenum->setText(QString::number(at.line));
}

void CounterRow::reset() const {
  letternum->setText(QStringLiteral("0"));
  linenum->setText(QStringLiteral("0"));
}

QColor counterBackground(const QWidget& label, CounterColour colour) {
  switch (colour) {
    case CounterColour::Caution:
      return QColor(0xFF, 0xFF, 0x00);
    case CounterColour::Alarm:
      return QColor(0xFF, 0x00, 0x00);
    case CounterColour::Normal:
      break;
  }
  const QWidget* window = label.window();
  return window->palette().color(QPalette::Window);
}

EditorView* designEditor(QWidget* parent, const char* name) {
  auto* editor = designControl<EditorView>(parent, name, QRect());
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // A tab typed by habit would go to the host: Tab and Shift+Tab leave the editor.
  editor->setTabChangesFocus(true);
  return editor;
}

CounterRow makeCounterRow(QWidget* parent) {
  CounterRow row{label(parent, "Label1", QStringLiteral("Letters :"), kLettersWidth),
                 label(parent, "letternum", QStringLiteral("0"), kNumberWidth),
                 label(parent, "Label2", QStringLiteral("Lines :"), kLinesWidth),
                 label(parent, "linenum", QStringLiteral("0"), kNumberWidth)};
  // The counters show their alarm colour as a background.
  row.letternum->setAutoFillBackground(true);
  row.linenum->setAutoFillBackground(true);
  return row;
}

void followCaret(EditorView* editor, const CounterRow& row, const AppState* alarms) {
  QObject::connect(editor, &EditorView::caretEvent, editor,
                   [editor, row, alarms] { row.update(*editor, alarms); });
}

void placeCounterRow(const CounterRow& row, int left, int top, int gap) {
  row.Label1->move(left, top);
  row.letternum->move(right(row.Label1) + 2, top);
  row.Label2->move(right(row.letternum) + gap, top);
  row.linenum->move(right(row.Label2) + 2, top);
}

}  // namespace pelarin::gui
