#include "core/logimport/sortorder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <numeric>

#include "core/logimport/boardkey.h"

namespace pelarin {

namespace {

uint64_t biased(int32_t value) {
  return static_cast<uint64_t>(static_cast<int64_t>(value) + (int64_t{1} << 31));
}

// Counts over positions 0..size-1, with prefix sums and "the k-th counted".
class Fenwick {
 public:
  explicit Fenwick(size_t size, int32_t initial = 0) : tree_(size + 1, 0) {
    for (size_t i = 1; i <= size; ++i) {
      tree_[i] += initial;
      if (size_t up = i + (i & -i); up <= size) tree_[up] += tree_[i];
    }
  }

  void add(size_t pos, int32_t delta) {
    for (size_t i = pos + 1; i < tree_.size(); i += i & -i) tree_[i] += delta;
  }

  // The count over positions 0..end-1.
  int64_t prefix(size_t end) const {
    int64_t sum = 0;
    for (size_t i = end; i > 0; i -= i & -i) sum += tree_[i];
    return sum;
  }

  // The position holding the k-th (0-based) count, all counts being 0 or 1.
  size_t kth(int64_t k) const {
    size_t pos = 0;
    for (size_t step = std::bit_floor(tree_.size()); step > 0; step /= 2) {
      if (pos + step < tree_.size() && tree_[pos + step] <= k) {
        pos += step;
        k -= tree_[pos];
      }
    }
    return pos;
  }

 private:
  std::vector<int64_t> tree_;
};

// Orders one group of equal keys. members: their original positions, in
// ascending order; smaller: the positions of all smaller keys.
void orderGroup(std::vector<int32_t>::iterator members, size_t count, const Fenwick& smaller, size_t total) {
  // The ring is kept as a list with the index of its front; each member is
  // inserted just before the front, then the front moves on by one for each
  // smaller key after it up to the next member.
  std::vector<size_t> insertedAt(count);
  size_t front = 0;
  for (size_t t = 0; t < count; ++t) {
    size_t from = static_cast<size_t>(members[t]) + 1;
    size_t to = t + 1 < count ? static_cast<size_t>(members[t + 1]) : total;
    auto turns = static_cast<size_t>(smaller.prefix(to) - smaller.prefix(from));
    insertedAt[t] = front;
    front = (front + 1 + turns) % (t + 1);
  }
  // Later insertions push earlier ones right: placing the members from the
  // last to the first, each takes the insertedAt-th slot still free.
  Fenwick free(count, 1);
  std::vector<int32_t> ring(count);
  for (size_t t = count; t-- > 0;) {
    size_t slot = free.kth(static_cast<int64_t>(insertedAt[t]));
    free.add(slot, -1);
    ring[slot] = members[t];
  }
  std::rotate_copy(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(front), ring.end(), members);
}

}  // namespace

uint64_t sortKey(int32_t boardKey, int32_t mesNumber) {
  if (boardKey == kMailKey) boardKey = 0;
  return biased(boardKey) << 32 | biased(mesNumber);
}

// The procedure makes about n*n/4 exchanges on random input, so it is not
// simulated. Its result is ascending by key; only the order within a group of
// equal keys x needs working out. Write the files with keys <= x in position
// order as X (key x) and S (smaller). Each row that places an S either drops
// a leading S, or, when the string starts X..X S, moves the first X behind
// the other leading Xs and drops that S; the rest of the string and larger
// keys play no part. Once no S is left, the Xs are placed in their order. So
// the group's order is a ring: append each X in position order, and turn the
// ring by one for every S after it.
std::vector<int32_t> exchangeOrder(const std::vector<uint64_t>& keys) {
  const size_t n = keys.size();
  std::vector<int32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return keys[a] < keys[b]; });
  Fenwick smaller(n);
  for (size_t begin = 0, end; begin < n; begin = end) {
    for (end = begin + 1; end < n && keys[order[end]] == keys[order[begin]];) ++end;
    auto members = order.begin() + static_cast<std::ptrdiff_t>(begin);
    std::vector<int32_t> positions(members, members + static_cast<std::ptrdiff_t>(end - begin));
    if (end - begin > 1) orderGroup(members, end - begin, smaller, n);
    for (int32_t p : positions) smaller.add(static_cast<size_t>(p), 1);
  }
  return order;
}

}  // namespace pelarin
