// The count of one halt loop's attempts: what the window is shown while the loop runs, and at its
// end.
#pragma once

#include <chrono>
#include <cstdint>

struct HaltCount {
  // The halt attempts the library was asked to make in this loop so far.
  std::uint64_t attempts = 0;
  // The time since the loop's first attempt.
  std::chrono::nanoseconds elapsed{0};
  // Attempts per second over the stretch since the count was last shown; 0 before it first is.
  std::uint64_t per_second = 0;
};

// How often the window is shown the count while the loop runs.
inline constexpr std::chrono::milliseconds kHaltCountInterval{250};
