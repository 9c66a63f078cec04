// What the baseline programs share: one top-level window of the program's size and a plain loop.
#pragma once

#include <windows.h>

// Registers class_name with procedure and creates its window, of the program's outer size, on
// the button face; not shown yet. Null when either step fails.
HWND CreateBaselineWindow(HINSTANCE instance, const char* class_name, const char* caption,
                          WNDPROC procedure, DWORD extra_style);

// The layout's face at its size, at 96 pixels per inch; the caller deletes it.
HFONT CreateLayoutFont();

// A list box where the program's log is in `window` (client area of the design size), in
// `font` with the layout's line height; null when it could not be made.
HWND CreateLogListBox(HWND window, HINSTANCE instance, HFONT font);

// The same window, shown at once as `show_command` says and painted; null when it was not made.
HWND ShowBaselineWindow(HINSTANCE instance, const char* class_name, const char* caption,
                        WNDPROC procedure, int show_command);

// Gets and dispatches messages until WM_QUIT; returns its exit code.
int RunPlainMessageLoop();

// Takes every pending message and dispatches it, as the program's halt loop does after each
// attempt; returns when the queue is empty.
void PassOverPendingMessages();
