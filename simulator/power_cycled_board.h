// The power-cycled board: when it powers up, and which halt attempts land while it can be halted.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "scenario.h"

// One run of halt attempts on a board that powers up again and again: after each power-up its
// processor can be halted for a while (a window), before its firmware shuts the debug pins,
// sleeps or locks up. Power-ups come after gaps drawn from the seed, counted from the run's
// first attempt; the caller passes each attempt's time, so any clock will do.
class PowerCycledBoard {
 public:
  using Duration = std::chrono::nanoseconds;

  // windows_us: the window lengths to count, in microseconds; the first decides Attempt's answer.
  PowerCycledBoard(const PowerUps& power_ups, const std::vector<std::uint32_t>& windows_us);

  // An attempt made `since_first` after the run's first attempt (never earlier than the previous
  // one). True when it lands inside the first window length after the latest power-up.
  bool Attempt(Duration since_first);

  // The windows that are over (the board has powered up again since), and of those, for each
  // window length in order, the ones that at least one attempt landed in. The window of the
  // latest power-up is not counted: the run may end before it is over.
  std::uint32_t WindowsOver() const { return windows_over_; }
  const std::vector<std::uint32_t>& WindowsHit() const { return windows_hit_; }

  // "power-ups: N windows over in T ms of attempts; hit within W us: H; within W us: H; ..."
  std::string Summary() const;

 private:
  Duration NextGap();

  std::mt19937_64 random_;
  std::uint64_t gap_min_us_;
  std::uint64_t gap_spread_us_;
  std::vector<Duration> windows_;
  bool powered_up_ = false;
  Duration latest_power_up_{0};
  Duration next_power_up_;
  Duration last_attempt_{0};
  std::vector<bool> latest_hit_;
  std::uint32_t windows_over_ = 0;
  std::vector<std::uint32_t> windows_hit_;
};
