// The program's window icons, loaded at the sizes a screen of a given DPI asks for.
#pragma once

#include <windows.h>

#include "owned_handle.h"

// An icon loaded at a size of its own (not shared with the system), destroyed when it goes.
using OwnedIcon = Owned<HICON, &DestroyIcon>;

// The title bar's and task switcher's large icon, or the small one of the caption and taskbar.
enum class IconSize { kLarge, kSmall };

// The icon resource `resource_id` drawn from its own image nearest the size the system uses on a
// screen of `dpi`, rather than one image scaled (and blurred) to it; null without that resource.
OwnedIcon LoadIconForDpi(HINSTANCE instance, int resource_id, IconSize size, int dpi);
