// The watchdog of an unattended run: a thread of its own that ends the process when a library call
// has not returned long after the deadline, or when the library's detach code hangs after the
// files were written. It never touches the window's thread, which is the one that is stuck.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class Watchdog {
 public:
  using Clock = std::chrono::steady_clock;

  // How long after the deadline a procedure still running counts as hung, and how long after the
  // files were written the process may take to end.
  static constexpr std::chrono::seconds kGrace{10};

  // Should the procedure not have ended kGrace after `deadline` (none: never), `hung` runs on the
  // watchdog's thread, writes what it can and gives the exit code the process then ends with,
  // without the library's detach code.
  Watchdog(std::optional<Clock::time_point> deadline, std::function<int()> hung);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // The procedure has ended, or will not run: no library call is awaited any more.
  void ProcedureEnded();
  // The files are written: a process still running kGrace from now ends with `exit_code`.
  void Written(int exit_code);

 private:
  void Watch();

  std::optional<Clock::time_point> deadline_;
  std::function<int()> hung_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool procedure_ended_ = false;
  std::optional<Clock::time_point> written_at_;
  int exit_code_ = 0;
  bool leaving_ = false;
  std::thread thread_;
};
