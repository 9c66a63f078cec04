// The main window TMainform: its construction, its four handlers and its messages.
#include "demoz.h"

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <vector>

#include "label_colour.h"
#include "library_lifetime.h"
#include "log_menu.h"
#include "main_form_panel.h"
#include "message_loop.h"
#include "procedure_texts.h"
#include "product.h"
#include "recovery_procedure.h"
#include "scope_exit.h"
#include "stop_request.h"
#include "window_dpi.h"
#include "window_icons.h"

namespace {

constexpr char kMainFormClass[] = "TMainform";

// The layout's click column as member handlers, indexed by ControlName.
using ClickHandler = void (TMainform::*)();
#define OnClick(handler) &TMainform::handler
#define NoClick nullptr
#define MAIN_FORM_CLICK(name, kind, parent, left, top, width, height, text, enabled, items, click) \
  click,
constexpr std::array<ClickHandler, kControlCount> kClickHandlers = {
    {MAIN_FORM_CONTROLS(MAIN_FORM_CLICK)}};
#undef MAIN_FORM_CLICK
#undef NoClick
#undef OnClick

static_assert(kHighContrastOn == HCF_HIGHCONTRASTON);

// The program's icons at the system's DPI, the main window class's own: a window made on a screen
// of that DPI has them from its creation on, and needs none of its own, which the system would
// hand to the shell once more. They last as long as the class, to the end of the process.
struct ClassIcons {
  int dpi;
  WindowIcons icons;
};

const ClassIcons& MainFormClassIcons(HINSTANCE instance) {
  static const ClassIcons class_icons = [instance] {
    const int dpi = SystemDpi(kDesignDpi);
    return ClassIcons{dpi, LoadWindowIcons(instance, TESTZ_ICON, dpi)};
  }();
  return class_icons;
}

// Label6's colour in the system's look as it is now.
COLORREF Label6ColourNow() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof(contrast);
  const bool read = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0);
  return Label6Colour(read ? contrast.dwFlags : 0, GetSysColor(COLOR_HOTLIGHT));
}

}  // namespace

TMainform::TMainform(HINSTANCE instance, PlatformSignals* signals, RunObserver* observer)
    : observer_(observer) {
  const ClassIcons& class_icons = MainFormClassIcons(instance);
  if (!RegisterWindowClassOnce(instance, kMainFormClass, &Window::Procedure, 0,
                               ButtonFaceBackground(), class_icons.icons.large_icon.Get(),
                               class_icons.icons.small_icon.Get())) {
    throw std::runtime_error("the main window's class could not be registered");
  }
  // Placed at the origin for now, on the screen where the first show centres it.
  if (Create(instance, kMainFormClass, kMainFormCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
             0, 0, kOuterWidth, kOuterHeight, nullptr) == nullptr) {
    throw std::runtime_error("the main window could not be created");
  }
  session_ = std::make_unique<RunSession>(Handle(), signals);
  controls_ = std::make_unique<MainFormControls>(Handle(), instance, class_icons.dpi);
  attempt_count_ = std::make_unique<AttemptCountDisplay>(
      [this](std::wstring_view text) { controls_->SetStatusText(ControlName::AttemptCount, text); },
      UserNumberFormat());
  if (observer_ != nullptr) told_log_.emplace(ListBox1(), *observer_);
}

TMainform::~TMainform() {
  Destroy();
}

void TMainform::CentreOnScreen() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  RECT window;
  GetWindowRect(Handle(), &window);
  const int left = screen.left + (screen.right - screen.left - (window.right - window.left)) / 2;
  const int top = screen.top + (screen.bottom - screen.top - (window.bottom - window.top)) / 2;
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainform::Show(int show_command) {
  FormShow();
  CentreOnScreen();
  ShowWindow(Handle(), show_command);
  UpdateWindow(Handle());
  if (observer_ != nullptr) observer_->WindowShown(IsWindowEnabled(Button1()) != FALSE);
}

