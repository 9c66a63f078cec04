// What the main window shows of a halt loop's attempts: the count as it grows, then how the loop
// ended (AttemptCount); nothing of it goes into the log.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "halt_count.h"
#include "halt_count_text.h"
#include "recovery_ending.h"

class AttemptCountDisplay {
 public:
  // `show` puts a text on the screen; `numbers` writes numbers as the user's locale does.
  AttemptCountDisplay(std::function<void(std::wstring_view)> show, const NumberFormat& numbers);

  // A START: nothing is counted yet, and nothing is shown until the halt loop counts.
  void RunStarted();
  // While the halt loop runs, with the power-cycle commands started so far where there are any.
  void Counted(const HaltCount& count, std::optional<int> power_cycles = std::nullopt) noexcept;
  // The loop's last count, for its outcome.
  void LoopEnded(const HaltCount& count) noexcept;
  // The procedure has ended: how the loop ended, if one ran.
  void RunEnded(RecoveryEnding ending) noexcept;

 private:
  // Shows the UTF-8 text that `make_text` makes. Where memory runs short, the text shown stays as
  // it was, and the halt loop goes on.
  template <typename MakeText>
  void Show(MakeText make_text) noexcept;

  std::function<void(std::wstring_view)> show_;
  const NumberFormat& numbers_;
  std::optional<HaltCount> last_loop_;
};
