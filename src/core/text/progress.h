// What long store work reports while it runs, and how it is told to stop: the
// loops of the splitter, the sort, the list builders, the list's reading and
// the library's exports take an optional Progress; without one they cost
// nothing extra.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/text/errors.h"

namespace pelarin {

// The work stopped because it was asked to ("中止しました").
class CancelledError : public Error {
 public:
  CancelledError();
};

class Progress {
 public:
  enum class Phase { Reading, Sorting, Listing, Writing };

  // The user's Cancel: the work stops at its next step. Another thread may set it.
  std::atomic<bool> cancel{false};
  // The program ends: everything stops, including what a cancel would still finish.
  std::atomic<bool> abandon{false};
  // Called on the working thread after every step; set before the work starts.
  std::function<void(const Progress&)> onStep;

  // Read from any thread.
  std::atomic<int> phase{static_cast<int>(Phase::Reading)};
  std::atomic<uint64_t> bytes{0};  // of the log read so far
  std::atomic<int64_t> done{0};    // messages written, files sorted, rows or entries made
  std::atomic<int64_t> total{0};   // what done counts towards, 0 when unknown

  bool cancelled() const {
    return cancel.load(std::memory_order_relaxed) || abandon.load(std::memory_order_relaxed);
  }

  void begin(Phase p, int64_t of) {
    phase.store(static_cast<int>(p), std::memory_order_relaxed);
    done.store(0, std::memory_order_relaxed);
    total.store(of, std::memory_order_relaxed);
  }

  // One step: the figures so far. Throws CancelledError when asked to stop.
  void step(uint64_t bytesSoFar, int64_t doneSoFar) {
    bytes.store(bytesSoFar, std::memory_order_relaxed);
    done.store(doneSoFar, std::memory_order_relaxed);
    if (onStep) onStep(*this);
    if (cancelled()) throw CancelledError();
  }
  void step(int64_t doneSoFar) { step(bytes.load(std::memory_order_relaxed), doneSoFar); }
  // The figures of a step that no longer takes a cancel.
  void report(int64_t doneSoFar) {
    done.store(doneSoFar, std::memory_order_relaxed);
    if (onStep) onStep(*this);
  }
};

}  // namespace pelarin
