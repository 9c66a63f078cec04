// The report-rendering baseline: given lines added to a bare list box, one immediate redraw each.
//
// Reads lines.txt from its current folder and shows a window placed, sized and lettered like the
// program's: a list box where the program's log is and a START button. START adds every line at
// the end of the list, scrolls it so that the newest line is in view and redraws the list at
// once, line by line, with START disabled meanwhile.
#include <windows.h>

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
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
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

HWND CreateChild(const char* window_class, const char* text, DWORD style, DWORD ex_style,
                 const Bounds& bounds, HWND parent, int id, HINSTANCE instance, HFONT font) {
  HWND child =
      CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, bounds.left,
                      bounds.top, bounds.width, bounds.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (child != nullptr) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  std::ifstream file("lines.txt", std::ios::binary);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  if (lines.empty()) return 2;

  HWND window = CreateBaselineWindow(instance, kClassName, kCaption, &Procedure, WS_CLIPCHILDREN);
  if (window == nullptr) return 1;
  const GdiObject<HFONT> font(CreateFontA(-MulDiv(kFontPoints, kDesignDpi, 72), 0, 0, 0, FW_NORMAL,
                                          FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                          kFontFace));
  RECT client{};
  GetClientRect(window, &client);
  const MainFormPlaces places =
      LayOutMainForm(client.right, client.bottom, kDesignDpi, kDesignTextHeight);
  list =
      CreateChild("LISTBOX", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
                  PlaceOf(places, ControlName::ListBox1).bounds, window, 0, instance, font.Get());
  start = CreateChild("BUTTON", "START", BS_PUSHBUTTON, 0, LayoutOf(ControlName::Button1).bounds,
                      window, kStartId, instance, font.Get());
  if (list == nullptr || start == nullptr) return 1;
  SendMessageA(list, LB_SETITEMHEIGHT, 0, kDesignTextHeight);
  ShowWindow(window, show_command);
  UpdateWindow(window);

  return RunPlainMessageLoop();
}
