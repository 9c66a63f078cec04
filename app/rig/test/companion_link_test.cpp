// The link testz.com leaves testz.exe, taken from this process's environment under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "companion_link.h"
#include "companion_protocol.h"

namespace {

// Leaves the variable as testz.com does, with an inheritable SYNCHRONIZE handle to `companion`.
// (testz.com's end is seen through that handle: e2e/companion_test.cpp ends it.)
void Leave(HANDLE companion, HANDLE event, bool in_place) {
  HANDLE process = nullptr;
  DuplicateHandle(GetCurrentProcess(), companion, GetCurrentProcess(), &process, SYNCHRONIZE, TRUE,
                  0);
  const CompanionValue value{reinterpret_cast<std::uintptr_t>(process),
                             reinterpret_cast<std::uintptr_t>(event), in_place};
  SetEnvironmentVariableW(kCompanionVariable, FormatCompanionValue(value).c_str());
}

HANDLE Event(BOOL inheritable) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, inheritable};
  return CreateEventW(&attributes, TRUE, FALSE, nullptr);
}

TEST(CompanionLink, IsTakenOnceAndAsksToStopOnceTheEventIsSet) {
  const HANDLE event = Event(TRUE);  // the link owns it
  Leave(GetCurrentProcess(), event, true);
  const std::optional<CompanionLink> link = CompanionLink::FromEnvironment();
  ASSERT_TRUE(link);
  EXPECT_EQ(GetEnvironmentVariableW(kCompanionVariable, nullptr, 0), 0u) << "removed";
  EXPECT_FALSE(CompanionLink::FromEnvironment()) << "taken once";
  EXPECT_TRUE(link->ProgressInPlace());
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(event, &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u) << "no command inherits it";
  EXPECT_FALSE(link->StopAsked());
  SetEvent(event);
  EXPECT_TRUE(link->StopAsked());
}

TEST(CompanionLink, IsNothingWhereTheHandlesAreNotTheCompanionsAndTheVariableGoesAllTheSame) {
  const KernelHandle own_event(Event(FALSE));
  const auto none = reinterpret_cast<HANDLE>(std::uintptr_t{0x7FFFFFFC});
  for (HANDLE event : {own_event.Get(), none, GetStdHandle(STD_ERROR_HANDLE)}) {
    Leave(GetCurrentProcess(), event, true);
    EXPECT_FALSE(CompanionLink::FromEnvironment()) << event;
    EXPECT_EQ(GetEnvironmentVariableW(kCompanionVariable, nullptr, 0), 0u);
  }
}

}  // namespace
