// Counts a halt loop's attempts and shows the window the count a few times a second, reading the
// clock at every attempt so that the count keeps moving however the attempts' pace changes.
#pragma once

#include <chrono>
#include <cstdint>

#include "halt_count.h"
#include "procedure_clock.h"
#include "recovery_window.h"

class HaltCounter {
 public:
  HaltCounter(RecoveryWindow& window, const ProcedureClock& clock);

  // One more attempt asked of the library. The clock costs a fraction of a microsecond against
  // the tens of microseconds of an attempt; a count for the window is made only when
  // kHaltCountInterval has passed since the last one.
  void Count() {
    ++count_.attempts;
    const TimePoint now = clock_.Now();
    if (now - last_shown_ >= kHaltCountInterval) Show(now);
  }

  // The count as the loop ends: every attempt asked, and the time up to now.
  HaltCount Final() const;

 private:
  using TimePoint = std::chrono::steady_clock::time_point;

  // Shows the window the count at `now`, with the pace since it was last shown.
  void Show(TimePoint now);

  RecoveryWindow& window_;
  const ProcedureClock& clock_;
  const TimePoint started_;
  HaltCount count_;
  TimePoint last_shown_;
  std::uint64_t attempts_last_shown_ = 0;
};
