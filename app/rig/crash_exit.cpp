// The handlers of a crash in an unattended run: an unhandled exception, std::terminate, abort.
#include "crash_exit.h"

#include <windows.h>

#include <csignal>
#include <exception>

namespace {

CrashWriter writer = nullptr;

[[noreturn]] void EndWith(std::uint32_t code) {
  const int exit_code = writer(code);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  ExitProcess(static_cast<UINT>(exit_code));
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
  EndWith(exception->ExceptionRecord->ExceptionCode);
}

[[noreturn]] void OnTerminate() {
  EndWith(0);
}

void OnAbort(int) {
  EndWith(0);
}

}  // namespace

void ExitOnCrash(CrashWriter write) {
  writer = write;
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&OnUnhandledException);
  std::set_terminate(&OnTerminate);
  std::signal(SIGABRT, &OnAbort);
}
