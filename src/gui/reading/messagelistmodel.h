// The message list's rows: a copy of the key lines of every stored message,
// shown as six columns and decoded only when a cell is drawn.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "core/reading/messageview.h"

namespace pelarin::gui {

// Model row r shows message r + 1 (the header is not a row of the model).
inline int messageOfRow(int modelRow) { return modelRow + 1; }
inline int rowOfMessage(int message) { return message - 1; }

class MessageListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 6;

  using QAbstractTableModel::QAbstractTableModel;

  // count empty rows, in one reset.
  void resetRows(int count);
  // Replaces the cells of rows of the same count, in one change signal.
  void fillRows(std::vector<ListRow> rows);

  const std::vector<ListRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::vector<ListRow> rows_;
};

}  // namespace pelarin::gui
