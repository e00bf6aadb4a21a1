#include "core/logimport/sortorder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <limits>
#include <numeric>

namespace pelarin {

namespace {

constexpr uint64_t kNoKey = std::numeric_limits<uint64_t>::max();
constexpr size_t kNone = std::numeric_limits<size_t>::max();

uint64_t biased(int32_t value) {
  return static_cast<uint64_t>(static_cast<int64_t>(value) + (int64_t{1} << 31));
}

// Minima over ranges of positions, to find the next key below a value
// without scanning every position after it.
class MinTree {
 public:
  explicit MinTree(const std::vector<uint64_t>& values)
      : size_(std::bit_ceil(std::max<size_t>(values.size(), 1))) {
    node_.assign(2 * size_, kNoKey);
    std::copy(values.begin(), values.end(), node_.begin() + static_cast<std::ptrdiff_t>(size_));
    for (size_t p = size_ - 1; p > 0; --p) pull(p);
  }

  void set(size_t pos, uint64_t value) {
    size_t p = pos + size_;
    node_[p] = value;
    for (p /= 2; p > 0; p /= 2) pull(p);
  }

  // Reloads the leaves from..values.size()-1 and their ancestors.
  void reload(const std::vector<uint64_t>& values, size_t from) {
    size_t lo = from + size_, hi = values.size() - 1 + size_;
    for (size_t p = lo; p <= hi; ++p) node_[p] = values[p - size_];
    for (lo /= 2, hi /= 2; lo > 0; lo /= 2, hi /= 2) {
      for (size_t p = lo; p <= hi; ++p) pull(p);
    }
  }

  // The first position >= from whose value is below value, or kNone.
  size_t firstBelow(size_t from, uint64_t value) const {
    if (from >= size_) return kNone;
    size_t p = from + size_;
    while (node_[p] >= value) {
      while (p & 1) p /= 2;  // a right child: climb to the first left ancestor
      if (p == 0) return kNone;
      ++p;
    }
    while (p < size_) {
      p *= 2;
      if (node_[p] >= value) ++p;
    }
    return p - size_;
  }

  size_t depth() const { return static_cast<size_t>(std::bit_width(size_)); }

 private:
  void pull(size_t p) { node_[p] = std::min(node_[2 * p], node_[2 * p + 1]); }

  size_t size_;
  std::vector<uint64_t> node_;
};

}  // namespace

uint64_t sortKey(int32_t boardKey, int32_t mesNumber) {
  if (boardKey == kMailBoardKey) boardKey = 0;
  return biased(boardKey) << 32 | biased(mesNumber);
}

// For a fixed i the inner loop rotates the files along the chain of strict
// running minima after i: the file at i moves to the first smaller one, that
// one to the next smaller one, and the last (the first minimum) comes to i.
// The tree finds each link in O(log n); when a chain turns out long (nearly
// descending input), finishing the row by a plain scan is cheaper.
std::vector<int32_t> exchangeOrder(const std::vector<uint64_t>& keys) {
  const size_t n = keys.size();
  std::vector<int32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  if (n < 2) return order;
  std::vector<uint64_t> at = keys;  // the key of the file now at each position
  MinTree tree(at);
  const size_t linkCost = 4 * tree.depth();
  for (size_t i = 0; i + 1 < n; ++i) {
    int32_t file = order[i];
    uint64_t key = at[i];
    size_t links = 0;
    size_t j = i;
    while ((j = tree.firstBelow(j + 1, key)) != kNone) {
      std::swap(order[j], file);
      std::swap(at[j], key);
      if (++links * linkCost > n - j) {
        for (size_t k = j + 1; k < n; ++k) {
          if (at[k] < key) {
            std::swap(order[k], file);
            std::swap(at[k], key);
          }
        }
        tree.reload(at, j);
        break;
      }
      tree.set(j, at[j]);
    }
    order[i] = file;
    at[i] = key;  // position i is never searched again
  }
  return order;
}

}  // namespace pelarin
