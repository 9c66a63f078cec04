// The simulator's system layer on Windows, including Unix file names when it runs under Wine.
#include "platform.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::wstring Widen(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// Wine's own export for turning a Unix file name into a DOS one; absent on Windows itself.
using UnixToDosFn = WCHAR*(__cdecl*)(const char* unix_name);

UnixToDosFn WineUnixToDos() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<UnixToDosFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
}

std::size_t PageSize() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwPageSize;
}

}  // namespace

std::optional<std::string> EnvironmentVariable(const char* name) {
  const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
  if (needed <= 1) return std::nullopt;
  std::vector<char> value(needed);
  const DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  return std::string(value.data(), length);
}

NativePath ToNativePath(const std::string& name) {
  if (!name.empty() && name.front() == '/') {
    if (const UnixToDosFn unix_to_dos = WineUnixToDos()) {
      if (WCHAR* dos_name = unix_to_dos(name.c_str())) {
        std::wstring path(dos_name);
        HeapFree(GetProcessHeap(), 0, dos_name);
        return path;
      }
    }
  }
  return Widen(name);
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  // In parts, as the longest time, 0xFFFFFFFF, is INFINITE to the system.
  while (milliseconds > 0) {
    const DWORD part = std::min<DWORD>(milliseconds, 0x7FFFFFFF);
    Sleep(part);
    milliseconds -= part;
  }
}

bool ReadWholeFile(const NativePath& path, std::string& contents) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  contents.clear();
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
    contents.append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

bool FileExists(const NativePath& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::int64_t> MicrosecondsSinceWritten(const NativePath& path) {
  WIN32_FILE_ATTRIBUTE_DATA file{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) return std::nullopt;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) |
                                     time.dwLowDateTime);
  };
  // FILETIME counts 100-nanosecond intervals.
  const std::int64_t since = (ticks(now) - ticks(file.ftLastWriteTime)) / 10;
  return since < 0 ? 0 : since;
}

void OutputFile::Close() {
  if (handle_ != kNoFile) CloseHandle(AsHandle(handle_));
  handle_ = kNoFile;
}

bool OutputFile::Open(const NativePath& path) {
  Close();
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

std::uint64_t OutputFile::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kNoFile || !GetFileSizeEx(AsHandle(handle_), &size)) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

void OutputFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  while (handle_ != kNoFile && !bytes.empty()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   &at) ||
        written == 0) {
      return;
    }
    bytes.remove_prefix(written);
    offset += written;
  }
}

char* AllocateBeforeGuardPage(std::size_t size) {
  const std::size_t page = PageSize();
  if (size > page) return nullptr;
  auto* pages =
      static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (pages == nullptr) return nullptr;
  DWORD previous = 0;
  if (!VirtualProtect(pages + page, page, PAGE_NOACCESS, &previous)) {
    VirtualFree(pages, 0, MEM_RELEASE);
    return nullptr;
  }
  return pages + page - size;
}

void FreeBeforeGuardPage(char* bytes, std::size_t size) {
  VirtualFree(bytes + size - PageSize(), 0, MEM_RELEASE);
}
