// What the baseline programs share: one top-level window of the program's size and a plain loop.
#include "baseline_common.h"

#include "main_form_layout.h"

HWND CreateBaselineWindow(HINSTANCE instance, const char* class_name, const char* caption,
                          WNDPROC procedure, DWORD extra_style) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = class_name;
  if (RegisterClassA(&window_class) == 0) return nullptr;
  return CreateWindowExA(0, class_name, caption, WS_OVERLAPPEDWINDOW | extra_style, 0, 0,
                         kOuterWidth, kOuterHeight, nullptr, nullptr, instance, nullptr);
}

HFONT CreateLayoutFont() {
  return CreateFontA(-MulDiv(kFontPoints, kDesignDpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, 0, 0, 0, 0, kFontFace);
}

HWND CreateLogListBox(HWND window, HINSTANCE instance, HFONT font) {
  RECT client{};
  GetClientRect(window, &client);
  const Bounds bounds =
      PlaceOf(LayOutMainForm(client.right, client.bottom, kDesignDpi, kDesignTextHeight),
              ControlName::ListBox1)
          .bounds;
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
      bounds.left, bounds.top, bounds.width, bounds.height, window, nullptr, instance, nullptr);
  if (list == nullptr) return nullptr;
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(list, LB_SETITEMHEIGHT, 0, kDesignTextHeight);
  return list;
}

HWND ShowBaselineWindow(HINSTANCE instance, const char* class_name, const char* caption,
                        WNDPROC procedure, int show_command) {
  HWND window = CreateBaselineWindow(instance, class_name, caption, procedure, 0);
  if (window == nullptr) return nullptr;
  ShowWindow(window, show_command);
  UpdateWindow(window);
  return window;
}

int RunPlainMessageLoop() {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void PassOverPendingMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
