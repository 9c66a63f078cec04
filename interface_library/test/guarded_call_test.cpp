// Tests of the guard around library calls: faults and a moved stack pointer become reports.
#include "guarded_call.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <intrin.h>

#include <cstdint>

#include "fault_codes.h"
#include "faulting_calls.h"

// The harness in unwind_to_frame_harness.S.
extern "C" {
void __stdcall UnwindClobberingRegisters(void*, void*, _EXCEPTION_RECORD*, void*);
void UnwindToFrameUnderSentinels(_EXCEPTION_RECORD* record, std::uint32_t after[4]);
extern const std::uint32_t unwind_sentinels[4];
extern std::uint32_t unwind_target_instruction;
extern std::uint32_t unwind_return_address;
}

namespace {

using u32 = std::uint32_t;

u32 last_args[7];

u32 __cdecl Returns(u32 a, u32 b) {
  last_args[0] = a;
  last_args[1] = b;
  return a * 16 + b;
}
u32 __cdecl SevenArguments(u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g) {
  const u32 args[] = {a, b, c, d, e, f, g};
  for (int i = 0; i < 7; ++i) last_args[i] = args[i];
  return 7;
}
// Removes its own two arguments on return, as a library built with another calling convention.
u32 __stdcall RemovesItsArguments(u32 a, u32 b) {
  return a + b;
}

template <typename F>
EntryAddress Address(F function) {
  return reinterpret_cast<EntryAddress>(function);
}

TEST(GuardedInvoke, PassesArgumentsInOrderAndReturnsTheResult) {
  u32 fault = 1;
  const u32 two[] = {3, 4};
  EXPECT_EQ(GuardedInvoke(Address(&Returns), two, 2, &fault), 3u * 16 + 4);
  EXPECT_EQ(fault, 0u);

  const u32 seven[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(GuardedInvoke(Address(&SevenArguments), seven, 7, &fault), 7u);
  EXPECT_EQ(fault, 0u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(last_args[i], seven[i]);
}

// Each fault is reported with the code the system gave it: learnt by raising the same fault under
// a handler of the test's own, since an emulated CPU reports some differently.
void ExpectReportedWithItsCode(EntryAddress entry, PlatformFault kind) {
  u32 fault = 0;
  const u32 two[] = {1, 2};
  GuardedInvoke(entry, two, 2, &fault);
  EXPECT_EQ(fault, FaultCode(kind));
}

// A guard works again after a fault: a call returns as usual.
void ExpectACallReturns() {
  u32 fault = 1;
  const u32 two[] = {5, 6};
  EXPECT_EQ(GuardedInvoke(Address(&Returns), two, 2, &fault), 5u * 16 + 6);
  EXPECT_EQ(fault, 0u);
}

TEST(GuardedInvoke, TurnsEachKindOfFaultIntoItsExceptionCode) {
  ExpectReportedWithItsCode(Address(&faulting::AccessViolation), PlatformFault::kAccessViolation);
  ExpectReportedWithItsCode(Address(&faulting::IllegalInstruction),
                            PlatformFault::kIllegalInstruction);
  ExpectReportedWithItsCode(Address(&faulting::DivideByZero), PlatformFault::kDivideByZero);
  ExpectACallReturns();
}

// The same for a stack overflow; the stack's guard page is restored after the first, so a second
// one is caught too.
TEST(GuardedInvoke, CatchesAStackOverflowAndASecondOne) {
  if (CpuEmulated()) GTEST_SKIP() << kEmulatorAndStackOverflow;
  for (int overflow = 0; overflow < 2; ++overflow) {
    ExpectReportedWithItsCode(Address(&faulting::StackOverflow), PlatformFault::kStackOverflow);
  }
  ExpectACallReturns();
}

// A stand-in for the C runtime's restore of the guard page: notes the exception chain it runs
// under (the guard's frame must be off it) and reports reset_result.
int reset_result = 0;
int reset_calls = 0;
DWORD chain_at_reset = 0;
int __cdecl ResetStandIn() {
  ++reset_calls;
  chain_at_reset = __readfsdword(0);
  return reset_result;
}

// As a stack overflow reaches the guard, without using up the test's stack.
u32 __cdecl RaisesStackOverflow() {
  RaiseException(EXCEPTION_STACK_OVERFLOW, 0, 0, nullptr);
  return 0;
}

// Without a guard page another overflow could not be caught: no call is made until it is back.
TEST(GuardedInvoke, MakesNoCallUntilTheStacksGuardPageIsRestored) {
  GuardStackReset = &ResetStandIn;
  u32 fault = 0;
  GuardedInvoke(Address(&RaisesStackOverflow), nullptr, 0, &fault);
  EXPECT_EQ(fault, u32{EXCEPTION_STACK_OVERFLOW});
  EXPECT_EQ(chain_at_reset, __readfsdword(0)) << "restored before the guard had unwound";
  const u32 two[] = {3, 4};
  EXPECT_EQ(GuardedInvoke(Address(&Returns), two, 2, &fault), 0u) << "called";
  EXPECT_EQ(fault, u32{EXCEPTION_STACK_OVERFLOW});
  reset_result = 1;
  ExpectACallReturns();
  ExpectACallReturns();
  EXPECT_EQ(reset_calls, 3);
}

// UnwindToFrame gives the caller back EBX, ESI, EDI and EBP as they were, though the system's
// unwind changes them, and names the instruction it goes on at as the unwind's target.
TEST(UnwindToFrame, KeepsTheCallersRegistersAndGoesOnAtTheUnwindsTarget) {
  const GuardUnwindRoutine system = GuardUnwind;
  GuardUnwind = &UnwindClobberingRegisters;
  EXCEPTION_RECORD record{};
  u32 after[4] = {};
  UnwindToFrameUnderSentinels(&record, after);
  GuardUnwind = system;
  const char* const names[] = {"EBX", "ESI", "EDI", "EBP"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(after[i], unwind_sentinels[i]) << names[i];
  EXPECT_NE(unwind_target_instruction, 0u);
  EXPECT_EQ(unwind_target_instruction, unwind_return_address);
}

// The codes learnt are a real CPU's where the tests run on one; an emulator may report others,
// but always as errors.
TEST(PlatformFaultCodes, AreTheRealCpusUnlessTheCpuIsEmulated) {
  for (PlatformFault fault : {PlatformFault::kAccessViolation, PlatformFault::kReadFault,
                              PlatformFault::kIllegalInstruction, PlatformFault::kDivideByZero,
                              PlatformFault::kStackOverflow}) {
    if (CpuEmulated()) {
      EXPECT_EQ(FaultCode(fault) >> 30, 3u) << FaultCodeText(fault);
    } else {
      EXPECT_EQ(FaultCode(fault), RealCpuFaultCode(fault)) << FaultCodeText(fault);
    }
  }
}

TEST(GuardedInvoke, ReportsACalleeThatMovesTheStackPointerAndRestoresIt) {
  u32 fault = 0;
  const u32 two[] = {1, 2};
  EXPECT_EQ(GuardedInvoke(Address(&RemovesItsArguments), two, 2, &fault), 3u);
  EXPECT_EQ(fault, kStackPointerFault);
  // The caller's frame is intact: a later call works as before.
  EXPECT_EQ(GuardedInvoke(Address(&Returns), two, 2, &fault), 1u * 16 + 2);
  EXPECT_EQ(fault, 0u);
}

}  // namespace
