// The window font: the layout's face when the system has it, otherwise the closest installed one.
#pragma once

#include <windows.h>

#include "window.h"

// The window font at `points` for a screen of `dpi` pixels per inch, in the first installed face
// of: the layout's face, then the substitutes closest to it in shape and metrics; in the system's
// dialog face when none of them is installed.
GdiObject<HFONT> CreateWindowFont(int points, int dpi);
