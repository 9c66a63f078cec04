// testz.com, the console companion of testz.exe: starts testz.exe from its own folder with its own
// arguments, relays its output as it comes, has Ctrl+C stop its run, and exits with its exit code.
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "companion_protocol.h"
#include "output_relay.h"
#include "owned_handle.h"
#include "product.h"
#include "program_arguments.h"
#include "scope_exit.h"
#include "system_error.h"
#include "text_encoding.h"
#include "text_output.h"
#include "unattended_outcome.h"

namespace {

// Once testz.exe has ended, how long its output pipes are read until their end: a program it
// started may hold them open.
constexpr std::chrono::milliseconds kPipeGrace{2000};

// Set on Ctrl+C, Ctrl+Break and the console's close: testz.exe stops its run when it sees it.
HANDLE stop_event = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
  SetEvent(stop_event);
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    // The system ends the process once this returns. It waits instead, until testz.exe has
    // written its log and summary and ended and testz.com exits with its code, or until the
    // system's own limit is up.
    Sleep(INFINITE);
  }
  // Handled: a Ctrl+C never ends testz.com itself, only the run.
  return TRUE;
}

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

// A pipe whose writing end testz.exe inherits.
struct OutputPipe {
  KernelHandle read;
  KernelHandle write;
};

bool MakePipe(OutputPipe& pipe) {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, nullptr, 0)) return false;
  pipe.read.Reset(read);
  pipe.write.Reset(write);
  return SetHandleInformation(write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) != FALSE;
}

// The attribute of a new process that limits what it inherits to `handles`.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    if (!InitializeProcThreadAttributeList(List(), 1, 0, &size)) return;
    initialized_ = true;
    ready_ =
        UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr) != FALSE;
  }
  ~InheritedHandles() {
    if (initialized_) DeleteProcThreadAttributeList(List());
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  bool Ready() const { return ready_; }
  LPPROC_THREAD_ATTRIBUTE_LIST List() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
  }

 private:
  std::vector<HANDLE> handles_;  // the list points into it
  std::vector<unsigned char> storage_;
  bool initialized_ = false;
  bool ready_ = false;
};

// testz.exe could not be started: the system's reason, on testz.com's standard error.
int NotStarted(const std::wstring& program, DWORD error) {
  WriteUtf8(GetStdHandle(STD_ERROR_HANDLE), "testz.com: " + BytesFrom(CP_UTF8, program) +
                                                " could not be started: " + SystemErrorUtf8(error) +
                                                "\r\n");
  return kExitProgramNotStarted;
}

}  // namespace

int main() {
  const std::wstring program = OwnFolder() + L"\\" TESTZ_FILE_NAME;
  std::wstring command_line =
      L"\"" + program + L"\"" + std::wstring(ArgumentsAfterProgramName(GetCommandLineW()));

  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  const KernelHandle stop(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
  if (!stop) return NotStarted(program, GetLastError());
  stop_event = stop.Get();
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  const ScopeExit handler_removed([] { SetConsoleCtrlHandler(&OnConsoleControl, FALSE); });

  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    return NotStarted(program, GetLastError());
  }
  const KernelHandle own_process(self);
  OutputPipe output;
  OutputPipe error;
  if (!MakePipe(output) || !MakePipe(error)) return NotStarted(program, GetLastError());

  const HANDLE own_output = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE own_error = GetStdHandle(STD_ERROR_HANDLE);
  const CompanionValue link{reinterpret_cast<std::uintptr_t>(own_process.Get()),
                            reinterpret_cast<std::uintptr_t>(stop.Get()), IsConsole(own_output)};
  SetEnvironmentVariableW(kCompanionVariable, FormatCompanionValue(link).c_str());

  InheritedHandles inherited(
      {output.write.Get(), error.write.Get(), own_process.Get(), stop.Get()});
  if (!inherited.Ready()) return NotStarted(program, GetLastError());
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdOutput = output.write.Get();
  startup.StartupInfo.hStdError = error.write.Get();
  startup.lpAttributeList = inherited.List();
  PROCESS_INFORMATION started{};
  // testz.exe is kept off the console (a GUI program never has one): the console's Ctrl+C
  // reaches it only through the link, as a stop.
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      EXTENDED_STARTUPINFO_PRESENT | DETACHED_PROCESS, nullptr, nullptr,
                      &startup.StartupInfo, &started)) {
    return NotStarted(program, GetLastError());
  }
  const KernelHandle testz(started.hProcess);
  const KernelHandle thread(started.hThread);
  // Only testz.exe holds the writing ends now: its pipes end when it does.
  output.write.Reset();
  error.write.Reset();

  std::shared_ptr<ConsoleScreen> screen;
  if (IsConsole(own_output)) {
    screen = std::make_shared<ConsoleScreen>(own_output);
  } else if (IsConsole(own_error)) {
    screen = std::make_shared<ConsoleScreen>(own_error);
  }
  OutputRelay output_relay = OutputRelay::Start(std::move(output.read), own_output, screen);
  OutputRelay error_relay = OutputRelay::Start(std::move(error.read), own_error, screen);

  WaitForSingleObject(testz.Get(), INFINITE);
  output_relay.Finish(kPipeGrace);
  error_relay.Finish(kPipeGrace);
  if (screen) screen->End();
  DWORD exit_code = 0;
  GetExitCodeProcess(testz.Get(), &exit_code);
  return static_cast<int>(exit_code);
}
