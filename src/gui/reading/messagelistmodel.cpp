#include "gui/reading/messagelistmodel.h"

#include <array>

#include "gui/platform/qtext.h"

namespace pelarin::gui {

namespace {

// The leading blanks belong to the texts.
const std::array<QString, MessageListModel::kColumns> kHeaders{
    QStringLiteral("B No."),   QStringLiteral("M No."),  QStringLiteral(" ID"),
    QStringLiteral(" Writer"), QStringLiteral(" Title"), QStringLiteral("R No.")};

}  // namespace

void MessageListModel::resetRows(int count) {
  beginResetModel();
  rows_.assign(static_cast<size_t>(count < 0 ? 0 : count), ListRow{});
  endResetModel();
}

void MessageListModel::fillRows(std::vector<ListRow> rows) {
  if (rows.size() != rows_.size()) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    return;
  }
  rows_ = std::move(rows);
  if (!rows_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1), {Qt::DisplayRole});
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= kColumns)
    return {};
  return toShownQ(rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())]);
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
    return kHeaders[static_cast<size_t>(section)];
  return {};
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace pelarin::gui
