// The power-cycle command of an unattended run: started when the halt loop starts and again each
// period while it runs, never two at once, and never waited for while the loop runs.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "owned_handle.h"

class PowerCycleCommand {
 public:
  // `command_line` is taken as given, without a shell.
  PowerCycleCommand(std::wstring command_line, std::chrono::nanoseconds period);

  // The halt loop started: runs the command. ERROR_SUCCESS, or the system's error when the
  // command could not be started.
  DWORD LoopStarted();
  // The loop has run for `elapsed`: a command that has ended is counted, and the next one starts
  // when its period since the last start has come and none runs. As LoopStarted.
  DWORD Tick(std::chrono::nanoseconds elapsed);
  // The loop has ended: waits up to `limit` for a command still running, which is then left to
  // run on. True when one still runs.
  bool WaitAtEnd(std::chrono::milliseconds limit);

  int started() const { return started_; }
  int failures() const { return failures_; }

 private:
  DWORD Start(std::chrono::nanoseconds elapsed);
  // Counts a command that has ended with a code other than 0 as a failure.
  void Reap();

  std::wstring command_line_;
  std::chrono::nanoseconds period_;
  KernelHandle running_;
  std::chrono::nanoseconds last_start_{0};
  int started_ = 0;
  int failures_ = 0;
};
