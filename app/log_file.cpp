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

// The folder of `path`, with its trailing separator; "." for a bare name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? L"." : path.substr(0, separator + 1);
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

}  // namespace

std::wstring LogFileName(const SYSTEMTIME& now) {
  // Each field in its digits, leading zeros kept.
  const auto digits = [](unsigned value, int count) {
    std::wstring text(static_cast<std::size_t>(count), L'0');
    for (int i = count - 1; i >= 0; --i, value /= 10) {
      text[static_cast<std::size_t>(i)] = static_cast<wchar_t>(L'0' + value % 10);
    }
    return text;
  };
  return L"testz-log-" + digits(now.wYear, 4) + digits(now.wMonth, 2) + digits(now.wDay, 2) + L"-" +
         digits(now.wHour, 2) + digits(now.wMinute, 2) + digits(now.wSecond, 2) + L".txt";
}

DWORD SaveLogText(const std::wstring& path, std::string_view text) {
  return SaveFileBytes(path, Utf8WithByteOrderMark(text));
}

DWORD SaveFileBytes(const std::wstring& path, std::string_view bytes) {
  wchar_t temporary[MAX_PATH];
  if (GetTempFileNameW(FolderOf(path).c_str(), L"tzl", 0, temporary) == 0) return GetLastError();
  DWORD error = ERROR_SUCCESS;
  {
    const KernelHandle file = OpenedFile(CreateFileW(
        temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file ? WriteAll(file.Get(), bytes) : GetLastError();
  }
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) DeleteFileW(temporary);
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
  const SystemLibrary comdlg32("comdlg32.dll");
  const auto save_dialog = comdlg32.Find<decltype(&GetSaveFileNameW)>("GetSaveFileNameW");
  if (save_dialog == nullptr) {
    MessageBoxW(owner, L"The log cannot be saved: the system's save dialog is missing.",
                kMessageCaption, MB_OK | MB_ICONERROR);
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
  dialog.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!save_dialog(&dialog)) return;  // cancelled
  const DWORD error = SaveLogText(path.data(), text);
  if (error == ERROR_SUCCESS) return;
  const std::wstring message = L"The log could not be saved to " + std::wstring(path.data()) +
                               L".\n\n" + SystemErrorText(error);
  MessageBoxW(owner, message.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
}
