// The halt loop: halt attempts back to back until the processor halts or STOP is clicked.
#include <cstdint>

#include "halt_counter.h"
#include "library_calls.h"
#include "procedure_steps.h"
#include "procedure_texts.h"
#include "stop_request.h"

std::uint8_t StopRequested = 0;

void RequestStop() {
  StopRequested = 1;
}

namespace {

// Tells the window that the halt loop runs, for as long as it runs, and how many attempts it
// made, however it is left.
class HaltLoopBounds {
 public:
  HaltLoopBounds(RecoveryWindow& window, const HaltCounter& counter)
      : window_(window), counter_(counter) {
    window_.HaltLoopStarted();
  }
  ~HaltLoopBounds() { window_.HaltLoopEnded(counter_.Final()); }
  HaltLoopBounds(const HaltLoopBounds&) = delete;
  HaltLoopBounds& operator=(const HaltLoopBounds&) = delete;

 private:
  RecoveryWindow& window_;
  const HaltCounter& counter_;
};

}  // namespace

// The status byte belongs to this run: 0 at first, then only the library writes it. Its home is
// four zeroed bytes of its own, aligned, so that a library writing a 32-bit value through the
// address overwrites nothing else; only the first byte, the status, is read.
RecoveryEnding HaltLoop(RecoveryWindow& window, const ProcedureClock& clock) {
  WriteLine(window, kAdviceHalting);
  WriteLine(window, kAdvicePowerCycle);
  alignas(std::uint32_t) std::uint8_t status_home[4] = {};
  std::uint8_t& halt_status = status_home[0];
  const std::uint32_t no_value = 0;
  StopRequested = 0;
  {
    HaltCounter counter(window, clock);
    const HaltLoopBounds bounds(window, counter);
    for (;;) {
      counter.Count();
      CallLibrary<EntrySlot::corvane_special_features>(SPECIAL_FEATURE_HALT_ATTEMPT,
                                                       std::uint32_t{1}, no_value, no_value,
                                                       no_value, &halt_status, no_value);
      window.ProcessMessages();
      if (halt_status == kHaltStatusHalted) break;
      if (StopRequested != 0) break;
    }
  }
  if (halt_status == kHaltStatusHalted) WriteLine(window, kHalted);
  if (StopRequested != 0) WriteLine(window, kStopped);
  return halt_status == kHaltStatusHalted ? RecoveryEnding::kHalted : RecoveryEnding::kStopped;
}
