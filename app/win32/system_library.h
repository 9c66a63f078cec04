// The system's functions found at run time rather than imported: in a library loaded when first
// needed, or in user32.dll where a Windows version after Vista added them.
#pragma once

#include <windows.h>

#include <string>

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
  explicit SystemLibrary(const char* name) : module_(LoadFromSystemFolder(name)) {}
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
  static HMODULE LoadFromSystemFolder(const char* name) {
    const HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows Vista and 7 know that flag only with the update KB2533623 and refuse it without:
    // there the file is named by its full path in the system folder, where its own imports are
    // then looked for first. Never by the plain search, which starts in the program's folder.
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }

  HMODULE module_;
};
