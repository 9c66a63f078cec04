// "Save log as…": the log saved to a file the user picks in the system's save dialog.
#pragma once

#include <windows.h>

#include <string_view>

// Asks the user where to save `text` (the log as LogText gives it), in the save dialog, which
// offers LogFileName of the moment in the user's Documents folder and refuses a read-only file,
// and saves it there. A dialog or a save that fails says so in a message box, with the dialog's
// error code or the system's reason; the log is left as it is.
void SaveLogAs(HWND owner, std::string_view text);
