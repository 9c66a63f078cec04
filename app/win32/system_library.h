// The system's functions found at run time rather than imported: in a library loaded when first
// needed, or in user32.dll where a Windows version after Vista added them.
#pragma once

#include <windows.h>

// The function `name` of `module` as `Function`; null when either is missing.
template <typename Function>
Function FindFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A call of user32.dll looked up rather than imported, so that the program still starts on a
// Windows that lacks it; null there.
template <typename Function>
Function FindUser32Function(const char* name) {
  return FindFunction<Function>(GetModuleHandleA("user32.dll"), name);
}

// A library of the system's loaded when first needed rather than imported: imported, it and the
// libraries it pulls in would be loaded at every start-up, for something a run may never use.

class SystemLibrary {
 public:
  // From the system folder only, never from the program's or the current folder.
  explicit SystemLibrary(const char* name)
      : module_(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~SystemLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The function `name` as `Function`, null when the library or the function is missing.
  template <typename Function>
  Function Find(const char* name) const {
    return FindFunction<Function>(module_, name);
  }

 private:
  HMODULE module_;
};
