// The pixels per inch of the screen a window stands on.
#include "window_dpi.h"

#include "gdi_owners.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up rather than imported, so that the program still starts where the call is missing.
GetDpiForWindowFunction FindGetDpiForWindow() {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
}

}  // namespace

int WindowDpi(HWND window, int fallback_dpi) {
  static const GetDpiForWindowFunction get_dpi_for_window = FindGetDpiForWindow();
  if (get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  const int dpi = GetDeviceCaps(DeviceContextOf(nullptr).get(), LOGPIXELSY);
  return dpi > 0 ? dpi : fallback_dpi;
}
