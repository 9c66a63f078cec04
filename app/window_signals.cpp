// The platform effects of one window, through the Win32 API and the shell's taskbar.
#include "window_signals.h"

#include <objbase.h>
#include <shobjidl.h>

namespace {

// COM for one taskbar update on this thread. The interface library runs on this thread too and
// may have initialised COM itself: a thread already in another mode is used as it is and left so;
// otherwise the initialisation is undone before the update returns.
class ComForOneCall {
 public:
  ComForOneCall() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComForOneCall() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComForOneCall(const ComForOneCall&) = delete;
  ComForOneCall& operator=(const ComForOneCall&) = delete;

  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

struct ReleaseInterface {
  void operator()(IUnknown* object) const { object->Release(); }
};
using Taskbar = std::unique_ptr<ITaskbarList3, ReleaseInterface>;

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

  void Success() override {
    MessageBeep(MB_OK);
    if (GetForegroundWindow() == window_) return;
    FLASHWINFO flash{sizeof(flash), window_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
  }

  void ShowProgress(TaskbarProgress progress) override {
    progress_ = progress;
    if (taskbar_button_) ShowOnTaskbar();
  }

  void TaskbarButtonCreated() override {
    taskbar_button_ = true;
    ShowOnTaskbar();
  }

  void KeepAwake(bool awake) override {
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
  }

 private:
  // Where the shell has no taskbar list, or it fails, the button shows nothing: no message.
  void ShowOnTaskbar() const {
    const ComForOneCall com;
    if (!com.Usable()) return;
    void* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &object))) {
      return;
    }
    const Taskbar taskbar(static_cast<ITaskbarList3*>(object));
    if (FAILED(taskbar->HrInit())) return;
    taskbar->SetProgressState(window_, ProgressFlag(progress_));
    // The failure's bar is a full one.
    if (progress_ == TaskbarProgress::kFailed) taskbar->SetProgressValue(window_, 1, 1);
  }

  HWND window_;
  TaskbarProgress progress_ = TaskbarProgress::kNone;
  bool taskbar_button_ = false;
};

}  // namespace

std::unique_ptr<PlatformSignals> MakeWindowSignals(HWND window) {
  return std::make_unique<WindowSignals>(window);
}
