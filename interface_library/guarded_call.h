// Calls into the interface library under a guard that turns a fault inside it into a report.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "call_under_way.h"
#include "library_faults.h"
#include "unit_library_api_kelm.h"

// What a guarded call reports besides the result: 0 when the export returned normally, the
// exception code of a fault raised inside it (0xC0000005 for an access violation, ...), or
// kStackPointerFault when it returned with the stack pointer moved (an export built with another
// calling convention than cdecl).
inline constexpr std::uint32_t kStackPointerFault = 0xE0535450u;

#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)

// Calls entry with count 32-bit arguments, pushed last to first as cdecl does, under a
// structured-exception frame of its own; the stack pointer is checked and restored after the
// call. Returns the export's return register; *fault receives the outcome as above.
//
// After a stack overflow the thread's stack has no guard page left, so another overflow could not
// be caught: once the guard has unwound, it restores the guard page through GuardStackReset. Until
// a restore succeeds (it is tried again before each call) no call is made: each reports
// EXCEPTION_STACK_OVERFLOW (0xC00000FD) at once.
std::uint32_t GuardedInvoke(EntryAddress entry, const std::uint32_t* args, unsigned count,
                            std::uint32_t* fault);

// What the guard restores the stack's guard page with: the C runtime's _resetstkoflw (nonzero
// when it did). A test may put another in its place.
using GuardStackResetRoutine = int(__cdecl*)();
extern "C" GuardStackResetRoutine GuardStackReset;

#if !defined(_MSC_VER)
// What the guard unwinds the library's frames with after a fault: the system's RtlUnwind
// (target frame, target instruction, exception record, return value). A test may put another in
// its place.
struct _EXCEPTION_RECORD;
using GuardUnwindRoutine = void(__stdcall*)(void*, void*, _EXCEPTION_RECORD*, void*);
extern "C" GuardUnwindRoutine GuardUnwind;

// Unwinds the registration frames above target_frame through GuardUnwind, with the instruction
// after that call as its target, and returns with EBX, ESI, EDI and EBP as they were, whatever
// GuardUnwind left in them (invoke_checked_i686.S).
extern "C" void UnwindToFrame(void* target_frame, _EXCEPTION_RECORD* record);
#endif

template <typename T>
std::uint32_t ArgumentSlot(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
  } else {
    return static_cast<std::uint32_t>(value);
  }
}

template <typename R>
R ResultFromRegister(std::uint32_t value) {
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(static_cast<std::uintptr_t>(value));
  } else {
    return static_cast<R>(value);
  }
}
#endif

// Calls the export in slot S with args, marked as under way while it runs. Where the platform
// allows (32-bit Windows) the call is guarded; elsewhere it is made directly and *fault is
// always 0.
template <EntrySlot S, typename... Args>
auto GuardedEntryCall(std::uint32_t* fault, Args... args) {
  using Fn = typename CallShape<S>::Fn;
  static_assert(std::is_invocable_v<Fn, Args...>, "arguments do not fit the call shape");
  using Result = std::invoke_result_t<Fn, Args...>;
  const CallUnderWay under_way(kEntryPointNames[static_cast<std::size_t>(S)]);
#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)
  const std::uint32_t slots[sizeof...(Args) + 1] = {ArgumentSlot(args)..., 0};
  return ResultFromRegister<Result>(
      GuardedInvoke(EntryPointTable[static_cast<std::size_t>(S)], slots, sizeof...(Args), fault));
#else
  *fault = 0;
  return static_cast<Result>(Entry<S>()(args...));
#endif
}

// Copies a text an export returned (as CopyLibraryText does) under the same guard as the call:
// a text that cannot be read (a wild pointer, a page without read access) ends the copy with its
// exception code in *fault, as a fault in the export would, and gives an empty text.
inline std::string GuardedCopyLibraryText(const char* text, std::uint32_t* fault) {
#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)
  char buffer[kLibraryTextLimit];
  const std::uint32_t slots[] = {ArgumentSlot(text), ArgumentSlot(&buffer[0])};
  const std::uint32_t length =
      GuardedInvoke(reinterpret_cast<EntryAddress>(&CopyLibraryTextInto), slots, 2, fault);
  if (*fault != 0) return {};
  return std::string(buffer, length);
#else
  *fault = 0;
  return CopyLibraryText(text);
#endif
}
