#include "gui/library/libraryresults.h"

#include "core/library/library.h"
#include "core/reading/boardcode.h"
#include "core/text/errors.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

namespace {

const char* const kColumns[] = {"Board", "No.", "ID", "Writer", "Title", "Res."};

}  // namespace

void LibraryResults::reset(Library* library, std::vector<int64_t> ids) {
  beginResetModel();
  library_ = library;
  ids_ = std::move(ids);
  rows_.clear();
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

int LibraryResults::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 6; }

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
  } catch (const Error& e) {
    // Another program changed the library under the window: the row says so.
    cells = {QString(), QString(), QString(), QString(), QString::fromUtf8(e.what()), QString()};
  }
  return rows_.emplace(id, cells).first->second;
}

QVariant LibraryResults::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !library_ || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole) return rowAt(index.row()).value(index.column());
  if (role == Qt::UserRole) return QVariant::fromValue<qint64>(idAt(index.row()));
  return {};
}

QVariant LibraryResults::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section >= 0 && section < 6 ? QString::fromLatin1(kColumns[section]) : QVariant();
}

}  // namespace pelarin::gui
