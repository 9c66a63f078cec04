// The program's own texts shown on a standard handle, the parent's console or a message box.
#include "command_line_output.h"

#include <windows.h>

#include <string>

#include "owned_handle.h"
#include "product.h"
#include "text_encoding.h"
#include "text_output.h"

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
  if (Usable(handle) && WriteUtf8(handle, lines)) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    bool written = false;
    {
      const KernelHandle console =
          OpenedFile(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
      written = console && WriteUtf8(console.Get(), lines);
    }
    FreeConsole();
    if (written) return;
  }
  if (!UserSeesTheStation()) return;
  const std::wstring wide = WideFrom(CP_UTF8, text);
  const UINT icon = stream == TextStream::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  MessageBoxW(nullptr, wide.c_str(), L"" TESTZ_PRODUCT_NAME " v" TESTZ_VERSION_TEXT, MB_OK | icon);
}
