// Exports that fault in each way a library call can, for the tests of the guard around calls:
// the simulator's faults, in the call shapes of the library's exports.
#pragma once

#include <cstdint>

#include "faults.h"

namespace faulting {

inline std::uint32_t __cdecl AccessViolation() {
  faults::AccessViolation();
  return 0;
}

inline std::uint32_t __cdecl IllegalInstruction() {
  faults::IllegalInstruction();
}

// Takes (and ignores) the two arguments of open_port.
inline std::uint32_t __cdecl DivideByZero(std::uint32_t, std::uint32_t) {
  return faults::DivideByZero();
}

inline std::uint32_t __cdecl StackOverflow() {
  return faults::StackOverflow();
}

}  // namespace faulting
