// Counts a halt loop's attempts and shows the window the count a few times a second, at the cost
// of a countdown per attempt: the clock is read only every so many attempts.
#pragma once

#include <chrono>
#include <cstdint>

#include "halt_count.h"
#include "procedure_clock.h"
#include "recovery_window.h"

class HaltCounter {
 public:
  HaltCounter(RecoveryWindow& window, const ProcedureClock& clock);

  // One more attempt asked of the library.
  void Count() {
    ++count_.attempts;
    if (--until_clock_read_ == 0) ReadClock();
  }

  // The count as the loop ends: every attempt asked, and the time up to now.
  HaltCount Final() const;

 private:
  using TimePoint = std::chrono::steady_clock::time_point;

  // Shows the count when kHaltCountInterval has passed since it was last shown, and sets how many
  // attempts go to the next reading, so that the clock is read about every few milliseconds
  // whether an attempt takes a microsecond or a second.
  void ReadClock();

  RecoveryWindow& window_;
  const ProcedureClock& clock_;
  const TimePoint started_;
  HaltCount count_;
  std::uint32_t attempts_per_reading_ = 1;
  std::uint32_t until_clock_read_ = 1;
  TimePoint last_reading_;
  TimePoint last_shown_;
  std::uint64_t attempts_last_shown_ = 0;
};
