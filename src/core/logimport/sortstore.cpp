#include "core/logimport/sortstore.h"

#include "core/logimport/messagefile.h"
#include "core/logimport/sortmoves.h"
#include "core/logimport/sortorder.h"
#include "core/logimport/storeindex.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

// Only lines 1 and 2 matter; the rest of the file is left unread.
std::vector<uint64_t> readSortKeys(const std::filesystem::path& dir, int32_t count, Progress* progress) {
  std::vector<uint64_t> keys;
  keys.reserve(static_cast<size_t>(count));
  Bytes board, number;
  for (int32_t n = 1; n <= count; ++n) {
    if (progress) progress->step(n - 1);
    LineReader in(messagePath(dir, n));
    in.readLine(board);
    in.readLine(number);
    int32_t boardKey = StrToInt(board);
    keys.push_back(sortKey(boardKey, StrToInt(number)));
  }
  return keys;
}

std::vector<uint64_t> indexedSortKeys(const StoreIndex& index) {
  std::vector<uint64_t> keys;
  keys.reserve(static_cast<size_t>(index.size()));
  for (int32_t n = 1; n <= index.size(); ++n) {
    const MessageKeys& k = index.keys(n);
    keys.push_back(sortKey(StrToInt(k.BoardKey), StrToInt(k.MesNumber)));
  }
  return keys;
}

}  // namespace

// Every key is read before anything moves, so a bad file stops the sort with
// the store untouched.
void SortStore(const std::filesystem::path& dir, int32_t count, StoreIndex* index, Progress* progress) {
  if (count < 2) return;
  if (progress) progress->begin(Progress::Phase::Sorting, count);
  const bool indexed = index && index->covers(count);
  const std::vector<int32_t> order =
      exchangeOrder(indexed ? indexedSortKeys(*index) : readSortKeys(dir, count, progress));
  try {
    moveToOrder(dir, order, renameNoReplace, progress);
  } catch (...) {
    // Some cycles moved, some did not (an error or a cancel): only the files know the order now.
    if (index) index->clear();
    throw;
  }
  if (indexed)
    index->reorder(order);
  else if (index)
    index->clear();  // what it knew has moved
}

}  // namespace pelarin
