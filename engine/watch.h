// How a caller follows and stops the engine's work, and how far the work is.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>

namespace pismovar {

// The caller owns the stop source behind `stop`: the engine looks at it after every chunk and
// ends the work there as a cancel. After every chunk, on the thread that runs the work, it
// calls `step` (when set), where a caller without an event loop of its own draws its progress
// or takes a signal's cancel into its stop source.
struct Watch {
  std::stop_token stop;
  std::function<void()> step;

  // Calls the step; whether the caller has asked to stop.
  bool StepAndCheckStop() const {
    if (step) step();
    return stop.stop_requested();
  }
};

// How far the work on the current file is, in bytes; `total` 0 when unknown.
struct Progress {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  // Per cent done, 0..100; an empty file counts as complete.
  int Percent() const { return done >= total ? 100 : static_cast<int>(done * 100 / total); }
};

// The same as the work updates it; any thread may read it meanwhile.
struct ProgressCounter {
  std::atomic<std::uint64_t> done{0};
  std::atomic<std::uint64_t> total{0};

  Progress Get() const { return {done, total}; }
  void Start(std::uint64_t size) {
    done = 0;
    total = size;
  }
  // The work has ended: the bar is full.
  void Finish() {
    if (done < total) done = total.load();
  }
};

}  // namespace pismovar
