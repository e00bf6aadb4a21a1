#include "core/logimport/storeindex.h"

#include <utility>

namespace pelarin {

void StoreIndex::put(int32_t n, MessageKeys keys) {
  if (n < 1) return;
  if (n <= size())
    keys_[static_cast<size_t>(n - 1)] = std::move(keys);
  else if (n == size() + 1)
    keys_.push_back(std::move(keys));
}

void StoreIndex::keep(int32_t count) {
  if (count < 0) count = 0;
  if (count < size()) keys_.resize(static_cast<size_t>(count));
}

void StoreIndex::reorder(const std::vector<int32_t>& order) {
  if (order.size() != keys_.size()) return clear();
  std::vector<MessageKeys> moved;
  moved.reserve(order.size());
  for (int32_t from : order) moved.push_back(std::move(keys_[static_cast<size_t>(from)]));
  keys_ = std::move(moved);
}

}  // namespace pelarin
