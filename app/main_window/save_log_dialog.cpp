// "Save log as…": the system's save dialog, then the log saved where the user chose.
#include "save_log_dialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "log_file.h"
#include "product.h"
#include "system_error.h"
#include "system_library.h"
#include "text_encoding.h"

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
          PaddedDigits(failure, 4, 16) + L").");
    }
    return;
  }
  const DWORD error = SaveLogText(path.data(), text);
  if (error == ERROR_SUCCESS) return;
  say(L"The log could not be saved to " + std::wstring(path.data()) + L".\n\n" +
      SystemErrorText(error));
}
