// An unattended run on a test rig: START pressed for the kind asked for, its halt loop bounded by
// a timeout and accompanied by a power-cycle command, the whole run by a deadline, the outcome
// written out and returned as the exit code.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "companion_link.h"
#include "log_stream.h"
#include "power_cycle.h"
#include "rig_window.h"
#include "run_observer.h"
#include "run_outputs.h"
#include "run_record.h"
#include "thread_timer.h"
#include "unattended_outcome.h"
#include "watchdog.h"

class UnattendedRun final : public RunObserver {
 public:
  explicit UnattendedRun(UnattendedOptions options);
  ~UnattendedRun() override;
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  // Before any library is loaded or window made: no dialog box from here on, a crash ends the
  // process with its summary written, the deadline is watched, and the log and the summary asked
  // for are this run's (an empty log, a summary saying "running"). The reason, when one of them
  // cannot be written: the program then ends with 73 at once. Made once per process.
  std::optional<std::string> Begin();

  // The window whose buttons it presses; it must outlive the window's message loop. From here on
  // the run checks its deadline four times a second on the window's thread.
  void Attach(RigWindow& window);

  void LogLineSet(int index, std::string_view text) noexcept override;
  void LogCleared() noexcept override;
  void WindowShown(bool start_enabled) noexcept override;
  void RunStarted(int hardware_type, int communication_type) noexcept override;
  void LibraryVersionShown(std::string_view text) noexcept override;
  void PortChosen(std::optional<std::uint32_t> port,
                  const std::vector<std::string>& descriptors) noexcept override;
  void CableVersionRead(std::uint16_t version) noexcept override;
  void HaltLoopStarted() noexcept override;
  void HaltCounted(const HaltCount& count) noexcept override;
  void HaltLoopEnded(const HaltCount& count) noexcept override;
  void RunEnded(RecoveryEnding ending) noexcept override;
  void WindowClosing() noexcept override;
  void SessionEnding() noexcept override;
  std::optional<int> PowerCycles() const noexcept override;

  // The window could not be made or run: the run ends as an internal error.
  void Failed(std::string_view what) noexcept;

  // Once the window's message loop has ended: writes the files where the window's close did not
  // (a quit ended the loop), and returns the exit code.
  int Finish() noexcept;

 private:
  using Clock = std::chrono::steady_clock;

  // The four checks a second on the window's thread.
  void Tick() noexcept;
  // The halt loop is to end as STOP ends it, for `cause` and with `error` (a text for the
  // summary, or none, with the system's `code`); the first cause stands.
  void Stop(StopCause cause, std::optional<std::string> error,
            std::optional<std::uint32_t> code = std::nullopt) noexcept;
  // The power-cycle command's count and runs, into the record.
  void RecordPowerCycles() noexcept;
  // The count on the streamed log: at the loop's first count, every 5 s after, and as a
  // power-cycle command starts or ends.
  void StreamProgress(const HaltCount& count) noexcept;
  // The last line of the streamed log, once the files are written.
  void StreamLast(const std::vector<std::string>& lines, UnattendedOutcome outcome,
                  int exit_code) noexcept;
  // The final write, from the window's thread: the power-cycle command ended after `grace` at
  // most, the outcome settled, both files written, the watchdog told.
  void WriteOutputs(std::chrono::milliseconds grace) noexcept;
  // How long a power-cycle command still running at the end is given: 10 s, cut to end 5 s after
  // the deadline at the latest.
  std::chrono::milliseconds PowerCycleGrace() const;
  // The final write from another thread: the watchdog's (hung) or a crash handler's.
  int WriteFromElsewhere(UnattendedOutcome outcome, std::string error,
                         std::optional<std::uint32_t> code) noexcept;
  static int OnCrash(std::uint32_t code);
  int Hung() noexcept;

  UnattendedOptions options_;
  std::optional<Clock::time_point> deadline_;
  RigWindow* window_ = nullptr;
  std::optional<ThreadTimer> timer_;
  RunRecord record_;
  RunOutputs outputs_;
  std::optional<Watchdog> watchdog_;
  std::optional<CompanionLink> companion_;  // testz.com, where it started the program
  std::optional<LogStream> stream_;         // on a standard output that is a pipe or a file
  std::optional<PowerCycleCommand> power_cycle_;
  // The window's thread alone reads and writes these.
  std::optional<UnattendedOutcome> ended_;  // once the procedure has ended
  std::optional<StopCause> stopped_for_;    // once the run pressed STOP itself
  bool companion_closed_ = false;           // once the companion asked for the close
  std::optional<Clock::time_point> progress_streamed_;
  std::size_t power_cycle_changes_streamed_ = 0;
  int exit_code_ = 0;
};
