// START's runs as the main window holds them: one at a time, and what goes with each.
#include "run_session.h"

#include "scope_exit.h"
#include "system_library.h"
#include "window_signals.h"

RunSession::RunSession(HWND window, PlatformSignals* signals)
    : window_(window),
      own_signals_(signals == nullptr ? MakeWindowSignals(window) : nullptr),
      signals_(signals == nullptr ? own_signals_.get() : signals) {
  // The shell tells when the taskbar button exists, also to a program run as administrator: the
  // filter that lets it through came with Windows 7, as taskbar progress did.
  taskbar_button_created_ = RegisterWindowMessageA("TaskbarButtonCreated");
  static const auto change_message_filter =
      FindUser32Function<decltype(&ChangeWindowMessageFilterEx)>("ChangeWindowMessageFilterEx");
  if (taskbar_button_created_ != 0 && change_message_filter != nullptr) {
    change_message_filter(window_, taskbar_button_created_, MSGFLT_ALLOW, nullptr);
  }
}

void RunSession::Run(const std::function<RecoveryEnding()>& procedure) {
  if (running_) return;
  running_ = true;
  const ScopeExit idle_again([this] {
    running_ = false;
    // From the message loop, once the START handler has returned.
    if (close_waiting_) PostMessageA(window_, WM_CLOSE, 0, 0);
  });
  signals_->ShowProgress(TaskbarProgress::kBusy);
  SignalEnding(*signals_, procedure());
}

void RunSession::HaltLoopStarted() {
  awake_.emplace(*signals_);
}

void RunSession::HaltLoopEnded() {
  awake_.reset();
}

bool RunSession::DeferClose() {
  close_waiting_ = running_;
  return running_;
}

void RunSession::ReleaseAtSessionEnd() {
  awake_.reset();
  signals_->ShowProgress(TaskbarProgress::kNone);
}

bool RunSession::HandleTaskbarButtonCreated(UINT message) {
  // A registered message: 0 stands for none.
  if (taskbar_button_created_ == 0 || message != taskbar_button_created_) return false;
  signals_->TaskbarButtonCreated();
  return true;
}
