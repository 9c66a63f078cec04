// The output log saved to a file: UTF-8 with a byte order mark, written whole or not at all.
#include "log_file.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "owned_handle.h"
#include "product.h"
#include "system_library.h"
#include "text_encoding.h"

namespace {

// The log's bytes as the file holds them.
std::string Utf8WithByteOrderMark(std::string_view ansi) {
  return "\xEF\xBB\xBF" + BytesFrom(CP_UTF8, WideFrom(CP_ACP, ansi));
}

// `value` in `count` digits of `base`, leading zeros kept.
std::wstring Digits(unsigned value, int count, unsigned base) {
  std::wstring text(static_cast<std::size_t>(count), L'0');
  for (int i = count - 1; i >= 0; --i, value /= base) {
    text[static_cast<std::size_t>(i)] = L"0123456789ABCDEF"[value % base];
  }
  return text;
}

// `path` made full and extended-length ("\\?\C:\..." or "\\?\UNC\server\share\..."), which
// the file functions take beyond MAX_PATH; empty, with the system's error, when it cannot be.
std::wstring ExtendedLengthPath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  // Asked again while the answer does not fit, which a change of the current folder could cause.
  std::wstring full;
  DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  while (length > full.size()) {
    full.resize(length);
    length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  }
  if (length == 0) return {};
  full.resize(length);
  if (full.rfind(L"\\\\.\\", 0) == 0) return full;  // a device's name, as it is
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A new file of the save's own in `folder` (a full path ending in its separator), open for
// writing, named tzlXXXXXXXX.tmp in `name`; empty, with the system's error, when none can be
// made. Names that are taken are passed over as GetTempFileName passes over them, but without its
// limit of MAX_PATH - 14 characters on the folder.
KernelHandle NewTemporaryFile(const std::wstring& folder, std::wstring& name) {
  const unsigned first = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (unsigned i = 0; i < 100; ++i) {
    name = folder + L"tzl" + Digits(first + i, 8, 16) + L".tmp";
    KernelHandle file = OpenedFile(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)) {
      return file;
    }
  }
  return KernelHandle();
}

DWORD WriteAll(HANDLE file, std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    DWORD now = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1 << 20));
    if (!WriteFile(file, bytes.data() + written, chunk, &now, nullptr)) return GetLastError();
    written += now;
  }
  return FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
}

// The written file `temporary` takes the place of `target`. A file there already is replaced
// with its attributes, access control and streams kept (as far as the rights allow); where none
// stands, or where the replace took the earlier file away but could not put the new one in its
// place, the new one is renamed into it.
DWORD PutInPlace(const std::wstring& temporary, const std::wstring& target) {
  if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr)) {
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
      error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    return error;
  }
  return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                                : GetLastError();
}

}  // namespace

std::wstring LogFileName(const SYSTEMTIME& now) {
  return L"testz-log-" + Digits(now.wYear, 4, 10) + Digits(now.wMonth, 2, 10) +
         Digits(now.wDay, 2, 10) + L"-" + Digits(now.wHour, 2, 10) + Digits(now.wMinute, 2, 10) +
         Digits(now.wSecond, 2, 10) + L".txt";
}

DWORD SaveLogText(const std::wstring& path, std::string_view text) {
  return SaveFileBytes(path, Utf8WithByteOrderMark(text));
}

DWORD SaveFileBytes(const std::wstring& path, std::string_view bytes) {
  const std::wstring target = ExtendedLengthPath(path);
  if (target.empty()) return GetLastError();
  std::wstring temporary;
  DWORD error = ERROR_SUCCESS;
  {
    const KernelHandle file =
        NewTemporaryFile(target.substr(0, target.find_last_of(L'\\') + 1), temporary);
    if (!file) return GetLastError();
    error = WriteAll(file.Get(), bytes);
  }
  if (error == ERROR_SUCCESS) error = PutInPlace(temporary, target);
  if (error != ERROR_SUCCESS) DeleteFileW(temporary.c_str());
  return error;
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) {
    const std::string number = std::to_string(error);
    return L"Error " + std::wstring(number.begin(), number.end()) + L".";
  }
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return message;
}

namespace {

// The user's Documents folder; empty where the system has none to give.
std::wstring DocumentsFolder() {
  const SystemLibrary shell32("shell32.dll");
  const auto folder_path = shell32.Find<decltype(&SHGetFolderPathW)>("SHGetFolderPathW");
  wchar_t folder[MAX_PATH] = {};
  if (folder_path == nullptr ||
      FAILED(folder_path(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  return folder;
}

constexpr wchar_t kMessageCaption[] = L"" TESTZ_PRODUCT_NAME " v" TESTZ_VERSION_TEXT;

// Room for a long path in the dialog's answer.
constexpr DWORD kLongestPath = 32768;

}  // namespace

void SaveLogAs(HWND owner, std::string_view text) {
  const auto say = [owner](const std::wstring& message) {
    MessageBoxW(owner, message.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
  };
  const SystemLibrary comdlg32("comdlg32.dll");
  const auto save_dialog = comdlg32.Find<decltype(&GetSaveFileNameW)>("GetSaveFileNameW");
  const auto dialog_error = comdlg32.Find<decltype(&CommDlgExtendedError)>("CommDlgExtendedError");
  if (save_dialog == nullptr || dialog_error == nullptr) {
    say(L"The log cannot be saved: the system's save dialog is missing.");
    return;
  }
  SYSTEMTIME now{};
  GetLocalTime(&now);
  std::vector<wchar_t> path(kLongestPath, L'\0');
  const std::wstring name = LogFileName(now);
  name.copy(path.data(), name.size());
  const std::wstring documents = DocumentsFolder();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kLongestPath;
  dialog.lpstrInitialDir = documents.empty() ? nullptr : documents.c_str();
  dialog.lpstrTitle = L"Save log as";
  dialog.lpstrDefExt = L"txt";
  // A read-only file is refused in the dialog, before the question whether to replace it.
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_NOREADONLYRETURN | OFN_NOCHANGEDIR;
  if (!save_dialog(&dialog)) {
    // FALSE is the user's cancel only when the dialog reports no failure of its own.
    const DWORD failure = dialog_error();
    if (failure != 0) {
      say(L"The log cannot be saved: the system's save dialog failed (error 0x" +
          Digits(failure, 4, 16) + L").");
    }
    return;
  }
  const DWORD error = SaveLogText(path.data(), text);
  if (error == ERROR_SUCCESS) return;
  say(L"The log could not be saved to " + std::wstring(path.data()) + L".\n\n" +
      SystemErrorText(error));
}
