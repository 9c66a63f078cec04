// The faults a library call can make, as the simulator's faulty exports commit them. Tests raise
// the same ones to learn what the platform they run on reports for each.
#pragma once

#include <cstdint>

namespace faults {

// Addresses and operands read through volatiles, so that the compiler cannot see a fault coming.
inline volatile std::uintptr_t low_address = 8;
inline volatile std::uintptr_t wild_text_address = 0x10;
inline volatile std::uint32_t zero = 0;
inline volatile bool keep_recursing = true;

// A write to address 8.
inline void AccessViolation() {
  *reinterpret_cast<volatile std::uint32_t*>(low_address) = 0;
}

// A read of address 0x10, as a copy of a text returned through a wild pointer makes.
inline std::uint32_t ReadFault() {
  return *reinterpret_cast<volatile const std::uint8_t*>(wild_text_address);
}

[[noreturn]] inline void IllegalInstruction() {
  __builtin_trap();
}

// An integer division by zero.
inline std::uint32_t DivideByZero() {
  volatile std::uint32_t dividend = 1;
  volatile std::uint32_t quotient = dividend / zero;
  return quotient;
}

// Every frame stays in use until the call below it returns, so the recursion cannot become a loop.
inline std::uint32_t Recurse(const volatile char* caller_frame) {
  volatile char frame[512];
  frame[0] = caller_frame[0];
  if (keep_recursing) Recurse(frame);
  return static_cast<std::uint32_t>(frame[0]);
}

inline std::uint32_t StackOverflow() {
  const volatile char start = 0;
  return Recurse(&start);
}

}  // namespace faults
