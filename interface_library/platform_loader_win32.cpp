// The platform loader on Windows: LoadLibraryA, GetProcAddress and FreeLibrary.
#include "platform_loader.h"

#include <windows.h>

namespace {

using SetThreadErrorModeFunction = BOOL(WINAPI*)(DWORD, LPDWORD);

// Looked up rather than imported: Windows Vista has no per-thread error mode, and a missing import
// would stop the program from starting there.
SetThreadErrorModeFunction FindSetThreadErrorMode() {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<SetThreadErrorModeFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetThreadErrorMode")));
}

// While it lives, the system shows no box of its own (no critical-error box, no "insert a disk"
// box) when a file cannot be opened or loaded: the caller reports the failure itself. The error
// mode before it is restored at the end; on Windows Vista the mode is the process's.
class NoSystemErrorBoxes {
 public:
  NoSystemErrorBoxes() {
    static const SetThreadErrorModeFunction set_thread_error_mode = FindSetThreadErrorMode();
    set_thread_error_mode_ = set_thread_error_mode;
    if (set_thread_error_mode_ != nullptr) {
      set_thread_error_mode_(kQuiet, &previous_);
    } else {
      previous_ = SetErrorMode(kQuiet);
    }
  }
  ~NoSystemErrorBoxes() {
    if (set_thread_error_mode_ == nullptr) {
      SetErrorMode(previous_);
    } else {
      set_thread_error_mode_(previous_, nullptr);
    }
  }
  NoSystemErrorBoxes(const NoSystemErrorBoxes&) = delete;
  NoSystemErrorBoxes& operator=(const NoSystemErrorBoxes&) = delete;

 private:
  static constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  SetThreadErrorModeFunction set_thread_error_mode_ = nullptr;
  DWORD previous_ = 0;
};

class Win32Loader final : public PlatformLoader {
 public:
  ModuleHandle Load(const char* file_name) override {
    // Takes the current directory (and any folder set before) out of the search, so a library
    // planted in the working directory is never loaded; the program's own folder, the system
    // folders and PATH are searched as before.
    SetDllDirectoryW(L"");
    const NoSystemErrorBoxes quiet;
    return reinterpret_cast<ModuleHandle>(LoadLibraryA(file_name));
  }
  EntryAddress Lookup(ModuleHandle module, const char* export_name) override {
    return reinterpret_cast<EntryAddress>(
        GetProcAddress(reinterpret_cast<HMODULE>(module), export_name));
  }
  void Free(ModuleHandle module) override { FreeLibrary(reinterpret_cast<HMODULE>(module)); }
};

}  // namespace

PlatformLoader& SystemLoader() {
  static Win32Loader loader;
  return loader;
}
