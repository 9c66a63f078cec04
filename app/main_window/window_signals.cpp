// The platform effects of one window, through the Win32 API and the shell's taskbar.
#include "window_signals.h"

#include <objbase.h>
#include <shobjidl.h>

#include "owned_handle.h"
#include "system_library.h"

namespace {

// COM's three calls the taskbar needs, from ole32.dll loaded at the first update that shows
// something, for a taskbar a run may never touch.
class Ole32 {
 public:
  Ole32()
      : module_("ole32.dll"),
        initialize_(module_.Find<decltype(&CoInitializeEx)>("CoInitializeEx")),
        uninitialize_(module_.Find<decltype(&CoUninitialize)>("CoUninitialize")),
        create_instance_(module_.Find<decltype(&CoCreateInstance)>("CoCreateInstance")) {}

  bool Usable() const {
    return initialize_ != nullptr && uninitialize_ != nullptr && create_instance_ != nullptr;
  }
  HRESULT Initialize() const { return initialize_(nullptr, COINIT_APARTMENTTHREADED); }
  void Uninitialize() const { uninitialize_(); }
  HRESULT CreateInstance(REFCLSID type, REFIID interface_id, void** object) const {
    return create_instance_(type, nullptr, CLSCTX_INPROC_SERVER, interface_id, object);
  }

 private:
  SystemLibrary module_;
  decltype(&CoInitializeEx) initialize_;
  decltype(&CoUninitialize) uninitialize_;
  decltype(&CoCreateInstance) create_instance_;
};

// COM for one taskbar update on this thread. The interface library runs on this thread too and
// may have initialised COM itself: a thread already in another mode is used as it is and left so;
// otherwise the initialisation is undone before the update returns.
class ComForOneCall {
 public:
  explicit ComForOneCall(const Ole32& ole32) : ole32_(ole32), result_(ole32.Initialize()) {}
  ~ComForOneCall() {
    if (SUCCEEDED(result_)) ole32_.Uninitialize();
  }
  ComForOneCall(const ComForOneCall&) = delete;
  ComForOneCall& operator=(const ComForOneCall&) = delete;

  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  const Ole32& ole32_;
  HRESULT result_;
};

using Taskbar = Owned<ITaskbarList3*, &ReleaseComObject<ITaskbarList3>>;

TBPFLAG ProgressFlag(TaskbarProgress progress) {
  switch (progress) {
    case TaskbarProgress::kBusy: return TBPF_INDETERMINATE;
    case TaskbarProgress::kFailed: return TBPF_ERROR;
    case TaskbarProgress::kNone: break;
  }
  return TBPF_NOPROGRESS;
}

class WindowSignals final : public PlatformSignals {
 public:
  explicit WindowSignals(HWND window) : window_(window) {}

  void Success() noexcept override {
    MessageBeep(MB_OK);
    if (GetForegroundWindow() == window_) return;
    FLASHWINFO flash{sizeof(flash), window_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
  }

  // Only a change of what the button shows is an update: a button that shows nothing needs no
  // clearing, so the session's end starts no COM on a thread that never used it.
  void ShowProgress(TaskbarProgress progress) noexcept override {
    progress_ = progress;
    if (taskbar_button_ && progress_ != shown_) ShowOnTaskbar();
  }

  // A new button shows no progress.
  void TaskbarButtonCreated() noexcept override {
    taskbar_button_ = true;
    shown_ = TaskbarProgress::kNone;
    if (progress_ != shown_) ShowOnTaskbar();
  }

  void KeepAwake(bool awake) noexcept override {
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
  }

  void Refused() noexcept override { MessageBeep(MB_OK); }

 private:
  // Where the shell has no taskbar list, or it fails, or memory runs short, the button shows
  // nothing: no message, and no exception for the window to handle.
  void ShowOnTaskbar() noexcept {
    try {
      if (ole32_ == nullptr) ole32_ = std::make_unique<Ole32>();
    } catch (...) {
      return;
    }
    if (!ole32_->Usable()) return;
    const ComForOneCall com(*ole32_);
    if (!com.Usable()) return;
    void* object = nullptr;
    if (FAILED(ole32_->CreateInstance(CLSID_TaskbarList, IID_ITaskbarList3, &object))) return;
    const Taskbar taskbar(static_cast<ITaskbarList3*>(object));
    if (FAILED(taskbar.Get()->HrInit())) return;
    if (FAILED(taskbar.Get()->SetProgressState(window_, ProgressFlag(progress_)))) return;
    // The failure's bar is a full one.
    if (progress_ == TaskbarProgress::kFailed) taskbar.Get()->SetProgressValue(window_, 1, 1);
    shown_ = progress_;
  }

  HWND window_;
  std::unique_ptr<Ole32> ole32_;
  TaskbarProgress progress_ = TaskbarProgress::kNone;  // what the button is to show
  TaskbarProgress shown_ = TaskbarProgress::kNone;     // what it was last given
  bool taskbar_button_ = false;
};

}  // namespace

std::unique_ptr<PlatformSignals> MakeWindowSignals(HWND window) {
  return std::make_unique<WindowSignals>(window);
}
