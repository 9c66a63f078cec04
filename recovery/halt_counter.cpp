// Counts a halt loop's attempts and shows the window the count a few times a second.
#include "halt_counter.h"

HaltCounter::HaltCounter(RecoveryWindow& window, const ProcedureClock& clock)
    : window_(window), clock_(clock), started_(clock.Now()), last_shown_(started_) {}

HaltCount HaltCounter::Final() const {
  HaltCount count = count_;
  count.elapsed = clock_.Now() - started_;
  return count;
}

void HaltCounter::Show(TimePoint now) {
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - last_shown_);
  count_.per_second =
      static_cast<std::uint64_t>(static_cast<double>(count_.attempts - attempts_last_shown_) * 1e9 /
                                 static_cast<double>(nanoseconds.count()));
  count_.elapsed = now - started_;
  last_shown_ = now;
  attempts_last_shown_ = count_.attempts;
  window_.ShowHaltCount(count_);
}
