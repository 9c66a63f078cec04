// Functions that fault in each way a library call can, for the tests of the guard around calls.
#pragma once

#include <cstdint>
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace faulting {

// Read through a volatile, so that the compiler cannot see the faults coming.
inline volatile std::uint32_t zero = 0;

inline std::uint32_t __cdecl AccessViolation() {
  return *reinterpret_cast<volatile std::uint32_t*>(zero);
}

inline std::uint32_t __cdecl IllegalInstruction() {
#if defined(_MSC_VER)
  __ud2();
#else
  __builtin_trap();
#endif
}

// Takes (and ignores) the two arguments of open_port.
inline std::uint32_t __cdecl DivideByZero(std::uint32_t type, std::uint32_t port) {
  return (type + port) / zero;
}

}  // namespace faulting
