// The power-cycle command of an unattended run, started without a console window in a job object
// of its own.
#include "power_cycle.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The code a tree's processes get when it is ended.
constexpr UINT kEndedExitCode = 1;
// How long a tree just ended is given to be gone: ending is asked for, not waited for, by
// TerminateJobObject.
constexpr milliseconds kEndingWait{5000};
// How often a wait looks at the job again.
constexpr milliseconds kPoll{10};

double Seconds(steady_clock::duration duration) {
  return std::round(std::chrono::duration<double>(duration).count() * 1000.0) / 1000.0;
}

// Starts `command` suspended with `flags` added. ERROR_SUCCESS or the system's error.
DWORD CreateSuspended(std::wstring command, DWORD flags, PROCESS_INFORMATION& started) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // The command gets the system's error mode, not the program's, which keeps dialogs away.
  flags |= CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE;
  // CreateProcessW may write into the command line it is given; the copy is its own.
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                      &startup, &started)) {
    return GetLastError();
  }
  return ERROR_SUCCESS;
}

}  // namespace

PowerCycleCommand::PowerCycleCommand(std::wstring command_line, std::chrono::nanoseconds period,
                                     std::chrono::nanoseconds limit)
    : command_line_(std::move(command_line)), period_(period), limit_(limit) {}

DWORD PowerCycleCommand::LoopStarted() {
  Update();
  if (running_) return ERROR_SUCCESS;
  return Start(std::chrono::nanoseconds(0));
}

DWORD PowerCycleCommand::Tick(std::chrono::nanoseconds elapsed) {
  Update();
  // The running command is the last one started.
  if (running_ && !running_->ended && elapsed - last_start_ > limit_) {
    End(PowerCycleEvent::End::kLimit);
    Update();
  }
  if (running_ || elapsed - last_start_ < period_) return ERROR_SUCCESS;
  return Start(elapsed);
}

bool PowerCycleCommand::EndAtRunEnd(milliseconds grace) {
  Update();
  if (!running_) return false;
  bool ended = false;
  if (!running_->ended && !WaitForTree(grace)) {
    End(PowerCycleEvent::End::kRunEnd);
    ended = true;
  }
  // What was ended is gone before the program goes on to exit; should it not be, closing the job
  // as the program ends ends it.
  WaitForTree(kEndingWait);
  Update();
  return ended;
}

DWORD PowerCycleCommand::Start(std::chrono::nanoseconds elapsed) {
  KernelHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return GetLastError();
  // The tree goes with the last handle of its job: when this object goes, or the program, even
  // killed.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    return GetLastError();
  }
  PROCESS_INFORMATION started{};
  if (const DWORD error = CreateSuspended(command_line_, 0, started)) return error;
  KernelHandle process(started.hProcess);
  KernelHandle thread(started.hThread);
  if (!AssignProcessToJobObject(job.Get(), process.Get())) {
    DWORD error = GetLastError();
    TerminateProcess(process.Get(), kEndedExitCode);
    // A process in a job (the program's, when whatever started it put it in one) is put in a
    // job nested in that one since Windows 8. Before, only a process that left its job may be
    // put in another: the command leaves the program's job where that job lets it.
    if (error != ERROR_ACCESS_DENIED) return error;
    if ((error = CreateSuspended(command_line_, CREATE_BREAKAWAY_FROM_JOB, started))) return error;
    process.Reset(started.hProcess);
    thread.Reset(started.hThread);
    if (!AssignProcessToJobObject(job.Get(), process.Get())) {
      error = GetLastError();
      TerminateProcess(process.Get(), kEndedExitCode);
      return error;
    }
  }
  if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
    const DWORD error = GetLastError();
    TerminateJobObject(job.Get(), kEndedExitCode);
    return error;
  }
  running_ = Running{std::move(job), std::move(process), steady_clock::now()};
  last_start_ = elapsed;
  ++started_;
  PowerCycleEvent event;
  event.started = std::chrono::system_clock::now();
  events_.push_back(event);
  return ERROR_SUCCESS;
}

void PowerCycleCommand::Update() {
  if (!running_) return;
  PowerCycleEvent& event = events_.back();
  if (!running_->ended) event.seconds = Seconds(steady_clock::now() - running_->started);
  if (!TreeEnded()) return;
  if (!running_->ended) {
    DWORD code = 0;
    const bool known = GetExitCodeProcess(running_->process.Get(), &code) != FALSE;
    event.end = PowerCycleEvent::End::kExited;
    event.exit_code = code;
    if (!known || code != 0) ++failures_;
  }
  running_.reset();
}

void PowerCycleCommand::End(PowerCycleEvent::End why) {
  TerminateJobObject(running_->job.Get(), kEndedExitCode);
  running_->ended = true;
  PowerCycleEvent& event = events_.back();
  event.end = why;
  event.seconds = Seconds(steady_clock::now() - running_->started);
  if (why == PowerCycleEvent::End::kLimit) ++failures_;
}

bool PowerCycleCommand::TreeEnded() const {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  if (QueryInformationJobObject(running_->job.Get(), JobObjectBasicAccountingInformation,
                                &accounting, sizeof accounting, nullptr)) {
    return accounting.ActiveProcesses == 0;
  }
  // Where the job cannot tell, the command's own process does.
  return WaitForSingleObject(running_->process.Get(), 0) == WAIT_OBJECT_0;
}

bool PowerCycleCommand::WaitForTree(milliseconds limit) const {
  const steady_clock::time_point deadline = steady_clock::now() + limit;
  while (!TreeEnded()) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - steady_clock::now());
    if (left <= milliseconds(0)) return false;
    Sleep(static_cast<DWORD>(std::min(left, kPoll).count()));
  }
  return true;
}
