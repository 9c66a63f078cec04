// START's runs as the main window holds them: one at a time, a close that waits for the run's
// end, the request not to sleep while the halt loop runs, and what the platform shows of each run.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "platform_signals.h"
#include "recovery_ending.h"

class RunSession {
 public:
  // For `window`, whose close waits for a run's end. The effects beyond the window go to
  // `signals` (which must outlive the session), or, when none is given, to the system through
  // the window's own.
  RunSession(HWND window, PlatformSignals* signals);
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  bool Running() const { return running_; }
  // The effects beyond the window, for what the window does besides its runs.
  PlatformSignals& Signals() const { return *signals_; }
  // Runs `procedure` as the one run, unless one runs already: the taskbar button shows it busy,
  // then how it ended (SignalEnding). However the run is left, a signal that throws included,
  // another may start after it, and a close that waited for it is posted to the window again.
  void Run(const std::function<RecoveryEnding()>& procedure);
  // The halt loop's bounds: from the one to the other the system is asked not to sleep.
  void HaltLoopStarted();
  void HaltLoopEnded();

  // A close of the window: false when it may go ahead now; true while a run is going, which the
  // caller is then to stop, the close waiting for the run's end.
  bool DeferClose();
  bool CloseWaiting() const { return close_waiting_; }

  // Windows is ending the user's session and may end the process at any moment: the request not
  // to sleep and the taskbar button's progress go now.
  void ReleaseAtSessionEnd();

  // True when `message` is the shell's news that the window's taskbar button exists (again): the
  // progress shown so far goes on it.
  bool HandleTaskbarButtonCreated(UINT message);

 private:
  HWND window_;
  std::unique_ptr<PlatformSignals> own_signals_;
  PlatformSignals* signals_;
  UINT taskbar_button_created_ = 0;  // registered at run time; 0 when it could not be
  bool running_ = false;
  bool close_waiting_ = false;
  std::optional<KeepAwakeRequest> awake_;  // held while the halt loop runs
};
