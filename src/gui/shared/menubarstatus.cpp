#include "gui/shared/menubarstatus.h"

#include <QAction>
#include <QHelpEvent>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolTip>
#include <algorithm>

namespace pelarin::gui {

MenuBarStatus::MenuBarStatus(QWidget* parent) : QLabel(parent) {
  setContentsMargins(8, 0, 8, 0);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int MenuBarStatus::room() const {
  const auto* bar = qobject_cast<const QMenuBar*>(parentWidget());
  if (!bar) return QLabel::sizeHint().width();
  // The menus' own widths, measured as the menu bar lays them out.
  const QStyle* style = bar->style();
  const QFontMetrics metrics = bar->fontMetrics();
  const int spacing = style->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, bar);
  int used = 2 * (style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, bar) +
                  style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, bar));
  for (QAction* action : bar->actions()) {
    if (!action->isVisible()) continue;
    QStyleOptionMenuItem option;
    option.initFrom(bar);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = action->text();
    const QSize text = metrics.size(Qt::TextShowMnemonic, action->text());
    used += style->sizeFromContents(QStyle::CT_MenuBarItem, &option, text, bar).width() + spacing;
  }
  constexpr int kSlack = 8;
  return std::max(0, bar->width() - used - kSlack);
}

QSize MenuBarStatus::sizeHint() const {
  QSize size = QLabel::sizeHint();
  size.setWidth(std::min(size.width(), room()));
  return size;
}

QSize MenuBarStatus::minimumSizeHint() const {
  QSize size = QLabel::minimumSizeHint();
  size.setWidth(0);
  return size;
}

void MenuBarStatus::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                        foregroundRole());
}

bool MenuBarStatus::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    const bool shortened = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
    if (shortened) QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    else QToolTip::hideText();
    return true;
  }
  return QLabel::event(event);
}

}  // namespace pelarin::gui
