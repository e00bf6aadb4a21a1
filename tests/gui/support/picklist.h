// Drives the modal pick list window from inside, the way a user would, so a
// test never waits on it.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "gui/lists/input.h"
#include "support/guitest.h"

namespace pelarin::gui::testing {

// Runs `inside` once the pick list is up, then cancels it if it is still
// open. The returned flag turns true when the window came up; a window that
// never comes up leaves it false once the events have been processed.
inline std::shared_ptr<bool> whilePicking(TInputList& list, const std::function<void()>& inside) {
  auto opened = std::make_shared<bool>(false);
  QTimer::singleShot(0, &list, [&list, inside, opened] {
    if (!list.isVisible()) return;
    *opened = true;
    inside();
    if (list.isVisible()) list.reject();
  });
  return opened;
}

inline QListWidget* entries(TInputList& list) { return control<QListWidget>(&list, "SelectListBox"); }

// Selects the row and confirms it with OK.
inline std::shared_ptr<bool> pickRow(TInputList& list, int row) {
  return whilePicking(list, [&list, row] {
    entries(list)->setCurrentRow(row);
    control<QPushButton>(&list, "BitBtn1")->click();
  });
}

}  // namespace pelarin::gui::testing
