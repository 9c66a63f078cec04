// The output log's text put on the clipboard, for a colleague or the hardware maker's support.
#include "log_clipboard.h"

#include <cstring>
#include <memory>
#include <type_traits>

namespace {

constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMilliseconds = 10;

// Global memory for the clipboard, freed unless the clipboard took it.
struct FreeGlobal {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using GlobalMemory = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, FreeGlobal>;

// Global memory locked for writing, unlocked when it goes.
struct UnlockGlobal {
  HGLOBAL memory = nullptr;
  void operator()(void*) const { GlobalUnlock(memory); }
};
using LockedGlobal = std::unique_ptr<void, UnlockGlobal>;

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

}  // namespace

std::string LogText(const ListControl& log) {
  int count = log.Count();
  if (count > 0 && log.Read(count - 1).empty()) --count;
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += "\r\n";
    text += log.Read(i);
  }
  return text;
}

bool PutTextOnClipboard(HWND owner, std::string_view text) {
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!memory) return false;
  {
    const LockedGlobal bytes(GlobalLock(memory.get()), UnlockGlobal{memory.get()});
    if (!bytes) return false;
    std::memcpy(bytes.get(), text.data(), text.size());
    static_cast<char*>(bytes.get())[text.size()] = '\0';
  }
  const OpenedClipboard clipboard(owner);
  if (!clipboard.IsOpen() || !EmptyClipboard()) return false;
  if (SetClipboardData(CF_TEXT, memory.get()) == nullptr) return false;
  // The clipboard owns the memory now.
  memory.release();
  return true;
}
