// The link testz.com leaves testz.exe, taken from this process's environment under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "companion_link.h"
#include "companion_protocol.h"

namespace {

// Leaves the variable as testz.com does, naming `process` and `event`.
void Leave(HANDLE process, HANDLE event, bool in_place) {
  const CompanionValue value{reinterpret_cast<std::uintptr_t>(process),
                             reinterpret_cast<std::uintptr_t>(event), in_place};
  SetEnvironmentVariableW(kCompanionVariable, FormatCompanionValue(value).c_str());
}

bool VariableLeft() {
  return GetEnvironmentVariableW(kCompanionVariable, nullptr, 0) != 0;
}

HANDLE Event(BOOL inheritable) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, inheritable};
  return CreateEventW(&attributes, TRUE, FALSE, nullptr);
}

// An inheritable SYNCHRONIZE handle to `process`, as testz.com makes of itself.
HANDLE Synchronize(HANDLE process) {
  HANDLE handle = nullptr;
  DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &handle, SYNCHRONIZE, TRUE, 0);
  return handle;
}

TEST(CompanionLink, AsksToStopOnceTheEventIsSetAndKeepsItsHandlesFromCommands) {
  const HANDLE event = Event(TRUE);  // the link owns both handles
  Leave(Synchronize(GetCurrentProcess()), event, true);
  const std::optional<CompanionLink> link = CompanionLink::FromEnvironment();
  ASSERT_TRUE(link);
  EXPECT_FALSE(VariableLeft());
  EXPECT_FALSE(CompanionLink::FromEnvironment()) << "taken once";
  EXPECT_TRUE(link->ProgressInPlace());
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(event, &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
  EXPECT_FALSE(link->StopAsked());
  SetEvent(event);
  EXPECT_TRUE(link->StopAsked());
  EXPECT_TRUE(link->StopAsked());
}

TEST(CompanionLink, AsksToStopOnceTheCompanionHasEnded) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                             nullptr, &startup, &started));
  const KernelHandle companion(started.hProcess);
  const KernelHandle thread(started.hThread);
  Leave(Synchronize(companion.Get()), Event(TRUE), false);
  const std::optional<CompanionLink> link = CompanionLink::FromEnvironment();
  ASSERT_TRUE(link);
  EXPECT_FALSE(link->ProgressInPlace());
  EXPECT_FALSE(link->StopAsked());
  TerminateProcess(companion.Get(), 1);
  WaitForSingleObject(companion.Get(), INFINITE);
  EXPECT_TRUE(link->StopAsked());
}

TEST(CompanionLink, IsNothingWhereTheHandlesAreNotTheCompanionsAndTheVariableGoesAllTheSame) {
  const KernelHandle own_event(Event(FALSE));
  const KernelHandle inheritable(Event(TRUE));
  HANDLE closed = Event(TRUE);
  CloseHandle(closed);
  const HANDLE process = Synchronize(GetCurrentProcess());
  for (HANDLE event : {own_event.Get(), closed, GetStdHandle(STD_ERROR_HANDLE)}) {
    Leave(process, event, true);
    EXPECT_FALSE(CompanionLink::FromEnvironment()) << event;
    EXPECT_FALSE(VariableLeft());
  }
  SetEnvironmentVariableW(kCompanionVariable, L"12;12;1");
  EXPECT_FALSE(CompanionLink::FromEnvironment());
  EXPECT_FALSE(VariableLeft());
  Leave(process, inheritable.Get(), true);
  EXPECT_TRUE(CompanionLink::FromEnvironment()) << "the same handles, all usable";
}

}  // namespace
