// The program's message loop and the one pass over pending messages that a running handler makes.
#pragma once

#include <windows.h>

// Hands one message to the window system; keyboard messages first get the dialog navigation of
// `main_window` (Tab, Shift+Tab, arrow keys within a radio group, Enter).
void DispatchWindowMessage(HWND main_window, MSG& message);

// Dispatches messages until WM_QUIT arrives; returns the exit code it carries.
int RunMessageLoop(HWND main_window);

// Dispatches every message waiting now and returns when the queue is empty. A WM_QUIT met on the
// way is posted again and ends the pass, so that the message loop still sees it; the result is
// then true, telling the caller that the program is to end.
bool ProcessPendingMessages(HWND main_window);
