// The results table: only the ids are held; a row's keys are read from the
// library the first time the view asks for it.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace pelarin {
class Library;
}

namespace pelarin::gui {

class LibraryResults : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit LibraryResults(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void reset(Library* library, std::vector<int64_t> ids);
  // The same search's longer answer: rows past the present ones are added.
  void extend(const std::vector<int64_t>& ids);
  const std::vector<int64_t>& ids() const { return ids_; }
  int64_t idAt(int row) const { return ids_.at(static_cast<size_t>(row)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const QStringList& rowAt(int row) const;

  Library* library_ = nullptr;
  std::vector<int64_t> ids_;
  mutable std::unordered_map<int64_t, QStringList> rows_;
};

}  // namespace pelarin::gui
