// The pixels per inch of the screen a window stands on, and the system's sizes at a given DPI.
#include "window_dpi.h"

#include "gdi_owners.h"
#include "system_library.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

}  // namespace

int SystemDpi(int fallback_dpi) {
  const int dpi = GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : fallback_dpi;
}

int WindowDpi(HWND window, int fallback_dpi) {
  static const auto get_dpi_for_window =
      FindUser32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi(fallback_dpi);
}

int SystemMetricForDpi(int metric, int dpi) {
  static const auto get_system_metrics_for_dpi =
      FindUser32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (get_system_metrics_for_dpi != nullptr) {
    const int value = get_system_metrics_for_dpi(metric, static_cast<UINT>(dpi));
    if (value > 0) return value;
  }
  const int system_dpi = SystemDpi(dpi);
  return MulDiv(GetSystemMetrics(metric), dpi, system_dpi);
}
