// The calls of user32.dll that Windows versions after Vista added, looked up at run time.
#pragma once

#include <windows.h>

// A call looked up rather than imported, so that the program still starts on a Windows that
// lacks it; null there.
template <typename Function>
Function FindUser32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}
