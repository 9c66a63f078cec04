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

// `path` made full and extended-length ("\\?\C:\..." or "\\?\UNC\server\share\..."), which
// the file functions take beyond MAX_PATH; a device's name as it is; empty, with the system's
// error, when it cannot be made.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The number the new files' names start from, tried upwards while a name is taken: the tick count
// mixed with the process's id. A test may put another in its place.
extern unsigned (*TemporaryNameStart)();
