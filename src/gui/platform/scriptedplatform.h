// A platform double for window tests: answers from queues and records what
// was asked, so no test waits on a real modal box.
#pragma once

#include <deque>
#include <vector>

#include "gui/platform/platform.h"

namespace pelarin::gui {

class ScriptedPlatform : public Platform {
 public:
  struct Box {
    BoxKind kind;
    QString text;
    BoxButtons buttons;
  };
  struct OpenRequest {
    QString title;
    QString initialDir;
    QString filter;
  };

  struct SaveRequest {
    QString title;
    QString initialDir;
    QStringList filters;
  };

  // Answers, taken in order; an empty queue answers OK, No, cancel.
  std::deque<BoxAnswer> answers;
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<QString>> folders;
  std::deque<std::optional<SaveTarget>> saves;
  std::deque<std::optional<QFont>> fonts;
  std::deque<std::optional<QString>> texts;

  // What was asked.
  std::vector<Box> boxes;
  std::vector<OpenRequest> openRequests;
  std::vector<OpenRequest> folderRequests;  // without a filter
  std::vector<SaveRequest> saveRequests;
  std::vector<QString> helpShown;
  std::vector<QString> helpClosed;
  std::vector<QString> textsAsked;  // the labels, with the initial text after a tab

  BoxAnswer messageBox(QWidget* parent, BoxKind kind, const QString& text, BoxButtons buttons) override;
  std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& initialDir,
                                  const QString& systemFilter) override;
  std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& initialDir) override;
  std::optional<SaveTarget> saveFile(QWidget* parent, const QString& title, const QString& initialDir,
                                     const QStringList& filters) override;
  std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
  void showHelp(QWidget* parent, const QString& helpFile) override;
  void closeHelp(const QString& helpFile) override;
  std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                 const QString& initial) override;
};

}  // namespace pelarin::gui