void TMainform::PressStart(int hardware_type, const PortChoice& port) {
  port_ = port;
  const std::vector<HWND>& items = hardwaretype().items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool chosen = static_cast<int>(i) == hardware_type;
    SendMessageA(items[i], BM_SETCHECK, chosen ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  controls_->FollowSelection(items[static_cast<std::size_t>(hardware_type)]);
  PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button1()), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button1()));
}

void TMainform::SetStartEnabled(bool enabled) {
  controls_->EnableButton(ControlName::Button1, enabled);
}

void TMainform::SetStopEnabled(bool enabled) {
  controls_->EnableButton(ControlName::Button2, enabled);
}

void TMainform::PressStop() {
  Button2Click();
}

void TMainform::Close() {
  PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

ListControl& TMainform::Log() {
  if (told_log_) return *told_log_;
  return ListBox1();
}

void TMainform::SetVersionLabel(std::string_view text) {
  controls_->SetLabelText(ControlName::Label6, text);
  if (observer_ != nullptr) observer_->LibraryVersionShown(text);
}

// Nothing of the window shows which port was opened.
void TMainform::PortChosen(std::optional<std::uint32_t> port,
                           const std::vector<std::string>& descriptors) {
  if (observer_ != nullptr) observer_->PortChosen(port, descriptors);
}

void TMainform::CableVersionRead(std::uint16_t version) {
  if (observer_ != nullptr) observer_->CableVersionRead(version);
}

void TMainform::ProcessMessages() {
  // The program is to end (a WM_QUIT, left in the queue for the message loop), or a close or the
  // session's end waits for the procedure: the halt loop ends as STOP ends it. A close that came
  // while the stop flag was cleared since (inside a library call that handled messages) counts.
  if (ProcessPendingMessages(Handle()) || session_->CloseWaiting()) Button2Click();
}

void TMainform::HaltLoopStarted() {
  session_->HaltLoopStarted();
  if (observer_ != nullptr) observer_->HaltLoopStarted();
}

void TMainform::HaltLoopEnded(const HaltCount& count) {
  session_->HaltLoopEnded();
  attempt_count_->LoopEnded(count);
  if (observer_ != nullptr) observer_->HaltLoopEnded(count);
}

void TMainform::ShowHaltCount(const HaltCount& count) {
  std::optional<int> power_cycles;
  if (observer_ != nullptr) {
    observer_->HaltCounted(count);
    power_cycles = observer_->PowerCycles();
  }
  attempt_count_->Counted(count, power_cycles);
}

void TMainform::Button1Click() {
  // One procedure at a time: a START that reaches here while one runs (a click queued before
  // START was disabled, a message sent to the window) starts nothing.
  session_->Run([this] {
    attempt_count_->RunStarted();
    // The choice as it stands now: the procedure goes by it to its end.
    const int hardware_type = hardwaretype().ItemIndex();
    const int communication_type = communicationtype().ItemIndex();
    if (observer_ != nullptr) observer_->RunStarted(hardware_type, communication_type);
    const RecoveryEnding ending =
        RecoveryProcedure(*this, hardware_type, communication_type, port_);
    attempt_count_->RunEnded(ending);
    if (observer_ != nullptr) observer_->RunEnded(ending);
    return ending;
  });
}

void TMainform::FormShow() {
  const bool loaded = OpenInterfaceLibrary();
  LogWriteLine(Log(), "");
  LogWriteLine(Log(), loaded ? kLibraryLoaded : kLibraryFailed);
  LogWriteLine(Log(), "");
  // Only a library with every entry point may be called: START stays off for the whole run.
  if (!loaded) SetStartEnabled(false);
}

void TMainform::FormClose() {
  CloseInterfaceLibrary();
}

void TMainform::Button2Click() {
  RequestStop();
}

LRESULT TMainform::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  // While the window is being made, before its session and controls are, the system handles it.
  if (session_ == nullptr || controls_ == nullptr) return DefWindowProcA(Handle(), message, w, l);
  // A registered message has no constant for the switch.
  if (session_->HandleTaskbarButtonCreated(message)) return 0;
  switch (message) {
    case WM_SIZE: OnSize(LOWORD(l), HIWORD(l)); return 0;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l)); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(w, l);
    case WM_SYSCOLORCHANGE: OnSystemLookChange(); break;
    case WM_SETTINGCHANGE: OnSystemLookChange(); break;
    case WM_ACTIVATE: OnActivate(w); break;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_CLOSE: HandleClose(); return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession();
    case WM_ENDSESSION: OnEndSession(w != FALSE); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_VKEYTOITEM: return OnVKeyToItem(w);
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(w), l); return 0;
  }
  return DefWindowProcA(Handle(), message, w, l);
}

