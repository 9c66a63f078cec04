// The thread stack's guard page, armed again after a stack overflow (Windows).
#include "stack_guard.h"

#include <windows.h>

namespace {

// The thread's information block, through the system's accessor. (GCC takes the segment-relative
// read inside it for an access out of an array's bounds.)
NT_TIB* ThreadBlock() {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
  return reinterpret_cast<NT_TIB*>(NtCurrentTeb());
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

}  // namespace

void RearmStackGuardPage() {
  volatile char frame = 0;
  MEMORY_BASIC_INFORMATION memory{};
  if (VirtualQuery(const_cast<char*>(&frame), &memory, sizeof memory) == 0) return;
  // From the bottom of the stack's reservation up to the first committed page that may be
  // written: the system's guard page stood there, above the pages never committed or never
  // accessible.
  char* address = static_cast<char*>(memory.AllocationBase);
  void* const stack = memory.AllocationBase;
  while (VirtualQuery(address, &memory, sizeof memory) != 0 && memory.AllocationBase == stack &&
         address <= &frame) {
    const DWORD access = memory.Protect & ~static_cast<DWORD>(PAGE_GUARD);
    if (memory.State == MEM_COMMIT && access == PAGE_READWRITE) {
      if ((memory.Protect & PAGE_GUARD) != 0) return;
      SYSTEM_INFO system{};
      GetSystemInfo(&system);
      DWORD previous = 0;
      if (!VirtualProtect(memory.BaseAddress, system.dwPageSize, PAGE_READWRITE | PAGE_GUARD,
                          &previous)) {
        return;
      }
      // The stack's limit as the thread records it goes back above the guard page, where it
      // stood before the overflow moved it down: a fault in the guard page is then known as the
      // stack's.
      ThreadBlock()->StackLimit = static_cast<char*>(memory.BaseAddress) + system.dwPageSize;
      return;
    }
    address = static_cast<char*>(memory.BaseAddress) + memory.RegionSize;
  }
}
