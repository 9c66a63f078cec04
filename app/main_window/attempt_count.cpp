// What the main window shows of a halt loop's attempts, in the user's locale.
#include "attempt_count.h"

#include <windows.h>

#include <string>
#include <utility>

#include "text_encoding.h"

AttemptCountDisplay::AttemptCountDisplay(std::function<void(std::wstring_view)> show,
                                         const NumberFormat& numbers)
    : show_(std::move(show)), numbers_(numbers) {}

template <typename MakeText>
void AttemptCountDisplay::Show(MakeText make_text) noexcept {
  try {
    show_(WideFrom(CP_UTF8, make_text()));
  } catch (...) {
  }
}

void AttemptCountDisplay::RunStarted() {
  last_loop_.reset();
  Show([] { return std::string(); });
}

void AttemptCountDisplay::Counted(const HaltCount& count,
                                  std::optional<int> power_cycles) noexcept {
  Show([&] { return RunningCountText(count, numbers_, power_cycles); });
}

void AttemptCountDisplay::LoopEnded(const HaltCount& count) noexcept {
  last_loop_ = count;
}

void AttemptCountDisplay::RunEnded(RecoveryEnding ending) noexcept {
  if (!last_loop_) return;
  Show([&] { return EndedCountText(ending, *last_loop_, numbers_); });
}