void TMainform::OnSize(int client_width, int client_height) {
  controls_->LayOut(client_width, client_height);
}

void TMainform::OnDpiChanged(int dpi, const RECT& suggested) {
  controls_->ChangeDpi(dpi, suggested);
}

void TMainform::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED) return;
  // Enter, when no button is the default one, arrives as IDOK: it presses the focused button.
  if (id == IDOK && control == nullptr) control = GetFocus();
  controls_->FollowSelection(control);
  // A disabled button takes no click, whoever sends it.
  if (control == nullptr || !IsWindowEnabled(control)) return;
  const std::optional<ControlName> clicked = controls_->NameOf(control);
  if (!clicked) return;
  const ClickHandler handler = kClickHandlers[static_cast<std::size_t>(*clicked)];
  if (handler != nullptr) (this->*handler)();
}

LRESULT TMainform::OnCtlColorStatic(WPARAM w, LPARAM l) {
  if (reinterpret_cast<HWND>(l) != Label6()) {
    return DefWindowProcA(Handle(), WM_CTLCOLORSTATIC, w, l);
  }
  HDC dc = reinterpret_cast<HDC>(w);
  SetTextColor(dc, Label6ColourNow());
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TMainform::OnSystemLookChange() {
  // High contrast switched on or off, or the system's colours changed: Label6 is drawn anew in
  // the colour that goes with them.
  InvalidateRect(Label6(), nullptr, TRUE);
}

void TMainform::OnActivate(WPARAM w) {
  // Leaving: remember which control had the focus, to give it back on return.
  if (LOWORD(w) != WA_INACTIVE) return;
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(Handle(), focus)) saved_focus_ = focus;
}

void TMainform::OnSetFocus() {
  HWND target = saved_focus_;
  if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target) ||
      !IsWindowVisible(target)) {
    target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
  }
  if (target != nullptr) SetFocus(target);
}

void TMainform::HandleClose() noexcept {
  // The library is not unloaded under the running procedure: its halt loop or a long report, the
  // only places where a close can arrive, is asked to end as STOP asks it, and the window closes
  // once the START handler has returned.
  if (session_->DeferClose()) {
    Button2Click();
    return;
  }
  // Whoever watches the run has what it needs written before the library goes.
  if (observer_ != nullptr) observer_->WindowClosing();
  FormClose();
  DestroyWindow(Handle());
}

LRESULT TMainform::OnQueryEndSession() {
  // The session may end: a running halt loop stops as STOP stops it, and nothing is refused.
  if (session_->Running()) Button2Click();
  return TRUE;
}

void TMainform::OnEndSession(bool ending) {
  if (!ending) return;
  // Once the releases are done, whatever they do, the window closes as a close from the user
  // does: at once when no procedure runs; under a running one the close waits, as any close
  // does, for a procedure end that may never come.
  const ScopeExit close_after([this] { HandleClose(); });
  session_->ReleaseAtSessionEnd();
  // Whoever watches the run writes what it needs now: the process may end once this returns.
  if (observer_ != nullptr) observer_->SessionEnding();
}

void TMainform::OnDestroy() {
  PostQuitMessage(0);
}

LRESULT TMainform::OnVKeyToItem(WPARAM w) {
  // -1: the list box handles the key itself; -2: handled here.
  const bool handled =
      RunLogKey(Handle(), ListBox1(), LOWORD(w), session_->Running(), session_->Signals());
  return handled ? -2 : -1;
}

void TMainform::OnContextMenu(HWND target, LPARAM l) {
  // Not while the procedure runs: the menu's own message loop would hold up the halt attempts.
  if (target == ListBox1().Handle() && !session_->Running()) ShowLogMenu(Handle(), ListBox1(), l);
}
