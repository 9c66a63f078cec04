// The guard around library calls on 32-bit Windows: a structured-exception frame of our own.
#include "guarded_call.h"

#include <windows.h>
#include <intrin.h>
#include <malloc.h>
#include <setjmp.h>

#include <atomic>

extern "C" {
GuardStackResetRoutine GuardStackReset = &_resetstkoflw;
}

namespace {

// The threads whose stack lost its guard page to an overflow and could not have it restored, and
// whether this is one. Only while there are any is the thread's own record read, so that a call
// costs one load rather than a thread-local lookup (a call into the run-time library with MinGW).
std::atomic<int> unguarded_stacks{0};
thread_local bool stack_unguarded = false;

// After a call that ended with `code`, outside the guard's frame and with the library's frames
// unwound: _resetstkoflw must never run in an exception handler or filter, where the stack is
// not yet unwound.
void AfterFault(std::uint32_t code) {
  if (code == EXCEPTION_STACK_OVERFLOW && GuardStackReset() == 0) {
    stack_unguarded = true;
    ++unguarded_stacks;
  }
}

// Whether a call may be made: the stack has its guard page, restored now if need be.
bool StackGuarded() {
  if (unguarded_stacks.load(std::memory_order_relaxed) == 0 || !stack_unguarded) return true;
  if (GuardStackReset() == 0) return false;
  stack_unguarded = false;
  --unguarded_stacks;
  return true;
}

}  // namespace

#if defined(_MSC_VER)

namespace {

// MSVC: a typed call per argument count under __try/__except (the stack-pointer check needs
// the GNU assembler routine and is not made here).
std::uint32_t InvokeTyped(EntryAddress entry, const std::uint32_t* a, unsigned count) {
  using U = std::uint32_t;
  switch (count) {
    case 0: return reinterpret_cast<U(__cdecl*)()>(entry)();
    case 1: return reinterpret_cast<U(__cdecl*)(U)>(entry)(a[0]);
    case 2: return reinterpret_cast<U(__cdecl*)(U, U)>(entry)(a[0], a[1]);
    default:
      return reinterpret_cast<U(__cdecl*)(U, U, U, U, U, U, U)>(entry)(a[0], a[1], a[2], a[3], a[4],
                                                                       a[5], a[6]);
  }
}

}  // namespace

std::uint32_t GuardedInvoke(EntryAddress entry, const std::uint32_t* args, unsigned count,
                            std::uint32_t* fault) {
  *fault = 0;
  if (!StackGuarded()) {
    *fault = EXCEPTION_STACK_OVERFLOW;
    return 0;
  }
  std::uint32_t result = 0;
  __try {
    result = InvokeTyped(entry, args, count);
  } __except (*fault = GetExceptionCode(), EXCEPTION_EXECUTE_HANDLER) {
  }
  AfterFault(*fault);
  return result;
}

#else

extern "C" std::uint32_t InvokeChecked(EntryAddress entry, const std::uint32_t* args,
                                       unsigned count, std::uint32_t* stack_moved);

extern "C" {
GuardUnwindRoutine GuardUnwind = &RtlUnwind;
}

namespace {

// An exception registration record as the system walks them from fs:0, followed by what the
// handler needs to return to the guard. Nothing here has a destructor: the way back from a
// fault is a longjmp over the library's frames.
struct GuardFrame {
  GuardFrame* next;
  void* handler;
  jmp_buf resume;
  volatile DWORD code;
};

}  // namespace

// The handler of the guard's registration record, declared a safe exception handler of the image
// in invoke_checked_i686.S.
extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT*, void*) {
  // The second pass over the frames (an unwind started by us or by an outer handler).
  if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
    return ExceptionContinueSearch;
  }
  GuardFrame* guard = static_cast<GuardFrame*>(frame);
  guard->code = record->ExceptionCode;
  // Lets the handlers the library registered below ours run their unwind, then leaves fs:0
  // pointing at our record again. The system's unwind need not keep the registers that hold
  // `guard`: it is called through a routine that does.
  UnwindToFrame(frame, record);
  longjmp(guard->resume, 1);
}

std::uint32_t GuardedInvoke(EntryAddress entry, const std::uint32_t* args, unsigned count,
                            std::uint32_t* fault) {
  if (!StackGuarded()) {
    *fault = EXCEPTION_STACK_OVERFLOW;
    return 0;
  }
  GuardFrame guard;
  guard.code = 0;
  guard.handler = reinterpret_cast<void*>(&GuardHandler);
  guard.next = reinterpret_cast<GuardFrame*>(__readfsdword(0));
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&guard)));

  volatile std::uint32_t result = 0;
  std::uint32_t stack_moved = 0;
  if (setjmp(guard.resume) == 0) {
    result = InvokeChecked(entry, args, count, &stack_moved);
  }
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(guard.next)));

  // The library's frames are unwound and ours is off the chain: the stack may be guarded again.
  AfterFault(guard.code);
  if (guard.code != 0) {
    *fault = guard.code;
  } else {
    *fault = stack_moved != 0 ? kStackPointerFault : 0;
  }
  return result;
}

#endif
