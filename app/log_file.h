// The output log saved to a file, for a colleague or the hardware maker's support.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The name a log saved at `now` is offered under: testz-log-YYYYMMDD-HHMMSS.txt.
std::wstring LogFileName(const SYSTEMTIME& now);

// Writes `text`, 8-bit in the system's ANSI code page as the log holds it, to `path` in UTF-8
// with a byte order mark. The bytes go to a new file in the same folder first, which then takes
// the place of `path`; a file that stood there keeps its attributes, access control and streams.
// A write that fails (a full disk, no rights, a read-only file, a path too long) leaves no partial
// file behind, and a file that stood at `path` as it was. Folders longer than MAX_PATH are
// written to as any other. Returns ERROR_SUCCESS or the system's error code.
DWORD SaveLogText(const std::wstring& path, std::string_view text);

// Writes `bytes` as they are to `path` in the same safe way.
DWORD SaveFileBytes(const std::wstring& path, std::string_view bytes);

// The system's own words for `error`, for the user.
std::wstring SystemErrorText(DWORD error);

// Asks the user where to save `text` (the log as LogText gives it), in the save dialog, which
// offers LogFileName of the moment in the user's Documents folder and refuses a read-only file,
// and saves it there. A dialog or a save that fails says so in a message box, with the dialog's
// error code or the system's reason; the log is left as it is.
void SaveLogAs(HWND owner, std::string_view text);
