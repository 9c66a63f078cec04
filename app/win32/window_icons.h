// The program's window icons, loaded at the sizes a screen of a given DPI asks for.
#pragma once

#include <windows.h>

#include "owned_handle.h"

// An icon loaded at a size of its own (not shared with the system), destroyed when it goes.
using OwnedIcon = Owned<HICON, &DestroyIcon>;

// A window's two icons: the large one of the title bar and the task switcher, the small one of
// the caption and the taskbar.
struct WindowIcons {
  OwnedIcon large_icon;
  OwnedIcon small_icon;
};

// The icon resource `resource_id` at the sizes the system uses on a screen of `dpi`, each drawn
// from its own image nearest that size rather than one image scaled (and blurred) to it; null
// without that resource.
WindowIcons LoadWindowIcons(HINSTANCE instance, int resource_id, int dpi);
