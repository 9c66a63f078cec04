// The window font: the layout's face when the system has it, otherwise the closest installed one.
#pragma once

#include <windows.h>

#include <string>

#include "window.h"

// The first installed face of: the layout's face, then the substitutes closest to it in shape
// and metrics. Empty when none of them is installed.
std::string ChooseWindowFontFace();

// The window font at `points` for a screen of `dpi` pixels per inch, in the chosen face (or the
// system's default face when none of the candidates is installed).
GdiObject<HFONT> CreateWindowFont(int points, int dpi);
