// The output log saved to a file, for a colleague or the hardware maker's support: by the user
// from the window, or by an unattended run.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The name a log saved at `now` is offered under: testz-log-YYYYMMDD-HHMMSS.txt.
std::wstring LogFileName(const SYSTEMTIME& now);

// Writes `text`, 8-bit in the system's ANSI code page as the log holds it, to `path` in UTF-8
// with a byte order mark, whole or not at all (SaveFileBytes). Returns ERROR_SUCCESS or the
// system's error code.
DWORD SaveLogText(const std::wstring& path, std::string_view text);
