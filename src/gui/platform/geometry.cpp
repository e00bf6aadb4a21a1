#include "gui/platform/geometry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
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

QRect keptInside(const QRect& frame, const QRect& area) {
  QRect r = frame;
  if (r.right() > area.right()) r.moveRight(area.right());
  if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
  if (r.left() < area.left()) r.moveLeft(area.left());
  if (r.top() < area.top()) r.moveTop(area.top());
  return r;
}

namespace {

// The free part of the screen a widget is on, or of the primary screen.
QRect screenArea(const QWidget* w) {
  QScreen* screen = w ? w->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

// Right of `anchor` when it fits there, else left of it, else over it; always inside the screen.
QPoint besidePosition(const QSize& size, const QRect& anchor, const QRect& area) {
  constexpr int kGap = 4;
  QRect r(QPoint(anchor.right() + 1 + kGap, anchor.top()), size);
  if (r.right() > area.right()) {
    QRect left(QPoint(anchor.left() - kGap - size.width(), anchor.top()), size);
    if (left.left() >= area.left()) r = left;
  }
  return keptInside(r, area).topLeft();
}

}  // namespace

const QWidget* programMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

void takePosition(QWidget* window, const StoredGeometry& g, const QWidget* beside) {
  const QSize size = window->frameGeometry().size();
  if (g.left == 0 && g.top == 0 && beside) {
    const QWidget* top = beside->window();
    // A field is a child: its rectangle in screen coordinates; a window by its frame.
    const QRect anchor =
        beside == top ? top->frameGeometry() : QRect(beside->mapToGlobal(QPoint(0, 0)), beside->size());
    window->move(besidePosition(size, anchor, screenArea(top)));
    return;
  }
  const QRect frame(QPoint(g.left, g.top), size);
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(frame)) {
      window->move(g.left, g.top);
      return;
    }
  window->move(keptInside(frame, screenArea(beside ? beside : window)).topLeft());
}

void recordPosition(const QWidget* window, const StoredGeometry& g) {
  g.top = window->y();
  g.left = window->x();
}

}  // namespace pelarin::gui
