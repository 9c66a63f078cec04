// The output log's commands, from the list's context menu and from Ctrl keys in the list.
#pragma once

#include <windows.h>

#include "list_box_control.h"
#include "platform_signals.h"

// Ctrl+`key` pressed in the log's list box (the virtual key of WM_VKEYTOITEM): true when it is
// the key of one of the log's commands, which has then run for `owner`. One that opens a dialog
// does not run while the START procedure runs: the key is refused with `signals`' beep.
bool RunLogKey(HWND owner, const ListBoxControl& log, UINT key, bool procedure_running,
               PlatformSignals& signals);

// The log's context menu for `owner`, at `at` (WM_CONTEXTMENU's screen point, or -1 from the
// keyboard: at the list's top-left corner); the command chosen from it runs. A command that
// needs a selected line is greyed without one.
void ShowLogMenu(HWND owner, const ListBoxControl& log, LPARAM at);
