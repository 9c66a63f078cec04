// What the program shows and asks of the system beyond its window: a success sound and flash, the
// taskbar button's progress, keeping the system awake while the halt loop runs, and the beep of a
// key the window refuses.
#pragma once

#include "recovery_ending.h"

// The taskbar button's progress: none, busy (an indeterminate bar) or a failure (a full red bar).
enum class TaskbarProgress { kNone, kBusy, kFailed };

// The platform effects, behind one narrow interface: the window's own, or a test's recording.
// None fails visibly: where the system lacks one, nothing happens and nothing is reported.
class PlatformSignals {
 public:
  virtual ~PlatformSignals() = default;
  // The processor halted: the notification sound, and the taskbar button flashing until the
  // window is activated when it is not in the foreground.
  virtual void Success() = 0;
  virtual void ShowProgress(TaskbarProgress progress) = 0;
  // The shell made the window's taskbar button (again): the progress shown so far goes on it.
  virtual void TaskbarButtonCreated() = 0;
  // Asks the system not to sleep (the display may still turn off), or drops that request.
  virtual void KeepAwake(bool awake) = 0;
  // A key of the window's own that it does not act on now: the system's default beep, as Windows
  // gives for any key it refuses.
  virtual void Refused() = 0;
};

// The request not to sleep, held for as long as this object lives.
class KeepAwakeRequest {
 public:
  explicit KeepAwakeRequest(PlatformSignals& signals) : signals_(&signals) {
    signals_->KeepAwake(true);
  }
  ~KeepAwakeRequest() {
    if (signals_ != nullptr) signals_->KeepAwake(false);
  }
  KeepAwakeRequest(KeepAwakeRequest&& other) noexcept : signals_(other.signals_) {
    other.signals_ = nullptr;
  }
  KeepAwakeRequest& operator=(KeepAwakeRequest&&) = delete;
  KeepAwakeRequest(const KeepAwakeRequest&) = delete;
  KeepAwakeRequest& operator=(const KeepAwakeRequest&) = delete;

 private:
  PlatformSignals* signals_;
};

// What a run's ending shows: a halt sounds, flashes and clears the bar; a STOP or the report alone
// clears it; every failure leaves the red bar until the next START.
void SignalEnding(PlatformSignals& signals, RecoveryEnding ending);
