// Helpers for the composers' tests: typing as the keyboard does, and the main
// menu items that wait while a composer is open.
#pragma once

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QString>

#include "support/guitest.h"

namespace pelarin::gui::testing {

// One key press and release per character, each carrying its text.
inline void type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

// How many of Load, Append, Load BBS File, Directry, Quotation, Signature and
// Relevance are enabled.
inline int waitingItemsEnabled(QObject* main) {
  int enabled = 0;
  for (const char* name :
       {"Load1", "Append1", "LoadBBSFile1", "Directry1", "Quotation1", "Signature1", "Relevance1"})
    enabled += control<QAction>(main, name)->isEnabled() ? 1 : 0;
  return enabled;
}

// A file's text as lines ended by CR LF; the last line's break is required.
inline std::vector<Bytes> crlfLines(const Bytes& text) {
  std::vector<Bytes> lines;
  size_t from = 0;
  for (size_t at; (at = text.find("\r\n", from)) != Bytes::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  if (from != text.size()) lines.push_back("<no line break>" + text.substr(from));
  return lines;
}

}  // namespace pelarin::gui::testing
