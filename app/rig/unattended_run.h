// An unattended run on a test rig: START pressed for the kind asked for, its halt loop bounded by
// a timeout and accompanied by a power-cycle command, the outcome written out and returned as the
// exit code.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "power_cycle.h"
#include "rig_window.h"
#include "run_observer.h"
#include "run_summary.h"
#include "unattended_outcome.h"

class UnattendedRun final : public RunObserver {
 public:
  explicit UnattendedRun(UnattendedOptions options);

  // The window whose buttons it presses; it must outlive the window's message loop.
  void Attach(RigWindow& window) { window_ = &window; }

  void LogLineSet(int index, std::string_view text) noexcept override;
  void LogCleared() noexcept override;
  void WindowShown(bool start_enabled) noexcept override;
  void RunStarted(int hardware_type, int communication_type) noexcept override;
  void LibraryVersionShown(std::string_view text) noexcept override;
  void CableVersionRead(std::uint16_t version) noexcept override;
  void HaltLoopStarted() noexcept override;
  void HaltCounted(const HaltCount& count) noexcept override;
  void HaltLoopEnded(const HaltCount& count) noexcept override;
  void RunEnded(RecoveryEnding ending) noexcept override;
  void WindowClosing() noexcept override;
  std::optional<int> PowerCycles() const noexcept override;

  // The window could not be made or run: the run ends as an internal error.
  void Failed(std::string_view what) noexcept;

  // Once the window has closed (or its message loop ended without a close): writes what is still
  // to be written and returns the exit code.
  int Finish() noexcept;

 private:
  // The halt loop is to end as STOP ends it, for `cause`; the first cause stands.
  void Stop(StopCause cause, DWORD error) noexcept;
  // Gives a power-cycle command still running up to 10 seconds, then saves the log and writes the
  // summary, once.
  void WriteOutputs() noexcept;
  // Saves the log to the file asked for, as "Save log as…" does.
  void SaveLog() noexcept;
  void NotWritten(const std::string& what, DWORD error) noexcept;

  UnattendedOptions options_;
  RigWindow* window_ = nullptr;
  std::vector<std::string> log_;  // the log's lines, as the window's list shows them
  std::optional<PowerCycleCommand> power_cycle_;
  std::optional<UnattendedOutcome> outcome_;  // once the run has ended
  StopCause cause_ = StopCause::kUser;
  bool stop_asked_ = false;
  bool written_ = false;
  bool not_written_ = false;
  int exit_code_ = 0;
  RunSummary summary_;
};
