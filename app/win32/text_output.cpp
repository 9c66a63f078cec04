// Text written to a console in UTF-16 or to a file or pipe in UTF-8.
#include "text_output.h"

#include <string>

#include "text_encoding.h"

bool IsConsole(HANDLE output) {
  DWORD mode = 0;
  return GetConsoleMode(output, &mode) != FALSE;
}

bool IsRedirected(HANDLE output) {
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(output);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

bool WriteUtf8(HANDLE output, std::string_view text) {
  if (IsConsole(output)) {
    const std::wstring wide = WideFrom(CP_UTF8, text);
    DWORD written = 0;
    return WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           FALSE;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    if (!WriteFile(output, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                   nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}
