// A file written whole or not at all, through a new file of its own in the same folder.
#include "saved_file.h"

#include <algorithm>

#include "owned_handle.h"
#include "text_encoding.h"

namespace {

unsigned TickAndProcessId() {
  return GetTickCount() ^ (GetCurrentProcessId() << 16);
}

// A new file of the save's own in `folder` (a full path ending in its separator), open for
// writing, named tzlXXXXXXXX.tmp in `name`; empty, with the system's error, when none can be
// made. Names that are taken are passed over as GetTempFileName passes over them, but without its
// limit of MAX_PATH - 14 characters on the folder.
KernelHandle NewTemporaryFile(const std::wstring& folder, std::wstring& name) {
  const unsigned first = TemporaryNameStart();
  for (unsigned i = 0; i < 100; ++i) {
    name = folder + L"tzl" + PaddedDigits(first + i, 8, 16) + L".tmp";
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

unsigned (*TemporaryNameStart)() = &TickAndProcessId;

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
