// Counts a halt loop's attempts and shows the window the count a few times a second.
#include "halt_counter.h"

namespace {

// The clock is read between these two spans apart: more often wastes time on the clock, less
// often shows the count late.
constexpr std::chrono::milliseconds kShortestReading{2};
constexpr std::chrono::milliseconds kLongestReading{10};
constexpr std::uint32_t kMostAttemptsPerReading = 4096;

}  // namespace

HaltCounter::HaltCounter(RecoveryWindow& window, const ProcedureClock& clock)
    : window_(window),
      clock_(clock),
      started_(clock.Now()),
      last_reading_(started_),
      last_shown_(started_) {}

HaltCount HaltCounter::Final() const {
  HaltCount count = count_;
  count.elapsed = clock_.Now() - started_;
  return count;
}

void HaltCounter::ReadClock() {
  const TimePoint now = clock_.Now();
  const auto since_reading = now - last_reading_;
  if (since_reading < kShortestReading && attempts_per_reading_ < kMostAttemptsPerReading) {
    attempts_per_reading_ *= 2;
  } else if (since_reading > kLongestReading && attempts_per_reading_ > 1) {
    attempts_per_reading_ /= 2;
  }
  until_clock_read_ = attempts_per_reading_;
  last_reading_ = now;

  const auto since_shown = now - last_shown_;
  if (since_shown < kHaltCountInterval) return;
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(since_shown);
  count_.per_second =
      static_cast<std::uint64_t>(static_cast<double>(count_.attempts - attempts_last_shown_) * 1e9 /
                                 static_cast<double>(nanoseconds.count()));
  count_.elapsed = now - started_;
  last_shown_ = now;
  attempts_last_shown_ = count_.attempts;
  window_.ShowHaltCount(count_);
}
