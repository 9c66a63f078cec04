// The output log's text put on the clipboard, for a colleague or the hardware maker's support.
#include "log_clipboard.h"

#include <cstddef>
#include <cstring>
#include "owned_handle.h"
#include "text_encoding.h"

namespace {

constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMilliseconds = 10;

// Global memory for the clipboard, freed unless the clipboard took it.
using GlobalMemory = Owned<HGLOBAL, &GlobalFree>;

// Global memory locked for writing (the handle is the memory's), unlocked when it goes.
using GlobalLockHeld = Owned<HGLOBAL, &GlobalUnlock>;

// The clipboard opened for `owner`, closed when it goes.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) {
    for (int attempt = 0; attempt < kOpenAttempts && !open_; ++attempt) {
      if (attempt > 0) Sleep(kOpenRetryMilliseconds);
      open_ = OpenClipboard(owner) != FALSE;
    }
  }
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

// Global memory for the clipboard holding `text` and its terminating zero; empty when memory
// runs short.
template <typename Char>
GlobalMemory ClipboardData(std::basic_string_view<Char> text) {
  const std::size_t size = text.size() * sizeof(Char);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + sizeof(Char)));
  if (!memory) return memory;
  void* const bytes = GlobalLock(memory.Get());
  if (bytes == nullptr) return GlobalMemory();
  const GlobalLockHeld locked(memory.Get());
  std::memcpy(bytes, text.data(), size);
  return memory;
}

}  // namespace

bool PutTextOnClipboard(HWND owner, std::string_view text) {
  // The bytes, and beside them the same text in UTF-16 from the system's ANSI code page, the one
  // they are in: left to convert them itself, Windows would go by the keyboard layout's.
  const std::wstring utf16 = WideFrom(CP_ACP, text);
  GlobalMemory bytes = ClipboardData<char>(text);
  GlobalMemory wide = ClipboardData<wchar_t>(utf16);
  if (!bytes || !wide) return false;
  const OpenedClipboard clipboard(owner);
  if (!clipboard.IsOpen() || !EmptyClipboard()) return false;
  // The clipboard owns what it took.
  if (SetClipboardData(CF_TEXT, bytes.Get()) == nullptr) return false;
  bytes.Release();
  if (SetClipboardData(CF_UNICODETEXT, wide.Get()) == nullptr) {
    // Not the 8-bit text alone, which Windows would convert through the keyboard layout's code
    // page for a program that asks for Unicode: an empty clipboard rather than a half-filled one.
    EmptyClipboard();
    return false;
  }
  wide.Release();
  return true;
}
