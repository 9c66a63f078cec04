// The program's window icons, loaded at the sizes a screen of a given DPI asks for.
#include "window_icons.h"

#include "window_dpi.h"

OwnedIcon LoadIconForDpi(HINSTANCE instance, int resource_id, IconSize size, int dpi) {
  const bool large = size == IconSize::kLarge;
  const int width = SystemMetricForDpi(large ? SM_CXICON : SM_CXSMICON, dpi);
  const int height = SystemMetricForDpi(large ? SM_CYICON : SM_CYSMICON, dpi);
  const auto name = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(resource_id));
  return OwnedIcon(static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, width, height, 0)));
}
