#include "gui/shared/controls.h"

#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QWidget>

namespace pelarin::gui {

namespace {
// Frame and text margins of a one-line box, both sides.
constexpr int kCaptionMargins = 12;
}  // namespace

int boxWidthFor(const QLineEdit* box, const QString& text) {
  return box->fontMetrics().horizontalAdvance(text) + kCaptionMargins;
}

void drawAsLabel(QLineEdit* box) {
  box->setFrame(false);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  box->setPalette(palette);
}

QLineEdit* captionBox(QWidget* parent, const char* name, const QString& caption, const QRect& design) {
  auto* box = designControl<QLineEdit>(parent, name, design);
  // The design widths were made for a narrower face: a caption is never cut.
  const int fits = boxWidthFor(box, caption);
  if (box->width() < fits) box->resize(fits, box->height());
  box->setText(caption);
  // Read as what it is, a caption, not as an unnamed box.
  box->setAccessibleName(caption);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  drawAsLabel(box);
  return box;
}

QLineEdit* valueBox(QWidget* parent, const char* name, const QString& widest, const QRect& design) {
  auto* box = designControl<QLineEdit>(parent, name, design);
  const int fits = boxWidthFor(box, widest);
  if (box->width() < fits) box->resize(fits, box->height());
  box->setReadOnly(true);
  return box;
}

QPushButton* designButton(QWidget* parent, const char* name, const QString& caption, const QRect& design) {
  auto* button = designControl<QPushButton>(parent, name, design);
  button->setText(caption);
  // The caption and the style's margins; not sizeHint(), whose floor of 80 would widen every design button.
  const int fits = button->fontMetrics().horizontalAdvance(caption) +
                   2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) + 4;
  if (button->width() < fits) button->resize(fits, button->height());
  return button;
}

void sameWidth(std::initializer_list<QWidget*> controls) {
  int widest = 0;
  for (const QWidget* w : controls) widest = qMax(widest, w->width());
  for (QWidget* w : controls) w->resize(widest, w->height());
}

int right(const QWidget* w) { return w->x() + w->width(); }
int bottom(const QWidget* w) { return w->y() + w->height(); }

}  // namespace pelarin::gui
