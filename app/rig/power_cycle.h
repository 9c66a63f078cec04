// The power-cycle command of an unattended run: started when the halt loop starts and again each
// period while it runs, never two at once, and never waited for while the loop runs. A command is
// the whole process tree it starts: it runs in a job object of its own, has ended when no process
// of that job is left, and is ended with its tree past its limit and at the run's end. The job
// ends the tree when it is closed, so no process of it outlives the program, even a killed one.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "owned_handle.h"
#include "run_summary.h"

class PowerCycleCommand {
 public:
  // `command_line` is taken as given, without a shell. A command whose tree runs longer than
  // `limit` is ended with it.
  PowerCycleCommand(std::wstring command_line, std::chrono::nanoseconds period,
                    std::chrono::nanoseconds limit);

  // The halt loop started: runs the command. ERROR_SUCCESS, or the system's error when the
  // command could not be started.
  DWORD LoopStarted();
  // The loop has run for `elapsed`: a command whose tree has ended is counted, one whose tree has
  // run past the limit since its start is ended with its tree and counted as a failure, and the
  // next one starts when its period since the last start has come and none runs. As LoopStarted.
  DWORD Tick(std::chrono::nanoseconds elapsed);
  // The run has ended: waits up to `grace` for a command's tree still running, then ends what is
  // left of it. True when something had to be ended.
  bool EndAtRunEnd(std::chrono::milliseconds grace);

  int started() const { return started_; }
  int failures() const { return failures_; }
  // One per command started, in order, as of the last call.
  const std::vector<PowerCycleEvent>& events() const { return events_; }

 private:
  // The command whose tree has not ended yet.
  struct Running {
    KernelHandle job;      // closed last: closing it ends whatever of the tree is left
    KernelHandle process;  // the command's own, for its exit code
    std::chrono::steady_clock::time_point started;
    bool ended = false;  // by the limit or the run's end
  };

  DWORD Start(std::chrono::nanoseconds elapsed);
  // Records a command whose tree has ended, or how long one still runs.
  void Update();
  // Ends the running command's tree; `why` goes into its event.
  void End(PowerCycleEvent::End why);
  // True when no process of the running command's tree is left.
  bool TreeEnded() const;
  // Waits up to `limit` for the running command's tree to end. True when it has.
  bool WaitForTree(std::chrono::milliseconds limit) const;

  std::wstring command_line_;
  std::chrono::nanoseconds period_;
  std::chrono::nanoseconds limit_;
  std::optional<Running> running_;
  std::chrono::nanoseconds last_start_{0};
  int started_ = 0;
  int failures_ = 0;
  std::vector<PowerCycleEvent> events_;
};
