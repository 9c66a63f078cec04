// The two files an unattended run leaves for its rig, the log and the summary: this run's, or none.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "run_summary.h"

class RunOutputs {
 public:
  // The files asked for, UTF-8 paths; empty: none.
  RunOutputs(std::string save_log, std::string summary);

  // At the start, before anything is loaded: `running` (a summary without an outcome), then an
  // empty log, in place of whatever an earlier run left there. The reason, for the user, when one
  // of them cannot be written: the program then ends with 73.
  std::optional<std::string> WriteAtStart(const RunSummary& running) const;

  // The final write is made once, by whichever thread asks first: the window's at the run's end,
  // a watchdog when a library call never returns, a crash handler. True for that first one.
  bool Claim() noexcept;

  // Saves the log from `lines` (as the window's list showed them), then writes `summary` with its
  // exit code: the outcome's, or 73 when the log could not be saved (the reason and the system's
  // code then go into the summary's error and error_code, and to a redirected standard error) or
  // the summary could not be written. Returns that exit code. Left unwritten, the files keep what
  // WriteAtStart wrote.
  int WriteFinal(RunSummary summary, const std::vector<std::string>& lines) noexcept;

  bool Written() const noexcept { return written_.load(); }
  // The exit code WriteFinal returned; 0 before.
  int ExitCode() const noexcept { return exit_code_.load(); }

 private:
  std::string save_log_;
  std::string summary_;
  std::atomic<bool> claimed_{false};
  std::atomic<bool> written_{false};
  std::atomic<int> exit_code_{0};
};
