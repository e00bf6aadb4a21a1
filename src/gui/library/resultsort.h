// The results in the order of a column the user clicked: every match's key
// gathered from the key lines alone, the first ones kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pelarin {
class Library;
}

namespace pelarin::gui {

enum class ResultKey { Order, Number, WriterId, Writer, Title, Reply, Date };

struct ResultSort {
  ResultKey key = ResultKey::Order;
  bool descending = false;
};

// The first `limit` (0: all) of ids, given in the library's order, by the key;
// equal keys keep the library's order. Names and titles compare folded, as
// the search reads them; a message without a posting time comes before any
// with one. Nothing when stop() said so between pieces.
std::optional<std::vector<int64_t>> sortedIds(Library& library, const std::vector<int64_t>& ids,
                                              ResultSort sort, size_t limit,
                                              const std::function<bool()>& stop);

}  // namespace pelarin::gui
