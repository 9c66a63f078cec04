// The library call under way, if any, for a watchdog on another thread: what was called, and
// since when.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

// Milliseconds of a clock that runs on whatever the process does (it wraps after 49 days, which
// differences of two readings survive), cheap enough to read at every library call.
std::uint32_t CallClockMilliseconds();

// What is under way: the export's name (or the load or free of the library), and since when.
struct CallUnderWayNow {
  const char* what;
  std::uint32_t milliseconds;  // how long it has run so far
};

// The call under way now, as another thread sees it; none between calls.
std::optional<CallUnderWayNow> LibraryCallUnderWay();

// Marks `what` (a text that lasts as long as the process) as under way for as long as it lives.
// Two plain stores each way: the halt loop makes one at every attempt.
class CallUnderWay {
 public:
  explicit CallUnderWay(const char* what) noexcept {
    since_.store(CallClockMilliseconds(), std::memory_order_relaxed);
    what_.store(what, std::memory_order_release);
  }
  ~CallUnderWay() { what_.store(nullptr, std::memory_order_release); }
  CallUnderWay(const CallUnderWay&) = delete;
  CallUnderWay& operator=(const CallUnderWay&) = delete;

 private:
  friend std::optional<CallUnderWayNow> LibraryCallUnderWay();
  static std::atomic<const char*> what_;
  static std::atomic<std::uint32_t> since_;
};
