#include "core/logimport/storesinks.h"

#include "core/app/appstate.h"
#include "core/logimport/sortorder.h"
#include "core/logimport/storeindex.h"
#include "core/text/integers.h"
#include "core/text/paths.h"
#include "core/text/progress.h"

namespace pelarin {

StoreSink::StoreSink(AppState& state) : state_(state), dir_(pathFromText(state.WorkDir)) {}

void StoreSink::begin(int32_t n, const MessageKeys& keys, size_t) {
  out_.emplace(messagePath(dir_, n), LineWriter::Mode::Overwrite);
  writeMessageKeys(*out_, keys);
}

void StoreSink::body(ByteView piece) { out_->write(piece); }

void StoreSink::end(int32_t n, MessageKeys&& keys) {
  out_->close();
  out_.reset();
  state_.Index.put(n, std::move(keys));
}

void StoreSink::drop(int32_t n) noexcept {
  // A file that could not be opened is not ours to remove.
  if (!out_) return;
  out_.reset();
  removeQuietly(messagePath(dir_, n));
}

SortedStoreSink::SortedStoreSink(AppState& state, int32_t first, size_t holdBytes)
    : state_(state), files_(state), holdBytes_(holdBytes), holding_(first == 1) {}

void SortedStoreSink::begin(int32_t n, const MessageKeys& keys, size_t headerLine) {
  if (!holding_) return files_.begin(n, keys, headerLine);
  held_.push_back({});
}

void SortedStoreSink::body(ByteView piece) {
  if (!holding_) return files_.body(piece);
  held_.back().body.append(piece);
  heldBytes_ += piece.size();
}

void SortedStoreSink::end(int32_t n, MessageKeys&& keys) {
  if (!holding_) return files_.end(n, std::move(keys));
  heldBytes_ += sizeof(Held) + keys.Title.size() + keys.WriterName.size();
  held_.back().keys = std::move(keys);
  if (heldBytes_ > holdBytes_) spill();
}

void SortedStoreSink::drop(int32_t n) noexcept {
  if (!holding_) return files_.drop(n);
  heldBytes_ -= std::min(heldBytes_, held_.back().body.size());
  held_.pop_back();
}

// Too much to hold: what is held goes to its files in the log's order.
void SortedStoreSink::spill() {
  holding_ = false;
  std::vector<Held> held = std::move(held_);
  held_.clear();
  heldBytes_ = 0;
  int32_t n = 1;
  for (Held& h : held) {
    try {
      files_.begin(n, h.keys, 0);
      files_.body(h.body);
    } catch (...) {
      files_.drop(n);
      throw;
    }
    files_.end(n, std::move(h.keys));
    ++n;
  }
}

bool SortedStoreSink::place(Progress* progress, int32_t* placed) {
  *placed = 0;
  if (!holding_) return false;
  const int32_t count = static_cast<int32_t>(held_.size());
  std::vector<uint64_t> keys;
  keys.reserve(held_.size());
  for (const Held& h : held_) keys.push_back(sortKey(StrToInt(h.keys.BoardKey), StrToInt(h.keys.MesNumber)));
  std::vector<int32_t> order = exchangeOrder(keys);
  // A cancel before the first message keeps the log's order, as a sort stopped
  // before it moves a file; once writing, every held message is written, since
  // nothing else holds it. Only the program's end stops it part-way.
  bool cancelled = false;
  if (progress) {
    progress->begin(Progress::Phase::Sorting, count);
    try {
      progress->step(0);
    } catch (const CancelledError&) {
      cancelled = true;
      for (int32_t p = 0; p < count; ++p) order[static_cast<size_t>(p)] = p;
    }
  }
  for (int32_t p = 0; p < count; ++p) {
    Held& h = held_[static_cast<size_t>(order[static_cast<size_t>(p)])];
    try {
      if (progress) {
        progress->report(p);
        if (!cancelled && progress->abandon) throw CancelledError();
      }
      files_.begin(p + 1, h.keys, 0);
      files_.body(h.body);
    } catch (...) {
      files_.drop(p + 1);
      throw;
    }
    files_.end(p + 1, std::move(h.keys));
    Bytes().swap(h.body);
    *placed = p + 1;
  }
  held_.clear();
  if (cancelled) throw CancelledError();
  return true;
}

}  // namespace pelarin
