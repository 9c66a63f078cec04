// The START procedure run to the end of its halt loop on a library and a window that do nothing.
#pragma once

#include <cstdint>

// Runs RecoveryProcedure once with "USB Veyra" chosen, against a library double whose every call
// answers at once and whose halt attempt number `attempts` reports the processor halted, and a
// window whose pass over pending messages does nothing. What remains is the program's own work
// per attempt; the report and set-up before the loop are a few dozen lines. Returns the number
// of halt attempts made.
std::uint32_t RunIdleHaltLoop(std::uint32_t attempts);
