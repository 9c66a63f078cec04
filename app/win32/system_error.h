// The system's own words for an error code, for the user.
#pragma once

#include <windows.h>

#include <string>

// The system's message for `error`, without its line end; "Error N." where it has none.
std::wstring SystemErrorText(DWORD error);

// The same in UTF-8, for a file or a pipe.
std::string SystemErrorUtf8(DWORD error);
