// The start-up floor: the window's own start-up work in plain Win32, and nothing more.
//
// No runtime (its own entry point, no start files, no C library, no static constructors), no
// search for a font face, no icons but the class's default. With the program's manifest (common
// controls 6, per-monitor DPI awareness) it makes the window and its panel, the four labels, both
// radio groups with their items, START, STOP and the list box, in the layout's places at 96 pixels
// per inch (the benchmark's screen), texts, styles and font face, loads unit_kelm.DLL and looks up
// its 34 exports, adds the four start-up lines, centres and shows the window and waits for input;
// closing it frees the library.
// Nothing the program adds beyond that (the attempt count's line, its icons, the DPI and font
// work) is done. Its caption is its own. Exit code 2 when the library or an export is missing.
#include <windows.h>
#include <commctrl.h>

#include "label_colour.h"
#include "main_form_layout.h"
#include "main_form_panel.h"
#include "unit_library_api_kelm.h"

namespace {

constexpr char kClassName[] = "StartUpFloor";
constexpr char kPanelClassName[] = "StartUpFloorPanel";
constexpr char kCaption[] = "Start-up floor";
constexpr char kLibraryFileName[] = "unit_kelm.DLL";
constexpr char kLibraryLoaded[] = "unit_kelm.DLL library loaded.";

HMODULE library = nullptr;
HWND label6 = nullptr;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(l) != label6) break;
      SetTextColor(reinterpret_cast<HDC>(w), kPureBlue);
      SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
      FreeLibrary(library);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

bool Register(HINSTANCE instance, const char* class_name, WNDPROC procedure, UINT style) {
  WNDCLASSA window_class{};
  window_class.style = style;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = ButtonFaceBackground();
  window_class.lpszClassName = class_name;
  return RegisterClassA(&window_class) != 0;
}

HWND Child(HINSTANCE instance, HFONT font, const char* window_class, const char* text, DWORD style,
           DWORD ex_style, const Bounds& bounds, HWND parent) {
  HWND child =
      CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, bounds.left,
                      bounds.top, bounds.width, bounds.height, parent, nullptr, instance, nullptr);
  if (child != nullptr) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

// A radio item at 96 pixels per inch: one row of those below the frame's caption line.
Bounds RadioItem(const Bounds& frame, int count, int index) {
  const int usable = frame.height - kDesignTextHeight - 5;
  const int pitch = usable / count;
  return {frame.left + 8, frame.top + kDesignTextHeight + 1 + usable % count / 2 + index * pitch,
          frame.width - 16, pitch};
}

// The window's controls in the layout's order and places at 96 pixels per inch, without the
// attempt count's line. The list box, or null when a control could not be made.
HWND CreateControls(HINSTANCE instance, HFONT font, HWND window) {
  HWND panel = nullptr;
  HWND list = nullptr;
  for (const ControlLayout& layout : kMainFormLayout) {
    const Bounds& bounds = layout.bounds;
    const bool in_panel = layout.parent == ControlParent::kPanel1;
    HWND parent = in_panel ? panel : window;
    const DWORD group = in_panel ? WS_GROUP : 0;
    const DWORD disabled = layout.enabled ? 0 : WS_DISABLED;
    HWND made = nullptr;
    switch (layout.kind) {
      case ControlKind::kStatusLine: continue;
      case ControlKind::kListBox:
        made = list =
            Child(instance, font, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                  WS_EX_CLIENTEDGE, bounds, parent);
        break;
      case ControlKind::kPanel:
        made = panel = Child(instance, font, kPanelClassName, "", WS_CLIPCHILDREN,
                             WS_EX_CONTROLPARENT, bounds, parent);
        break;
      case ControlKind::kLabel:
        made = Child(instance, font, "STATIC", layout.text, group | SS_LEFT | SS_NOPREFIX, 0,
                     bounds, parent);
        if (layout.name == ControlName::Label6) label6 = made;
        break;
      case ControlKind::kPushButton:
        made = Child(instance, font, "BUTTON", layout.text,
                     group | disabled | WS_TABSTOP | BS_PUSHBUTTON, 0, bounds, parent);
        break;
      case ControlKind::kRadioGroup:
        made = Child(instance, font, "BUTTON", layout.text, WS_GROUP | disabled | BS_GROUPBOX,
                     WS_EX_TRANSPARENT, bounds, parent);
        for (int i = 0; made != nullptr && i < layout.items.count; ++i) {
          const DWORD first = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
          made = Child(instance, font, "BUTTON", layout.items.texts[i],
                       first | disabled | BS_AUTORADIOBUTTON, 0,
                       RadioItem(bounds, layout.items.count, i), parent);
          if (made != nullptr && i == 0) SendMessageA(made, BM_SETCHECK, BST_CHECKED, 0);
        }
        break;
    }
    if (made == nullptr) return nullptr;
  }
  return list;
}

bool LoadLibraryWithEveryExport() {
  library = LoadLibraryA(kLibraryFileName);
  if (library == nullptr) return false;
  bool every = true;
  for (const char* name : kEntryPointNames)
    every = GetProcAddress(library, name) != nullptr && every;
  return every;
}

void CentreOnScreen(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  SetWindowPos(window, nullptr, screen.left + (screen.right - screen.left - kOuterWidth) / 2,
               screen.top + (screen.bottom - screen.top - kOuterHeight) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Run(HINSTANCE instance, int show_command) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!Register(instance, kClassName, &Procedure, 0) ||
      !Register(instance, kPanelClassName, &PanelProcedure, CS_HREDRAW | CS_VREDRAW)) {
    return 1;
  }
  HWND window = CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                                0, kOuterWidth, kOuterHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  HFONT font = CreateFontA(-MulDiv(kFontPoints, kDesignDpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, kFontFace);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HWND list = CreateControls(instance, font, window);
  if (list == nullptr) return 1;
  if (!LoadLibraryWithEveryExport()) return 2;
  // An empty line, the library's line, an empty line and the empty current line.
  const char* const lines[] = {"", kLibraryLoaded, "", ""};
  for (const char* line : lines)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  CentreOnScreen(window);
  ShowWindow(window, show_command);
  UpdateWindow(window);

  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DeleteObject(font);
  return static_cast<int>(message.wParam);
}

}  // namespace

// The process starts here; nothing runs before it. The show command as a runtime would pass it.
extern "C" void WINAPI FloorEntry() {
  STARTUPINFOA start_up{};
  start_up.cb = sizeof(start_up);
  GetStartupInfoA(&start_up);
  const int show_command =
      (start_up.dwFlags & STARTF_USESHOWWINDOW) != 0 ? start_up.wShowWindow : SW_SHOWDEFAULT;
  ExitProcess(static_cast<UINT>(Run(GetModuleHandleA(nullptr), show_command)));
}
