// An unattended run on a test rig: START pressed for the kind asked for, its halt loop bounded by
// a timeout and accompanied by a power-cycle command, the outcome written out and returned as the
// exit code.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "power_cycle.h"
#include "run_observer.h"
#include "run_summary.h"
#include "unattended_outcome.h"

class TMainform;

class UnattendedRun final : public RunObserver {
 public:
  explicit UnattendedRun(UnattendedOptions options);

  // The window whose START it presses; it must outlive the window's message loop.
  void Attach(TMainform& form) { form_ = &form; }

  void WindowShown(bool start_enabled) noexcept override;
  void RunStarted() noexcept override;
  void HaltLoopStarted() noexcept override;
  void HaltCounted(const HaltCount& count) noexcept override;
  void HaltLoopEnded(const HaltCount& count) noexcept override;
  void RunEnded(RecoveryEnding ending) noexcept override;
  void WindowClosing() noexcept override;
  std::optional<int> PowerCycles() const noexcept override;

  // The window could not be made or run: the run ends as an internal error.
  void Failed(std::string_view what) noexcept;

  // Once the window has gone: gives a power-cycle command still running up to 10 seconds, writes
  // the summary and returns the exit code.
  int Finish() noexcept;

 private:
  // The halt loop is to end as STOP ends it, for `cause`; the first cause stands.
  void Stop(StopCause cause, DWORD error) noexcept;
  void Close() noexcept;
  // Saves the log to the file asked for, as "Save log as…" does.
  void SaveLog(const std::string& log_text) noexcept;
  void NotWritten(const std::string& what, DWORD error) noexcept;

  UnattendedOptions options_;
  TMainform* form_ = nullptr;
  std::optional<PowerCycleCommand> power_cycle_;
  std::optional<UnattendedOutcome> outcome_;  // once the run has ended
  StopCause cause_ = StopCause::kUser;
  bool stop_asked_ = false;
  bool not_written_ = false;
  RunSummary summary_;
};
