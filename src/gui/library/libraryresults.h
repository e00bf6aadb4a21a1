// The results table: only the ids are held; a row's keys are read from the
// library the first time the view asks for it, its found text in context
// behind the window (LibrarySnippets) at the same moment. Unread rows are
// bold, marked ones carry a star before the title, muted ones (when shown) are grey.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/library/librarystate.h"

namespace pelarin {
class Library;
}

namespace pelarin::gui {

class LibrarySnippets;

inline constexpr int kTitleColumn = 4;
inline constexpr int kDateColumn = 6;
inline constexpr int kSnippetColumn = 7;
inline constexpr int kResultColumns = 8;

class LibraryResults : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Without snippets the last column stays empty.
  explicit LibraryResults(LibrarySnippets* snippets, QObject* parent = nullptr);

  // folded: the texts the search looked for (textsToMark), shown in context.
  void reset(Library* library, std::vector<int64_t> ids, std::vector<std::string> folded = {});
  // The same search's longer answer: rows past the present ones are added.
  void extend(const std::vector<int64_t>& ids);
  const std::vector<int64_t>& ids() const { return ids_; }
  int64_t idAt(int row) const { return ids_.at(static_cast<size_t>(row)); }
  // Read, marked or muted as the library now says, read again as each row shows.
  MessageState stateAt(int row) const;
  void refreshState();
  // The view's font: unread rows show it bold.
  void setFont(const QFont& font) { bold_ = font, bold_.setBold(true); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const QStringList& rowAt(int row) const;
  QString snippetAt(int row) const;
  void snippetReady(quint64 results, int row, qint64 id, const QString& snippet);

  LibrarySnippets* snippets_;
  Library* library_ = nullptr;
  std::vector<int64_t> ids_;
  bool marking_ = false;  // the search looked for text
  uint64_t results_ = 0;  // the number of the reset, for the snippets' answers
  mutable std::unordered_map<int64_t, QStringList> rows_;
  mutable std::unordered_map<int64_t, QString> texts_;  // the snippets come in
  mutable std::unordered_set<int64_t> asked_;
  mutable std::unordered_map<int64_t, MessageState> states_;
  QFont bold_;
};

}  // namespace pelarin::gui
