// A file written whole or not at all: to a new file beside it first, which then takes its place.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Writes `bytes` as they are to `path`. The bytes go to a new file in the same folder first,
// tzlXXXXXXXX.tmp, which then takes the place of `path`; a file that stood there keeps its
// attributes, access control and streams. A write that fails (a full disk, no rights, a read-only
// file, a path too long) leaves no partial file behind, and a file that stood at `path` as it was.
// Folders longer than MAX_PATH are written to as any other. Returns ERROR_SUCCESS or the system's
// error code.
DWORD SaveFileBytes(const std::wstring& path, std::string_view bytes);
