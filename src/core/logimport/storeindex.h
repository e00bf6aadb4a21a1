// The key lines of every stored message, kept in memory as the splitter
// writes them and the sort moves them, so the list needs no file read.
#pragma once

#include <cstdint>
#include <vector>

#include "core/logimport/messagefile.h"

namespace pelarin {

// Entry n-1 holds the key lines of message n. The index may know fewer
// messages than the store (a store it did not see being written): readers
// then go to the files.
class StoreIndex {
 public:
  // True when it knows exactly the messages 1..count.
  bool covers(int32_t count) const { return static_cast<int32_t>(keys_.size()) == count; }
  int32_t size() const { return static_cast<int32_t>(keys_.size()); }

  // Message n's key lines (1 <= n <= size()).
  const MessageKeys& keys(int32_t n) const { return keys_[static_cast<size_t>(n - 1)]; }

  // Message n was written with these key lines. A message past the first
  // unknown one cannot be placed: the index stays short.
  void put(int32_t n, MessageKeys keys);

  // Forgets messages above count.
  void keep(int32_t count);
  void clear() { keys_.clear(); }

  // order[p] is the 0-based message that now sits at p (as the sort moved the files).
  void reorder(const std::vector<int32_t>& order);

 private:
  std::vector<MessageKeys> keys_;
};

}  // namespace pelarin
