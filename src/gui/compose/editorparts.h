// What every editor window has: the multi-line editor and the caret counters
// beside it, "Letters :" letternum and "Lines :" linenum.
#pragma once

#include <QPlainTextEdit>

#include "core/compose/counters.h"
#include "core/compose/uploadrecords.h"

class QLabel;

namespace pelarin {
struct AppState;
class FieldEncoder;
}  // namespace pelarin

namespace pelarin::gui {

// A multi-line editor that tells when a click, a key (down, press, up) or an
// input method's text has reached it: the moments the counters follow.
class EditorView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit EditorView(QWidget* parent) : QPlainTextEdit(parent) {}

  // The lines as the system's text; throws EncodeError naming what has no form.
  Lines lines() const;
  // The same as one field of a window (FieldEncoder::check() reports every field).
  Lines lines(FieldEncoder& fields, const char* caption) const;
  // Replaces the text with the lines, each ended by a line break, the caret at the start.
  void setLines(const Lines& lines);

 Q_SIGNALS:
  void caretEvent();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
};

// The caret's column (code page 932 bytes before it in its line; the start of
// a selection counts) and line number from 1.
struct CaretCounts {
  int column = 0;
  int line = 1;
};
CaretCounts caretCounts(const QPlainTextEdit& editor);

struct CounterRow {
  QLabel* Label1 = nullptr;
  QLabel* letternum = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* linenum = nullptr;

  // UpdateCounters: the colours from the thresholds (none for the signature
  // editor: alarms null), then the texts.
  void update(const QPlainTextEdit& editor, const AppState* alarms) const;
  // Each opening shows "0" twice and leaves the colours as they were.
  void reset() const;
};

// A multi-line editor with both scroll bars; the layout rule places it.
EditorView* designEditor(QWidget* parent, const char* name);

CounterRow makeCounterRow(QWidget* parent);

// Runs UpdateCounters at every caret event of the editor.
void followCaret(EditorView* editor, const CounterRow& row, const AppState* alarms);

// Label1 at left, top; letternum 2 right of it; Label2 gap right of letternum;
// linenum 2 right of Label2; all on Label1's top.
void placeCounterRow(const CounterRow& row, int left, int top, int gap);

// The background of a counter in each state; normal is the window's own.
QColor counterBackground(const QWidget& label, CounterColour colour);

}  // namespace pelarin::gui
