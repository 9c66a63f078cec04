// The pixels per inch of the screen a window stands on, and the system's sizes at a given DPI.
#pragma once

#include <windows.h>

// The system's DPI: the one GetSystemMetrics reports its sizes for, and the screen's DPI for a
// window made on the primary screen (unless its scale changed since the user signed in);
// `fallback_dpi` should the system report none.
int SystemDpi(int fallback_dpi);

// The window's own DPI where the system keeps one per window (Windows 10 from version 1607, and
// Wine); the system's DPI on older systems; `fallback_dpi` should the system report none. The
// window then learns of a move to a screen of another DPI through WM_DPICHANGED.
int WindowDpi(HWND window, int fallback_dpi);

// A system metric (SM_CXICON, ...) as it is on a screen of `dpi`: asked of the system where it
// answers per DPI (Windows 10 from version 1607, and Wine), otherwise the system DPI's value
// scaled to `dpi`.
int SystemMetricForDpi(int metric, int dpi);
