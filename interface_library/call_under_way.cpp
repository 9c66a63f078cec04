// The library call under way, kept in two atomics that another thread reads.
#include "call_under_way.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

std::atomic<const char*> CallUnderWay::what_{nullptr};
std::atomic<std::uint32_t> CallUnderWay::since_{0};

std::uint32_t CallClockMilliseconds() {
#if defined(_WIN32)
  // The tick count is read from memory the system keeps up to date: no call into the kernel.
  return GetTickCount();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
#endif
}

std::optional<CallUnderWayNow> LibraryCallUnderWay() {
  const char* const what = CallUnderWay::what_.load(std::memory_order_acquire);
  if (what == nullptr) return std::nullopt;
  const std::uint32_t since = CallUnderWay::since_.load(std::memory_order_relaxed);
  return CallUnderWayNow{what, CallClockMilliseconds() - since};
}
