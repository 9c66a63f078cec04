// The start-up baseline: the platform work the program's window needs at start-up, nothing else.
//
// Plain Win32 without the C++ runtime: its own entry point, no runtime start-up, no static
// constructors, no C library. With the program's manifest it registers a window class and a
// panel class, creates the window and the same 20 controls with the same classes, styles, font
// and line height, loads unit_kelm.DLL and looks up its 34 exports, writes the same four
// start-up lines, centres and shows the window and waits for input; closing it frees the library.
// Its caption is its own. Exit code 2 when the library or one of its exports is missing.
//
// Built a second time with the C runtime's start-up (BASELINE_WITH_C_RUNTIME: the MinGW start
// files, WinMain, the C library's DLL), to show what that start-up costs on its own.
//
// Built a third time as the start-up floor (STARTUP_FLOOR): the window's own start-up work and
// nothing more. It makes no attempt count line and sets no line height; like the baseline it
// searches for no font face and has no icons but the class's default. Its caption is its own.
#include <windows.h>
#include <commctrl.h>

#include "label_colour.h"
#include "main_form_layout.h"
#include "main_form_panel.h"
#include "unit_library_api_kelm.h"

namespace {

#ifdef STARTUP_FLOOR
constexpr char kClassName[] = "StartUpFloor";
constexpr char kPanelClassName[] = "StartUpFloorPanel";
constexpr char kCaption[] = "Start-up floor";
constexpr bool kFloor = true;
#else
constexpr char kClassName[] = "StartUpBaseline";
constexpr char kPanelClassName[] = "StartUpBaselinePanel";
constexpr char kCaption[] = "Start-up baseline";
constexpr bool kFloor = false;
#endif
constexpr char kLibraryFileName[] = "unit_kelm.DLL";
constexpr char kLibraryLoaded[] = "unit_kelm.DLL library loaded.";

HMODULE library = nullptr;
HWND list = nullptr;
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

struct Maker {
  HINSTANCE instance;
  HFONT font;
  int next_id;

  HWND Child(const char* window_class, const char* text, DWORD style, DWORD ex_style,
             const Bounds& bounds, HWND parent) {
    HWND child = CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style,
                                 bounds.left, bounds.top, bounds.width, bounds.height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(next_id++)), instance,
                                 nullptr);
    if (child != nullptr) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
  }
};

// A radio item at 96 pixels per inch: one row of those below the frame's caption line.
Bounds RadioItem(const Bounds& frame, int count, int index) {
  const int usable = frame.height - kDesignTextHeight - 5;
  const int pitch = usable / count;
  return {frame.left + 8, frame.top + kDesignTextHeight + 1 + usable % count / 2 + index * pitch,
          frame.width - 16, pitch};
}

// The layout's controls in its order, 21 windows in all (20 for the floor, without the attempt
// count's line); false when one could not be made.
bool CreateControls(Maker& maker, HWND window) {
  HWND panel = nullptr;
  for (const ControlLayout& layout : kMainFormLayout) {
    const bool in_panel = layout.parent == ControlParent::kPanel1;
    HWND parent = in_panel ? panel : window;
    const DWORD group = in_panel ? WS_GROUP : 0;
    const DWORD disabled = layout.enabled ? 0 : WS_DISABLED;
    HWND made = nullptr;
    switch (layout.kind) {
      case ControlKind::kListBox:
        made = list = maker.Child("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                                  WS_EX_CLIENTEDGE, layout.bounds, parent);
        if (made != nullptr && !kFloor) SendMessageA(made, LB_SETITEMHEIGHT, 0, kDesignTextHeight);
        break;
      case ControlKind::kPanel:
        made = panel = maker.Child(kPanelClassName, "", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                                   layout.bounds, parent);
        break;
      case ControlKind::kLabel:
        made = maker.Child("STATIC", layout.text, group | SS_LEFT | SS_NOPREFIX, 0, layout.bounds,
                           parent);
        if (layout.name == ControlName::Label6) label6 = made;
        break;
      case ControlKind::kPushButton:
        made = maker.Child("BUTTON", layout.text, group | disabled | WS_TABSTOP | BS_PUSHBUTTON, 0,
                           layout.bounds, parent);
        break;
      case ControlKind::kStatusLine:
        if (kFloor) continue;
        made = CreateWindowExW(
            0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS,
            layout.bounds.left, layout.bounds.top, layout.bounds.width, layout.bounds.height,
            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(maker.next_id++)), maker.instance,
            nullptr);
        if (made != nullptr) {
          SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(maker.font), FALSE);
        }
        break;
      case ControlKind::kRadioGroup:
        made = maker.Child("BUTTON", layout.text, WS_GROUP | disabled | BS_GROUPBOX,
                           WS_EX_TRANSPARENT, layout.bounds, parent);
        for (int i = 0; made != nullptr && i < layout.items.count; ++i) {
          const DWORD first = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
          HWND item =
              maker.Child("BUTTON", layout.items.texts[i], first | disabled | BS_AUTORADIOBUTTON, 0,
                          RadioItem(layout.bounds, layout.items.count, i), parent);
          if (item != nullptr && i == 0) SendMessageA(item, BM_SETCHECK, BST_CHECKED, 0);
          made = item;
        }
        break;
    }
    if (made == nullptr) return false;
  }
  return true;
}

bool LoadLibraryWithEveryExport() {
  library = LoadLibraryA(kLibraryFileName);
  if (library == nullptr) return false;
  bool every = true;
  for (const char* name : kEntryPointNames)
    every = GetProcAddress(library, name) != nullptr && every;
  return every;
}

// An empty line, the message, an empty line and the empty current line.
void WriteStartUpLines() {
  const char* const lines[] = {"", kLibraryLoaded, "", ""};
  for (const char* line : lines)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

void CentreOnScreen(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  RECT outer;
  GetWindowRect(window, &outer);
  SetWindowPos(window, nullptr,
               screen.left + (screen.right - screen.left - (outer.right - outer.left)) / 2,
               screen.top + (screen.bottom - screen.top - (outer.bottom - outer.top)) / 2, 0, 0,
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
  Maker maker{instance, font, 100};
  if (!CreateControls(maker, window)) return 1;
  if (!LoadLibraryWithEveryExport()) return 2;
  WriteStartUpLines();
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

#ifdef BASELINE_WITH_C_RUNTIME
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  return Run(instance, show_command);
}
#else
// The process starts here; nothing runs before it. The show command as the runtime would pass it.
extern "C" void WINAPI BaselineEntry() {
  STARTUPINFOA start_up{};
  start_up.cb = sizeof(start_up);
  GetStartupInfoA(&start_up);
  const int show_command =
      (start_up.dwFlags & STARTF_USESHOWWINDOW) != 0 ? start_up.wShowWindow : SW_SHOWDEFAULT;
  ExitProcess(static_cast<UINT>(Run(GetModuleHandleA(nullptr), show_command)));
}
#endif
