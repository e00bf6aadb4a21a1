#include "gui/library/libraryresults.h"

#include <QColor>
#include <QPalette>

#include "core/library/library.h"
#include "core/library/librarydates.h"
#include "core/library/posteddate.h"
#include "core/reading/boardcode.h"
#include "core/text/errors.h"
#include "gui/library/librarysnippets.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

namespace {

const char* const kColumns[kResultColumns] = {"Board", "No.", "ID", "Writer", "Title", "Res.", "Date", "Text"};

}  // namespace

LibraryResults::LibraryResults(LibrarySnippets* snippets, QObject* parent)
    : QAbstractTableModel(parent), snippets_(snippets) {
  if (snippets_) connect(snippets_, &LibrarySnippets::ready, this, &LibraryResults::snippetReady);
}

void LibraryResults::reset(Library* library, std::vector<int64_t> ids, std::vector<std::string> folded) {
  beginResetModel();
  library_ = library;
  ids_ = std::move(ids);
  rows_.clear();
  texts_.clear();
  asked_.clear();
  states_.clear();
  ++results_;
  marking_ = !folded.empty();
  if (snippets_) snippets_->restart(results_, std::move(folded));
  endResetModel();
}

void LibraryResults::extend(const std::vector<int64_t>& ids) {
  if (ids.size() <= ids_.size()) return;
  beginInsertRows({}, static_cast<int>(ids_.size()), static_cast<int>(ids.size()) - 1);
  ids_.insert(ids_.end(), ids.begin() + static_cast<std::ptrdiff_t>(ids_.size()), ids.end());
  endInsertRows();
}

int LibraryResults::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int LibraryResults::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultColumns;
}

const QStringList& LibraryResults::rowAt(int row) const {
  const int64_t id = idAt(row);
  auto found = rows_.find(id);
  if (found != rows_.end()) return found->second;
  QStringList cells;
  try {
    // The key lines alone: a row never needs the body.
    library_->eachListed({id}, [&](int64_t, const std::string&, ByteView lines) {
      const MessageKeys k = keysFromLines(lines);
      cells = {toQ(BoardCode(k.BoardKey)), toQ(k.MesNumber), toQ(k.WriterId), toQ(k.WriterName).trimmed(),
               toQ(k.Title).trimmed(), toQ(k.ResNumber)};
    });
    eachPosted(*library_, {id}, [&](int64_t, std::optional<int64_t> posted) {
      cells.append(posted ? QString::fromStdString(postedText(*posted)) : QString());
    });
  } catch (const Error& e) {
    // Another program changed the library under the window: the row says so.
    cells = {QString(), QString(), QString(), QString(), QString::fromUtf8(e.what()), QString(), QString()};
  }
  return rows_.emplace(id, cells).first->second;
}

QString LibraryResults::snippetAt(int row) const {
  if (!marking_ || !snippets_) return QString();
  const int64_t id = idAt(row);
  auto found = texts_.find(id);
  if (found != texts_.end()) return found->second;
  // Asked once, when the view first shows the row; drawn when it comes.
  if (asked_.insert(id).second) snippets_->ask(results_, row, id);
  return QString();
}

void LibraryResults::snippetReady(quint64 results, int row, qint64 id, const QString& snippet) {
  if (results != results_ || row < 0 || row >= rowCount() || idAt(row) != id) return;
  texts_[id] = snippet;
  const QModelIndex at = index(row, kSnippetColumn);
  Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

MessageState LibraryResults::stateAt(int row) const {
  const int64_t id = idAt(row);
  auto found = states_.find(id);
  if (found != states_.end()) return found->second;
  MessageState state;
  try {
    state = stateOf(*library_, id);
  } catch (const Error&) {
    state.read = true;  // gone, or a library that keeps no state: nothing to stand out
  }
  return states_.emplace(id, state).first->second;
}

void LibraryResults::refreshState() {
  states_.clear();
  if (!ids_.empty())
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kResultColumns - 1),
                       {Qt::DisplayRole, Qt::FontRole, Qt::ForegroundRole});
}

QVariant LibraryResults::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !library_ || index.row() >= rowCount()) return {};
  // The whole found text where the column is too narrow for it.
  if ((role == Qt::DisplayRole || role == Qt::ToolTipRole) && index.column() == kSnippetColumn)
    return snippetAt(index.row());
  if (role == Qt::DisplayRole && index.column() == kTitleColumn && stateAt(index.row()).marked)
    return QStringLiteral("\u2605 ") + rowAt(index.row()).value(index.column());
  if (role == Qt::DisplayRole) return rowAt(index.row()).value(index.column());
  if (role == Qt::FontRole) return stateAt(index.row()).read ? QVariant() : QVariant(bold_);
  if (role == Qt::ForegroundRole && stateAt(index.row()).muted)
    return QPalette().color(QPalette::Disabled, QPalette::Text);
  if (role == Qt::UserRole) return QVariant::fromValue<qint64>(idAt(index.row()));
  return {};
}

QVariant LibraryResults::headerData(int section, Qt::Orientation orientation, int role) const {
  // A column clicked the first time sorts upwards.
  if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal) return int(Qt::AscendingOrder);
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section >= 0 && section < kResultColumns ? QString::fromLatin1(kColumns[section]) : QVariant();
}

}  // namespace pelarin::gui
