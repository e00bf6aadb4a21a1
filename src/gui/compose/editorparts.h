// What every editor window has: the multi-line editor and the caret counters
// beside it, "Letters :" letternum and "Lines :" linenum.
#pragma once

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace pelarin::gui {

struct CounterRow {
  QLabel* Label1;
  QLabel* letternum;
  QLabel* Label2;
  QLabel* linenum;
};

// A multi-line editor with both scroll bars; the layout rule places it.
QPlainTextEdit* designEditor(QWidget* parent, const char* name);

CounterRow makeCounterRow(QWidget* parent);

// Label1 at left, top; letternum 2 right of it; Label2 gap right of letternum;
// linenum 2 right of Label2; all on Label1's top.
void placeCounterRow(const CounterRow& row, int left, int top, int gap);

}  // namespace pelarin::gui
