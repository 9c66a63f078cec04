// What the main window tells whoever watches its START runs beside the user: an unattended run.
#pragma once

#include <optional>

#include "halt_count.h"
#include "recovery_ending.h"

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The window is visible, FormShow's lines in its log; START is enabled only when the library
  // loaded with every export.
  virtual void WindowShown(bool start_enabled) noexcept = 0;
  virtual void RunStarted() noexcept = 0;
  virtual void HaltLoopStarted() noexcept = 0;
  // While the halt loop runs, each time the window is shown the count.
  virtual void HaltCounted(const HaltCount& count) noexcept = 0;
  virtual void HaltLoopEnded(const HaltCount& count) noexcept = 0;
  virtual void RunEnded(RecoveryEnding ending) noexcept = 0;
  // The window is being destroyed: its controls still hold what they showed.
  virtual void WindowClosing() noexcept = 0;
  // The power-cycle commands started so far, for the count; none where there is no command.
  virtual std::optional<int> PowerCycles() const noexcept = 0;
};
