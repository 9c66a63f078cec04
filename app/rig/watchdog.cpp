// The watchdog's thread: it waits for the procedure's end or the deadline, then for the process's.
#include "watchdog.h"

#include <windows.h>

#include <utility>

namespace {

// Ends the process at once with `exit_code`: no library's detach code runs, and no thread is
// waited for.
[[noreturn]] void EndProcess(int exit_code) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  ExitProcess(static_cast<UINT>(exit_code));
}

}  // namespace

Watchdog::Watchdog(std::optional<Clock::time_point> deadline, std::function<int()> hung)
    : deadline_(deadline), hung_(std::move(hung)), thread_([this] { Watch(); }) {}

Watchdog::~Watchdog() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    leaving_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void Watchdog::ProcedureEnded() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    procedure_ended_ = true;
  }
  changed_.notify_all();
}

void Watchdog::Written(int exit_code) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    procedure_ended_ = true;
    written_at_ = Clock::now();
    exit_code_ = exit_code;
  }
  changed_.notify_all();
}

void Watchdog::Watch() {
  std::unique_lock<std::mutex> hold(lock_);
  if (deadline_) {
    const Clock::time_point hung_at = *deadline_ + kGrace;
    changed_.wait_until(hold, hung_at, [this] { return leaving_ || procedure_ended_; });
    if (!leaving_ && !procedure_ended_) {
      hold.unlock();
      EndProcess(hung_());
    }
  }
  changed_.wait(hold, [this] { return leaving_ || written_at_.has_value(); });
  if (leaving_) return;
  const Clock::time_point end_at = *written_at_ + kGrace;
  if (!changed_.wait_until(hold, end_at, [this] { return leaving_; })) EndProcess(exit_code_);
}
