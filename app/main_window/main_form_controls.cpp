// The main window's controls: made from the layout table, scaled to the screen, kept in place.
#include "main_form_controls.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

#include "main_form_panel.h"
#include "product.h"
#include "window.h"
#include "window_dpi.h"
#include "window_font.h"

namespace {

constexpr char kPanelClass[] = "TMainformPanel";

// Control identifiers: 100 and up by layout order; radio items ten per group above that. None is
// IDOK or IDCANCEL, which the dialog navigation sends for Enter and Escape.
constexpr int kFirstControlId = 100;
int ControlId(ControlName name) {
  return kFirstControlId + static_cast<int>(name);
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
WindowFont MainFormFont(int dpi) {
  return CreateWindowFont(kFontFaces, std::size(kFontFaces), kFontPoints, dpi);
}

// Texts measured as the window draws them: the screen's device context with the window font.
class TextMeasure {
 public:
  explicit TextMeasure(HFONT font) : screen_(nullptr), selected_(screen_.Get(), font) {}

  // A label's place for `text`: labels grow to the right from the layout's top-left corner, and a
  // face that draws shorter than the layout's keeps the layout's height.
  Bounds LabelBounds(std::string_view text, const Bounds& place) const {
    SIZE size{};
    GetTextExtentPoint32A(screen_.Get(), text.data(), static_cast<int>(text.size()), &size);
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

MainFormControls::MainFormControls(HWND window, HINSTANCE instance, int class_icon_dpi)
    : window_(window), instance_(instance) {
  if (!RegisterWindowClassOnce(instance, kPanelClass, &PanelProcedure, CS_HREDRAW | CS_VREDRAW,
                               ButtonFaceBackground())) {
    throw std::runtime_error("the panel's window class could not be registered");
  }
  // Sized and laid out for that screen's DPI; created at the size for the layout's own.
  dpi_ = WindowDpi(window_, kDesignDpi);
  WindowFont font = MainFormFont(dpi_);
  font_ = std::move(font.font);
  line_height_ = LineHeightAt(dpi_, font.line_height);
  if (dpi_ != kDesignDpi) {
    SetWindowPos(window_, nullptr, 0, 0, ScaleToDpi(kOuterWidth, dpi_),
                 ScaleToDpi(kOuterHeight, dpi_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  if (dpi_ != class_icon_dpi) SetIcons();
  // Each control is made in its place: a move per control would cost as much again.
  RECT client;
  GetClientRect(window_, &client);
  const MainFormPlaces places = LayOutMainForm(client.right, client.bottom, dpi_, line_height_);
  const TextMeasure measure(font_.Get());
  for (const ControlLayout& layout : kMainFormLayout) {
    ControlPlace place = PlaceOf(places, layout.name);
    if (layout.kind == ControlKind::kLabel)
      place.bounds = measure.LabelBounds(layout.text, place.bounds);
    controls_[static_cast<std::size_t>(layout.name)] = CreateControl(layout, place);
  }
  list_box_ = ListBoxControl(Control(ControlName::ListBox1).window);
  laid_out_for_ = {client.right, client.bottom, dpi_, line_height_};
}

HWND MainFormControls::CreateChild(const char* window_class, const char* text, DWORD style,
                                   DWORD ex_style, HWND parent, int id, const Bounds& bounds) {
  return WithFont(
      CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, bounds.left,
                      bounds.top, bounds.width, bounds.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr),
      window_class);
}

HWND MainFormControls::WithFont(HWND child, const char* window_class) const {
  if (child == nullptr)
    throw std::runtime_error(std::string("a control could not be created: ") + window_class);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return child;
}

FormControl MainFormControls::CreateControl(const ControlLayout& layout,
                                            const ControlPlace& place) {
  const bool in_panel = layout.parent == ControlParent::kPanel1;
  HWND parent = in_panel ? Control(ControlName::Panel1).window : window_;
  const int id = ControlId(layout.name);
  // Every control in the panel starts a group of its own, which ends the radio group before it.
  const DWORD group = in_panel ? WS_GROUP : 0;
  const DWORD disabled = layout.enabled ? 0 : WS_DISABLED;
  FormControl control;
  switch (layout.kind) {
    case ControlKind::kListBox:
      // Its keys are offered to the window first (WM_VKEYTOITEM), for the log's commands.
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
    case ControlKind::kStatusLine:
      // A Unicode window: its text is not bound to the system's code page.
      control.window = WithFont(
          CreateWindowExW(
              0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS,
              place.bounds.left, place.bounds.top, place.bounds.width, place.bounds.height, parent,
              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr),
          "STATIC");
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

std::optional<ControlName> MainFormControls::NameOf(HWND control) const {
  const int index = GetDlgCtrlID(control) - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(kControlCount)) return std::nullopt;
  const auto name = static_cast<ControlName>(index);
  if (Control(name).window != control) return std::nullopt;
  return name;
}

void MainFormControls::FollowSelection(HWND item) const {
  for (const FormControl& control : controls_) control.FollowSelection(item);
}

HWND MainFormControls::NextEnabledButton(ControlName button) const {
  const auto from = static_cast<std::size_t>(button);
  for (std::size_t step = 1; step < kControlCount; ++step) {
    const ControlLayout& layout = kMainFormLayout[(from + step) % kControlCount];
    HWND candidate = Control(layout.name).window;
    if (layout.kind == ControlKind::kPushButton && IsWindowEnabled(candidate)) return candidate;
  }
  return nullptr;
}

void MainFormControls::EnableButton(ControlName name, bool enabled) {
  HWND button = Control(name).window;
  if (!enabled && GetFocus() == button) {
    // The focus leaves a button being disabled: to another push button when one is enabled,
    // otherwise to the next control in the tab order, where it waits for a button to take it.
    HWND next = NextEnabledButton(name);
    if (next == nullptr) next = GetNextDlgTabItem(window_, button, FALSE);
    SetFocus(next != nullptr && next != button ? next : window_);
    parked_focus_ = GetFocus();
  }
  EnableWindow(button, enabled);
  // A button enabled while the focus still waits where another one left it takes the focus: as
  // a run starts START hands it to STOP, and as the run ends STOP hands it back.
  if (enabled && parked_focus_ != nullptr && GetFocus() == parked_focus_) {
    SetFocus(button);
    parked_focus_ = nullptr;
  }
}

void MainFormControls::SetLabelText(ControlName label, std::string_view text) {
  HWND window = Control(label).window;
  SetWindowTextA(window, std::string(text).c_str());
  PlaceLabel(window, PlaceOf(CurrentPlaces(), label).bounds, TextMeasure(font_.Get()));
  UpdateWindow(window);
}

void MainFormControls::SetStatusText(ControlName line, std::wstring_view text) {
  SetWindowTextW(Control(line).window, std::wstring(text).c_str());
}

void MainFormControls::LayOut(int client_width, int client_height) {
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

void MainFormControls::ChangeDpi(int dpi, const RECT& suggested) {
  // A new font at the new size, taken by every control before the old one goes, then the whole
  // layout anew.
  dpi_ = dpi;
  WindowFont font = MainFormFont(dpi_);
  line_height_ = LineHeightAt(dpi_, font.line_height);
  SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.font.Get()), FALSE);
  EnumChildWindows(window_, &SetControlFont, reinterpret_cast<LPARAM>(font.font.Get()));
  font_ = std::move(font.font);
  SetIcons();
  SendMessageA(list_box_.Handle(), LB_SETITEMHEIGHT, 0, line_height_);
  // A client area that changes size comes with WM_SIZE, which lays everything out at the new DPI;
  // one that keeps its size does not, and is laid out here.
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(window_, &client);
  LayOut(client.right, client.bottom);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

MainFormPlaces MainFormControls::CurrentPlaces() const {
  RECT client;
  GetClientRect(window_, &client);
  return LayOutMainForm(client.right, client.bottom, dpi_, line_height_);
}

void MainFormControls::SetIcons() {
  // Without the resource (a test program) the window has none. The icons in use before go once
  // the window holds the new ones.
  WindowIcons icons = LoadWindowIcons(instance_, TESTZ_ICON, dpi_);
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.large_icon.Get()));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small_icon.Get()));
  icons_ = std::move(icons);
}
