// The procedure's calls into the interface library: each one guarded, a fault thrown as
// LibraryFault. Inside the recovery layer only: the binding is not visible beyond it.
#pragma once

#include <cstdint>
#include <string>

#include "guarded_call.h"
#include "unit_library_api_kelm.h"

// A library call that faulted (or returned with the stack pointer moved): the procedure ends
// there.
struct LibraryFault {
  EntrySlot slot;
  std::uint32_t code;
};

// Calls the export in slot S under the guard. Arguments are passed at their exact 32-bit (or
// pointer) types; the raw result is returned and read at its contract width by the caller.
template <EntrySlot S, typename... Args>
auto CallLibrary(Args... args) {
  std::uint32_t fault = 0;
  const auto result = GuardedEntryCall<S>(&fault, args...);
  if (fault != 0) throw LibraryFault{S, fault};
  return result;
}

// A call that returns text, and the copy of its text under the same guard: a text that cannot be
// read is a fault of the export that returned it.
template <EntrySlot S, typename... Args>
std::string CallLibraryForText(Args... args) {
  const char* const text = CallLibrary<S>(args...);
  std::uint32_t fault = 0;
  std::string copy = GuardedCopyLibraryText(text, &fault);
  if (fault != 0) throw LibraryFault{S, fault};
  return copy;
}
