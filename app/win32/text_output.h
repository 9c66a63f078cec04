// UTF-8 text written to a standard handle, as a console or a file or pipe takes it.
#pragma once

#include <windows.h>

#include <string_view>

// Writes `text` whole to `output`: on a console as UTF-16, so that the console shows it whatever
// its code page; to a file or a pipe as the UTF-8 bytes. False when it could not be written.
bool WriteUtf8(HANDLE output, std::string_view text);

// `output` is a console (a console's screen buffer), not a file or a pipe.
bool IsConsole(HANDLE output);

// `output` is a file or a pipe, as a script, a CI runner or testz.com redirects a standard handle.
bool IsRedirected(HANDLE output);
