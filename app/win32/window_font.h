// The window font: the first face of a list that the system can draw at the size asked for.
#pragma once

#include <windows.h>

#include <cstddef>

#include "gdi_owners.h"

// The window font and the height of one line of text in it on the screen: what a list box line,
// a label and a radio item need.
struct WindowFont {
  GdiObject<HFONT> font;
  int line_height = 0;
};

// The window font at `points` for a screen of `dpi` pixels per inch. Its face is the first of
// the `face_count` faces that the system can draw at that size (a face made of fixed bitmap
// sizes may lack it); the system's dialog face when none of them can. The line height is read
// as the face is found.
WindowFont CreateWindowFont(const char* const* faces, std::size_t face_count, int points, int dpi);
