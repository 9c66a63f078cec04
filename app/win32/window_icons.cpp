// The program's window icons, loaded at the sizes a screen of a given DPI asks for.
#include "window_icons.h"

#include "window_dpi.h"

namespace {

OwnedIcon LoadIconSized(HINSTANCE instance, int resource_id, int width_metric, int height_metric,
                        int dpi) {
  const int width = SystemMetricForDpi(width_metric, dpi);
  const int height = SystemMetricForDpi(height_metric, dpi);
  const auto name = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(resource_id));
  return OwnedIcon(static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, width, height, 0)));
}

}  // namespace

WindowIcons LoadWindowIcons(HINSTANCE instance, int resource_id, int dpi) {
  return {LoadIconSized(instance, resource_id, SM_CXICON, SM_CYICON, dpi),
          LoadIconSized(instance, resource_id, SM_CXSMICON, SM_CYSMICON, dpi)};
}
