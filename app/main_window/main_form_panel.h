// The main window's panel: a plain window on the button face that draws its raised edge.
#pragma once

#include <windows.h>

#include "gdi_owners.h"

// The system's button-face colour, as a window class's background.
inline HBRUSH ButtonFaceBackground() {
  return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
}

inline BOOL CALLBACK RedrawIfTransparent(HWND child, LPARAM) {
  if ((GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0) {
    InvalidateRect(child, nullptr, TRUE);
  }
  return TRUE;
}

// The panel's window procedure: draws its raised one-pixel edge and passes its children's
// notifications and colour requests on to its parent, the main window. Resized, it is drawn anew
// whole, over the transparent radio frames too, which are then drawn again after it.
inline LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE: EnumChildWindows(panel, &RedrawIfTransparent, 0); return 0;
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return SendMessageA(GetParent(panel), message, w, l);
    case WM_PAINT: {
      const Painting painting(panel);
      RECT edge;
      GetClientRect(panel, &edge);
      DrawEdge(painting.Dc(), &edge, BDR_RAISEDINNER, BF_RECT);
      return 0;
    }
  }
  return DefWindowProcA(panel, message, w, l);
}
