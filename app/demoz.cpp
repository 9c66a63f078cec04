// The main window TMainform: its controls and its four handlers.
#include "demoz.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "gdi_owners.h"
#include "label_colour.h"
#include "log_clipboard.h"
#include "main_form_panel.h"
#include "message_loop.h"
#include "product.h"
#include "user32_lookup.h"
#include "window_dpi.h"
#include "window_font.h"
#include "window_signals.h"

namespace {

constexpr char kMainFormClass[] = "TMainform";
constexpr char kPanelClass[] = "TMainformPanel";

constexpr char kLibraryLoaded[] = "unit_kelm.DLL library loaded.";
constexpr char kLibraryFailed[] =
    "Loading Library unit_kelm.DLL failed. Make sure library is in the Windows System directory "
    "(or SysWow64 on 64-bit systems) and restart application.";

// The log's context menu.
constexpr UINT kCopyCommand = 1;
constexpr UINT kCopyAllCommand = 2;
struct DestroyPopupMenu {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using PopupMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, DestroyPopupMenu>;

// Runs its action as it goes, however the scope it guards is left.
template <typename Action>
class ScopeExit {
 public:
  explicit ScopeExit(Action action) : action_(std::move(action)) {}
  ~ScopeExit() { action_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Action action_;
};

// Control identifiers: 100 and up by layout order; radio items ten per group above that. None is
// IDOK or IDCANCEL, which the dialog navigation sends for Enter and Escape.
int ControlId(ControlName name) {
  return 100 + static_cast<int>(name);
}
int RadioItemId(ControlName group, int index) {
  return 1000 + 10 * static_cast<int>(group) + index;
}

void MoveTo(HWND control, const Bounds& bounds) {
  MoveWindow(control, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

BOOL CALLBACK SetControlFont(HWND control, LPARAM font) {
  SendMessageA(control, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

// The window font in the layout's face, or the closest the system has, for a screen of `dpi`.
GdiObject<HFONT> MainFormFont(int dpi) {
  return CreateWindowFont(kFontFaces, std::size(kFontFaces), kFontPoints, dpi);
}

// Texts measured as the window draws them: the screen's device context with the window font.
class TextMeasure {
 public:
  explicit TextMeasure(HFONT font)
      : screen_(DeviceContextOf(nullptr)), selected_(Select(screen_.get(), font)) {}

  // A label's place for `text`: labels grow to the right from the layout's top-left corner, and a
  // face that draws shorter than the layout's keeps the layout's height.
  Bounds LabelBounds(std::string_view text, const Bounds& place) const {
    SIZE size{};
    GetTextExtentPoint32A(screen_.get(), text.data(), static_cast<int>(text.size()), &size);
    return {place.left, place.top, size.cx, std::max<int>(size.cy, place.height)};
  }

 private:
  WindowDc screen_;
  Selection selected_;
};

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
  return text;
}

// Moves a label to its place for the text it shows, drawn anew.
void PlaceLabel(HWND label, const Bounds& place, const TextMeasure& measure) {
  MoveTo(label, measure.LabelBounds(WindowText(label), place));
  InvalidateRect(label, nullptr, TRUE);
}

static_assert(kHighContrastOn == HCF_HIGHCONTRASTON);

// Label6's colour in the system's look as it is now.
COLORREF Label6ColourNow() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof(contrast);
  const bool read = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0);
  return Label6Colour(read ? contrast.dwFlags : 0, GetSysColor(COLOR_HOTLIGHT));
}

}  // namespace

int FormControl::ItemIndex() const {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (SendMessageA(items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
  }
  return -1;
}

void FormControl::FollowSelection(HWND item) const {
  bool ours = false;
  for (HWND candidate : items) ours = ours || candidate == item;
  if (!ours) return;
  for (HWND candidate : items) {
    const LONG_PTR style = GetWindowLongPtrA(candidate, GWL_STYLE);
    const bool checked = SendMessageA(candidate, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SetWindowLongPtrA(candidate, GWL_STYLE, checked ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  }
}

TMainform::TMainform(HINSTANCE instance, PlatformSignals* signals) : instance_(instance) {
  if (!RegisterWindowClassOnce(instance, kMainFormClass, &Window::Procedure, 0,
                               ButtonFaceBackground()) ||
      !RegisterWindowClassOnce(instance, kPanelClass, &PanelProcedure, CS_HREDRAW | CS_VREDRAW,
                               ButtonFaceBackground())) {
    throw std::runtime_error("the window classes could not be registered");
  }
  // Placed at the origin for now, on the screen where the first show centres it.
  if (Create(instance, kMainFormClass, kMainFormCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
             0, 0, kOuterWidth, kOuterHeight, nullptr) == nullptr) {
    throw std::runtime_error("the main window could not be created");
  }
  if (signals == nullptr) {
    own_signals_ = MakeWindowSignals(Handle());
    signals = own_signals_.get();
  }
  signals_ = signals;
  // The shell tells when the taskbar button exists, also to a program run as administrator: the
  // filter that lets it through came with Windows 7, as taskbar progress did.
  taskbar_button_created_ = RegisterWindowMessageA("TaskbarButtonCreated");
  static const auto change_message_filter =
      FindUser32Function<decltype(&ChangeWindowMessageFilterEx)>("ChangeWindowMessageFilterEx");
  if (taskbar_button_created_ != 0 && change_message_filter != nullptr) {
    change_message_filter(Handle(), taskbar_button_created_, MSGFLT_ALLOW, nullptr);
  }
  // Sized and laid out for that screen's DPI; created at the size for the layout's own.
  dpi_ = WindowDpi(Handle(), kDesignDpi);
  font_ = MainFormFont(dpi_);
  line_height_ = LineHeightAt(dpi_, LineHeight(font_.Get()));
  if (dpi_ != kDesignDpi) {
    SetWindowPos(Handle(), nullptr, 0, 0, ScaleToDpi(kOuterWidth, dpi_),
                 ScaleToDpi(kOuterHeight, dpi_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  SetIcons();
  // Each control is made in its place: a move per control would cost as much again.
  RECT client;
  GetClientRect(Handle(), &client);
  const MainFormPlaces places = LayOutMainForm(client.right, client.bottom, dpi_, line_height_);
  const TextMeasure measure(font_.Get());
  for (const ControlLayout& layout : kMainFormLayout) {
    ControlPlace place = PlaceOf(places, layout.name);
    if (layout.kind == ControlKind::kLabel)
      place.bounds = measure.LabelBounds(layout.text, place.bounds);
    controls_[static_cast<std::size_t>(layout.name)] = CreateControl(layout, place);
  }
  list_box_ = ListBoxControl(Control(ControlName::ListBox1).window);
  controls_made_ = true;
  laid_out_for_ = {client.right, client.bottom, dpi_, line_height_};
}

TMainform::~TMainform() {
  Destroy();
}

HWND TMainform::CreateChild(const char* window_class, const char* text, DWORD style, DWORD ex_style,
                            HWND parent, int id, const Bounds& bounds) {
  HWND child =
      CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, bounds.left,
                      bounds.top, bounds.width, bounds.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (child == nullptr)
    throw std::runtime_error(std::string("a control could not be created: ") + window_class);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return child;
}

FormControl TMainform::CreateControl(const ControlLayout& layout, const ControlPlace& place) {
  const bool in_panel = layout.parent == ControlParent::kPanel1;
  HWND parent = in_panel ? Panel1() : Handle();
  const int id = ControlId(layout.name);
  // Every control in the panel starts a group of its own, which ends the radio group before it.
  const DWORD group = in_panel ? WS_GROUP : 0;
  const DWORD disabled = layout.enabled ? 0 : WS_DISABLED;
  FormControl control;
  switch (layout.kind) {
    case ControlKind::kListBox:
      // Its keys are offered to the window first (WM_VKEYTOITEM), for Ctrl+C.
      control.window = CreateChild(
          "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
          WS_EX_CLIENTEDGE, parent, id, place.bounds);
      SendMessageA(control.window, LB_SETITEMHEIGHT, 0, line_height_);
      break;
    case ControlKind::kPanel:
      // Clipping its children, so that a resize does not erase them all before they repaint.
      control.window = CreateChild(kPanelClass, "", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent,
                                   id, place.bounds);
      break;
    case ControlKind::kLabel:
      control.window = CreateChild("STATIC", layout.text, group | SS_LEFT | SS_NOPREFIX, 0, parent,
                                   id, place.bounds);
      break;
    case ControlKind::kPushButton:
      control.window =
          CreateChild("BUTTON", layout.text, group | disabled | WS_TABSTOP | BS_PUSHBUTTON, 0,
                      parent, id, place.bounds);
      break;
    case ControlKind::kRadioGroup:
      // The frame draws only its lines and caption: transparent, it is not clipped out of the
      // panel, whose face shows inside it, and it paints after the radio buttons within it.
      control.window = CreateChild("BUTTON", layout.text, WS_GROUP | disabled | BS_GROUPBOX,
                                   WS_EX_TRANSPARENT, parent, id, place.bounds);
      for (int i = 0; i < layout.items.count; ++i) {
        const DWORD first = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
        control.items.push_back(CreateChild(
            "BUTTON", layout.items.texts[i], first | disabled | BS_AUTORADIOBUTTON, 0, parent,
            RadioItemId(layout.name, i), place.items[static_cast<std::size_t>(i)]));
      }
      SendMessageA(control.items.front(), BM_SETCHECK, BST_CHECKED, 0);
      break;
  }
  return control;
}

void TMainform::LayOut(int client_width, int client_height) {
  const LayoutInputs inputs{client_width, client_height, dpi_, line_height_};
  if (inputs == laid_out_for_) return;
  laid_out_for_ = inputs;
  const MainFormPlaces places = LayOutMainForm(client_width, client_height, dpi_, line_height_);
  const TextMeasure measure(font_.Get());
  for (const ControlLayout& layout : kMainFormLayout) {
    const FormControl& control = Control(layout.name);
    const ControlPlace& place = PlaceOf(places, layout.name);
    if (layout.kind == ControlKind::kLabel) {
      PlaceLabel(control.window, place.bounds, measure);
      continue;
    }
    MoveTo(control.window, place.bounds);
    for (std::size_t i = 0; i < control.items.size(); ++i) MoveTo(control.items[i], place.items[i]);
  }
}

MainFormPlaces TMainform::CurrentPlaces() const {
  RECT client;
  GetClientRect(Handle(), &client);
  return LayOutMainForm(client.right, client.bottom, dpi_, line_height_);
}

void TMainform::SetIcons() {
  // Without the resource (a test program) the window has none. The icons in use before go once
  // the window holds the new ones.
  OwnedIcon large = LoadIconForDpi(instance_, TESTZ_ICON, IconSize::kLarge, dpi_);
  OwnedIcon small_icon = LoadIconForDpi(instance_, TESTZ_ICON, IconSize::kSmall, dpi_);
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon.get()));
  large_icon_ = std::move(large);
  small_icon_ = std::move(small_icon);
}

void TMainform::EnableButton(HWND button, bool enabled) {
  HWND other = button == Button1() ? Button2() : Button1();
  if (!enabled && GetFocus() == button) {
    // The focus leaves a button being disabled: to the other button when that one is enabled,
    // otherwise to the next control in the tab order, where it waits for the other button.
    HWND next = IsWindowEnabled(other) ? other : GetNextDlgTabItem(Handle(), button, FALSE);
    SetFocus(next != nullptr && next != button ? next : Handle());
    parked_focus_ = GetFocus();
  }
  EnableWindow(button, enabled);
  // A button enabled while the focus still waits where the other one left it takes the focus:
  // as a run starts START hands it to STOP, and as the run ends STOP hands it back.
  if (enabled && parked_focus_ != nullptr && GetFocus() == parked_focus_) {
    SetFocus(button);
    parked_focus_ = nullptr;
  }
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
}

void TMainform::SetStartEnabled(bool enabled) {
  EnableButton(Button1(), enabled);
}

void TMainform::SetStopEnabled(bool enabled) {
  EnableButton(Button2(), enabled);
}

ListControl& TMainform::Log() {
  return ListBox1();
}

int TMainform::HardwareTypeIndex() {
  return hardwaretype().ItemIndex();
}

int TMainform::CommunicationTypeIndex() {
  return communicationtype().ItemIndex();
}

void TMainform::SetVersionLabel(std::string_view text) {
  SetWindowTextA(Label6(), std::string(text).c_str());
  PlaceLabel(Label6(), PlaceOf(CurrentPlaces(), ControlName::Label6).bounds,
             TextMeasure(font_.Get()));
  UpdateWindow(Label6());
}

void TMainform::ProcessMessages() {
  // The program is to end (a WM_QUIT, left in the queue for the message loop), or a close or the
  // session's end waits for the procedure: the halt loop ends as STOP ends it. A close that came
  // while the stop flag was cleared since (inside a library call that handled messages) counts.
  if (ProcessPendingMessages(Handle()) || close_pending_) Button2Click();
}

void TMainform::HaltLoopStarted() {
  awake_.emplace(*signals_);
}

void TMainform::HaltLoopEnded() {
  awake_.reset();
}

void TMainform::Button1Click() {
  // One procedure at a time: a START that reaches here while one runs (a click queued before
  // START was disabled, a message sent to the window) starts nothing.
  if (procedure_running_) return;
  procedure_running_ = true;
  // However the handler is left, a signal that throws included, START may run again, and a close
  // asked for meanwhile goes ahead, from the message loop.
  const ScopeExit idle_again([this] {
    procedure_running_ = false;
    if (close_pending_) PostMessageA(Handle(), WM_CLOSE, 0, 0);
  });
  signals_->ShowProgress(TaskbarProgress::kBusy);
  SignalEnding(*signals_, RecoveryProcedure(*this));
}

void TMainform::FormShow() {
  const bool loaded = OpenInterfaceLibrary();
  LogWriteLine(ListBox1(), "");
  LogWriteLine(ListBox1(), loaded ? kLibraryLoaded : kLibraryFailed);
  LogWriteLine(ListBox1(), "");
  // Only a library with every entry point may be called: START stays off for the whole run.
  if (!loaded) EnableButton(Button1(), false);
}

void TMainform::FormClose() {
  CloseInterfaceLibrary();
}

void TMainform::Button2Click() {
  RequestStop();
}

LRESULT TMainform::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  // A registered message has no constant for the switch.
  if (taskbar_button_created_ != 0 && message == taskbar_button_created_) {
    signals_->TaskbarButtonCreated();
    return 0;
  }
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
  // The first show reports the size the window was made at: nothing moves then.
  if (controls_made_) LayOut(client_width, client_height);
}

void TMainform::OnDpiChanged(int dpi, const RECT& suggested) {
  // The window moved to a screen of another DPI (or that screen's scale changed): a new font at
  // the new size, taken by every control before the old one goes, then the whole layout anew.
  dpi_ = dpi;
  GdiObject<HFONT> font = MainFormFont(dpi_);
  line_height_ = LineHeightAt(dpi_, LineHeight(font.Get()));
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
  EnumChildWindows(Handle(), &SetControlFont, reinterpret_cast<LPARAM>(font.Get()));
  font_ = std::move(font);
  SetIcons();
  SendMessageA(ListBox1().Handle(), LB_SETITEMHEIGHT, 0, line_height_);
  // A client area that changes size comes with WM_SIZE, which lays everything out at the new DPI;
  // one that keeps its size does not, and is laid out here.
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(Handle(), &client);
  LayOut(client.right, client.bottom);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TMainform::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED) return;
  // Enter, when no button is the default one, arrives as IDOK: it presses the focused button.
  if (id == IDOK && control == nullptr) control = GetFocus();
  for (const FormControl& group : controls_) group.FollowSelection(control);
  // A disabled button takes no click, whoever sends it.
  if (control == nullptr || !IsWindowEnabled(control)) return;
  if (control == Button1()) Button1Click();
  if (control == Button2()) Button2Click();
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
  if (controls_made_) InvalidateRect(Label6(), nullptr, TRUE);
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
  if (procedure_running_) {
    // The library is not unloaded under the running procedure: its halt loop, the only place
    // where a close can arrive, is asked to end as STOP asks it, and the window closes once the
    // START handler has returned.
    close_pending_ = true;
    Button2Click();
    return;
  }
  close_pending_ = false;
  FormClose();
  DestroyWindow(Handle());
}

LRESULT TMainform::OnQueryEndSession() {
  // The session may end: a running halt loop stops as STOP stops it, and nothing is refused.
  if (procedure_running_) Button2Click();
  return TRUE;
}

void TMainform::OnEndSession(bool ending) {
  if (!ending) return;
  // Once the releases below are done, whatever they do, the window closes as a close from the
  // user does: at once when no procedure runs; under a running one the close waits, as any close
  // does, for a procedure end that may never come.
  const ScopeExit close_after([this] { HandleClose(); });
  // Windows may end the process at any moment once this returns: the request not to sleep and
  // the taskbar button's progress go now.
  awake_.reset();
  signals_->ShowProgress(TaskbarProgress::kNone);
}

void TMainform::OnDestroy() {
  PostQuitMessage(0);
}

LRESULT TMainform::OnVKeyToItem(WPARAM w) {
  // -1: the list box handles the key itself; -2: handled here.
  if (LOWORD(w) != 'C' || GetKeyState(VK_CONTROL) >= 0) return -1;
  CopyLog(false);
  return -2;
}

void TMainform::OnContextMenu(HWND target, LPARAM l) {
  // Not while the procedure runs: the menu's own message loop would hold up the halt attempts.
  if (target != ListBox1().Handle() || procedure_running_) return;
  const bool selected = SendMessageA(target, LB_GETCURSEL, 0, 0) != LB_ERR;
  const PopupMenu menu(CreatePopupMenu());
  if (!menu) return;
  const UINT copy_state = selected ? MF_ENABLED : MF_GRAYED;
  AppendMenuA(menu.get(), MF_STRING | copy_state, kCopyCommand, "Copy");
  AppendMenuA(menu.get(), MF_STRING, kCopyAllCommand, "Copy all");
  POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
  if (l == -1) {
    // From the keyboard: at the list's top-left corner.
    at = POINT{0, 0};
    ClientToScreen(target, &at);
  }
  const UINT command =
      static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       at.x, at.y, 0, Handle(), nullptr));
  if (command == kCopyCommand) CopyLog(false);
  if (command == kCopyAllCommand) CopyLog(true);
}

void TMainform::CopyLog(bool whole) {
  const int selected = static_cast<int>(SendMessageA(ListBox1().Handle(), LB_GETCURSEL, 0, 0));
  PutTextOnClipboard(Handle(),
                     whole || selected == LB_ERR ? LogText(ListBox1()) : ListBox1().Read(selected));
}
