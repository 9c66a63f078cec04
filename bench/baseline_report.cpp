// The report-rendering baseline: given lines added to a bare list box, one immediate redraw each.
//
// Reads lines.txt from its current folder and shows a window placed, sized and lettered like the
// program's, with its manifest: a list box where the program's log is and a START button. START
// adds every line at the end of the list, scrolls it so that the newest line is in view and
// redraws the list's lines at once, line by line, with START disabled meanwhile.
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <string>
#include <vector>

#include "baseline_common.h"
#include "main_form_layout.h"
#include "gdi_owners.h"

namespace {

constexpr char kClassName[] = "ReportBaseline";
constexpr char kCaption[] = "Report baseline";
constexpr int kStartId = 1;

std::vector<std::string> lines;
HWND list = nullptr;
HWND start = nullptr;

void OnStart() {
  EnableWindow(start, FALSE);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i].c_str()));
    SendMessageA(list, LB_SETTOPINDEX, i, 0);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  EnableWindow(start, TRUE);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(w) == kStartId && HIWORD(w) == BN_CLICKED) OnStart();
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

HWND CreateStartButton(HWND window, HINSTANCE instance, HFONT font) {
  const Bounds& bounds = LayoutOf(ControlName::Button1).bounds;
  HWND button =
      CreateWindowExA(0, "BUTTON", "START", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, bounds.left,
                      bounds.top, bounds.width, bounds.height, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStartId)), instance, nullptr);
  if (button != nullptr) SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return button;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  std::ifstream file("lines.txt", std::ios::binary);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  if (lines.empty()) return 2;

  // The list box of the program's class: the common controls of its manifest.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  HWND window = CreateBaselineWindow(instance, kClassName, kCaption, &Procedure, WS_CLIPCHILDREN);
  if (window == nullptr) return 1;
  const GdiObject<HFONT> font(CreateLayoutFont());
  list = CreateLogListBox(window, instance, font.Get());
  start = CreateStartButton(window, instance, font.Get());
  if (list == nullptr || start == nullptr) return 1;
  ShowWindow(window, show_command);
  UpdateWindow(window);

  return RunPlainMessageLoop();
}
