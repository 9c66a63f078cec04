// The power-cycle command of an unattended run, started without a console window.
#include "power_cycle.h"

#include <utility>
#include <vector>

PowerCycleCommand::PowerCycleCommand(std::wstring command_line, std::chrono::nanoseconds period)
    : command_line_(std::move(command_line)), period_(period) {}

DWORD PowerCycleCommand::LoopStarted() {
  return Start(std::chrono::nanoseconds(0));
}

DWORD PowerCycleCommand::Tick(std::chrono::nanoseconds elapsed) {
  Reap();
  if (running_ || elapsed - last_start_ < period_) return ERROR_SUCCESS;
  return Start(elapsed);
}

bool PowerCycleCommand::WaitAtEnd(std::chrono::milliseconds limit) {
  if (running_) WaitForSingleObject(running_.Get(), static_cast<DWORD>(limit.count()));
  Reap();
  return static_cast<bool>(running_);
}

DWORD PowerCycleCommand::Start(std::chrono::nanoseconds elapsed) {
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> command(command_line_.begin(), command_line_.end());
  command.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &started)) {
    return GetLastError();
  }
  CloseHandle(started.hThread);
  running_.Reset(started.hProcess);
  last_start_ = elapsed;
  ++started_;
  return ERROR_SUCCESS;
}

void PowerCycleCommand::Reap() {
  if (!running_ || WaitForSingleObject(running_.Get(), 0) != WAIT_OBJECT_0) return;
  DWORD code = 0;
  if (!GetExitCodeProcess(running_.Get(), &code) || code != 0) ++failures_;
  running_.Reset();
}
