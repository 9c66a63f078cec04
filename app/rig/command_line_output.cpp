// The program's own texts shown on a standard handle, the parent's console or a message box.
#include "command_line_output.h"

#include <windows.h>

#include <string>

#include "owned_handle.h"
#include "product.h"
#include "text_encoding.h"

namespace {

// Line ends as Windows writes them.
std::string WithCrLf(std::string_view text) {
  std::string lines;
  for (char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

bool Usable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A console takes UTF-16; a file or a pipe the UTF-8 bytes.
bool WriteTo(HANDLE handle, const std::string& text) {
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = WideFrom(CP_UTF8, text);
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           FALSE;
  }
  return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// Whether the process's window station has display surfaces a user sees: not that of a service.
bool UserSeesTheStation() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  return GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags),
                                   &needed) &&
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

void ShowCommandLineText(std::string_view text, TextStream stream) {
  const std::string lines = WithCrLf(text);
  // The usage goes to standard error where only that one was redirected.
  HANDLE handle =
      GetStdHandle(stream == TextStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (!Usable(handle) && stream == TextStream::kOutput) handle = GetStdHandle(STD_ERROR_HANDLE);
  if (Usable(handle) && WriteTo(handle, lines)) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    bool written = false;
    {
      const KernelHandle console =
          OpenedFile(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
      written = console && WriteTo(console.Get(), lines);
    }
    FreeConsole();
    if (written) return;
  }
  if (!UserSeesTheStation()) return;
  const std::wstring wide = WideFrom(CP_UTF8, text);
  const UINT icon = stream == TextStream::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  MessageBoxW(nullptr, wide.c_str(), L"" TESTZ_PRODUCT_NAME " v" TESTZ_VERSION_TEXT, MB_OK | icon);
}
