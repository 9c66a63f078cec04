// The window font: the layout's face when the system has it, otherwise the closest installed one.
#pragma once

#include <windows.h>

#include "window.h"

// The window font at `points` for a screen of `dpi` pixels per inch. Its face is the first of
// the layout's face and then the substitutes closest to it in shape and metrics that the system
// can draw at that size (a face made of fixed bitmap sizes may lack it); the system's dialog
// face when none of them can.
GdiObject<HFONT> CreateWindowFont(int points, int dpi);

// The height of one line of text in `font`, on the screen: what a list box line, a label and a
// radio item need.
int LineHeight(HFONT font);
