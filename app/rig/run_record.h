// What an unattended run knows of itself as it goes: the summary so far and its own copy of the
// log's lines, kept for the window's thread and read by a watchdog or a crash handler on another.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "run_summary.h"

class RunRecord {
 public:
  struct Copy {
    RunSummary summary;
    std::vector<std::string>
        lines;  // 8-bit, in the system's ANSI code page, as the window shows them
  };

  // Runs `change(summary, lines)` under the record's lock. The same thread may read the record
  // from inside a change (a crash in the middle of one).
  template <typename Change>
  void Update(Change change) {
    const std::lock_guard<std::recursive_timed_mutex> hold(lock_);
    change(record_.summary, record_.lines);
  }

  // A copy of both, for a writer on any thread; none when the record stays locked for `wait` (its
  // thread stuck in the middle of a change) or memory runs short.
  std::optional<Copy> TryCopy(std::chrono::milliseconds wait) const noexcept;

 private:
  mutable std::recursive_timed_mutex lock_;
  Copy record_;
};
