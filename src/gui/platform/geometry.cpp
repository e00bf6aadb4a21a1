#include "gui/platform/geometry.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QWidget>

namespace pelarin::gui {

namespace {
// Frame and text margins of a one-line box, both sides.
constexpr int kCaptionMargins = 12;
}  // namespace

QLineEdit* captionBox(QWidget* parent, const char* name, const QString& caption, const QRect& design) {
  auto* box = designControl<QLineEdit>(parent, name, design);
  // The design widths were made for a narrower face: a caption is never cut.
  const int fits = box->fontMetrics().horizontalAdvance(caption) + kCaptionMargins;
  if (box->width() < fits) box->resize(fits, box->height());
  box->setText(caption);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

QPushButton* designButton(QWidget* parent, const char* name, const QString& caption, const QRect& design) {
  auto* button = designControl<QPushButton>(parent, name, design);
  button->setText(caption);
  return button;
}

void sameWidth(std::initializer_list<QWidget*> controls) {
  int widest = 0;
  for (const QWidget* w : controls) widest = qMax(widest, w->width());
  for (QWidget* w : controls) w->resize(widest, w->height());
}

int right(const QWidget* w) { return w->x() + w->width(); }
int bottom(const QWidget* w) { return w->y() + w->height(); }

void setClientSize(QWidget* window, int width, int height) {
  const QSize old = window->size();
  window->resize(width, height);
  if (!window->isVisible()) {
    QResizeEvent event(window->size(), old);
    QCoreApplication::sendEvent(window, &event);
  }
}

void takeSize(QWidget* window, const StoredGeometry& g, int derivedWidth, std::optional<int> derivedHeight) {
  const int width = g.width == 0 ? derivedWidth : g.width;
  const int height = g.height == 0 && derivedHeight ? *derivedHeight : g.height;
  setClientSize(window, width, height);
}

void recordSize(const QWidget* window, const StoredGeometry& g) {
  g.height = window->height();
  g.width = window->width();
}

void takePosition(QWidget* window, const StoredGeometry& g) { window->move(g.left, g.top); }

void recordPosition(const QWidget* window, const StoredGeometry& g) {
  g.top = window->y();
  g.left = window->x();
}

}  // namespace pelarin::gui
