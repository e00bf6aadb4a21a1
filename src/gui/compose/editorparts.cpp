#include "gui/compose/editorparts.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "gui/platform/geometry.h"

namespace pelarin::gui {

namespace {

constexpr int kHeight = 16;
constexpr int kLettersWidth = 48;
constexpr int kLinesWidth = 40;
constexpr int kNumberWidth = 30;

QLabel* label(QWidget* parent, const char* name, const QString& text, int width) {
  auto* l = designControl<QLabel>(parent, name, QRect(0, 0, width, kHeight));
  l->setText(text);
  return l;
}

}  // namespace

QPlainTextEdit* designEditor(QWidget* parent, const char* name) {
  auto* editor = designControl<QPlainTextEdit>(parent, name, QRect());
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
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

void placeCounterRow(const CounterRow& row, int left, int top, int gap) {
  row.Label1->move(left, top);
  row.letternum->move(right(row.Label1) + 2, top);
  row.Label2->move(right(row.letternum) + gap, top);
  row.linenum->move(right(row.Label2) + 2, top);
}

}  // namespace pelarin::gui
