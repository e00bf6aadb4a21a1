// The two ways a load puts the splitter's messages into the store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/text/linewriter.h"

namespace pelarin {

struct AppState;
class Progress;

// Each message into its file "mes<N>.tmp" as it comes, and into the store's index.
class StoreSink : public MessageSink {
 public:
  explicit StoreSink(AppState& state);
  void begin(int32_t n, const MessageKeys& keys, size_t headerLine) override;
  void body(ByteView piece) override;
  void end(int32_t n, MessageKeys&& keys) override;
  void drop(int32_t n) noexcept override;

 private:
  AppState& state_;
  const std::filesystem::path dir_;
  std::optional<LineWriter> out_;
};

// For a sorted load into an empty store: holds the messages and writes each
// once, straight into its sorted place, where writing them in the log's order
// would then rename most of them. A log too large to hold goes to the files
// as it comes, and the store is sorted afterwards as before.
class SortedStoreSink : public MessageSink {
 public:
  // first is the number the split starts at; only a split from 1 is held.
  SortedStoreSink(AppState& state, int32_t first, size_t holdBytes = kHoldBytes);
  void begin(int32_t n, const MessageKeys& keys, size_t headerLine) override;
  void body(ByteView piece) override;
  void end(int32_t n, MessageKeys&& keys) override;
  void drop(int32_t n) noexcept override;

  // After the split, or its stop: writes the messages held, in sorted order,
  // as messages 1 upward, and returns true; false when nothing was held, so
  // the store still needs its sort. A failure or a cancel at a message
  // throws after *placed messages are complete: that one is removed.
  bool place(Progress* progress, int32_t* placed);

  static constexpr size_t kHoldBytes = size_t{64} << 20;

 private:
  struct Held {
    MessageKeys keys;
    Bytes body;
  };
  void spill();

  AppState& state_;
  StoreSink files_;
  const size_t holdBytes_;
  bool holding_;
  size_t heldBytes_ = 0;
  std::vector<Held> held_;
};

}  // namespace pelarin
