// The final order of the message store's pairwise exchange sort, computed in
// memory from the sort keys, so each file's keys are read only once.
#pragma once

#include <cstdint>
#include <vector>

namespace pelarin {

// Board key (mail counting as board 0), then message number, packed so that
// unsigned comparison orders keys as the sort does.
uint64_t sortKey(int32_t boardKey, int32_t mesNumber);

// For every final position p, the original 0-based position of the file that
// ends there: what swapping i and j whenever key j < key i (strictly), for
// i = 0..n-2 and j = i+1..n-1, leaves behind.
std::vector<int32_t> exchangeOrder(const std::vector<uint64_t>& keys);

}  // namespace pelarin
