// A library of the system's loaded when first needed rather than imported: imported, it and the
// libraries it pulls in would be loaded at every start-up, for something a run may never use.
#pragma once

#include <windows.h>

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
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};
