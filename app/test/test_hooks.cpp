// The test build's faults on request: an unhandled access violation or std::terminate, on a thread
// of its own, as a library's own thread or a broken invariant would raise them.
#include "test_hooks.h"

#include <windows.h>

#include <cstring>
#include <exception>

namespace {

DWORD WINAPI Crash(void* terminate) {
  Sleep(1000);
  if (terminate != nullptr) std::terminate();
  RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  return 0;
}

}  // namespace

void StartTestCrash() {
  char fault[32] = {};
  if (GetEnvironmentVariableA("TESTZ_TEST_CRASH", fault, sizeof fault) == 0) return;
  void* const terminate = std::strcmp(fault, "terminate") == 0 ? fault : nullptr;
  const HANDLE thread = CreateThread(nullptr, 0, &Crash, terminate, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}
