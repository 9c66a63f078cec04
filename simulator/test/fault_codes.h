// The exception code that the platform reports for each fault a library call can make, learnt by
// raising that fault under a handler of the test's own: an emulated CPU reports some of them
// differently from a real one, and the program names whatever code the system reported.
#pragma once

#include <cstdint>
#include <string>

enum class PlatformFault {
  kAccessViolation,     // a write to a low address (the simulator's access_violation)
  kReadFault,           // a read of a wild pointer (a text that cannot be read)
  kIllegalInstruction,  // the simulator's illegal_instruction
  kDivideByZero,        // the simulator's divide_by_zero
  kStackOverflow,       // the simulator's stack_overflow
};

// The code reported for `fault` on this platform, learnt at the first ask.
std::uint32_t FaultCode(PlatformFault fault);

// The same as the program's log writes it: eight upper-case hexadecimal digits.
std::string FaultCodeText(PlatformFault fault);

// The fault that a simulator scenario's kind ("access_violation", ...) commits.
PlatformFault FaultOfKind(const std::string& kind);

// The code Windows reports for `fault` on a real x86 CPU.
std::uint32_t RealCpuFaultCode(PlatformFault fault);

// Why a test of a stack overflow caught by the guard does not run through the emulator: after the
// overflow the guard restores the stack's guard page with _resetstkoflw, as Windows documents, and
// the emulated process ends there.
inline constexpr char kEmulatorAndStackOverflow[] =
    "the emulated process ends in _resetstkoflw, with which the guard restores the stack's guard "
    "page after an overflow";

// True when the tests run through the user-mode emulator (TESTZ_CPU_EMULATED=1, set by the
// scripts that run them).
bool CpuEmulated();
