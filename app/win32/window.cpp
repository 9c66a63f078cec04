// A window whose messages go to one C++ object.
#include "window.h"

#include <exception>

Window::~Window() {
  Destroy();
}

void Window::Destroy() {
  if (handle_ == nullptr) return;
  // Detached first: the object is going, so the window's last messages go to the system.
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  if (IsWindow(handle_)) DestroyWindow(handle_);
  handle_ = nullptr;
}

bool RegisterWindowClassOnce(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                             UINT style, HBRUSH background, HICON large_icon, HICON small_icon) {
  WNDCLASSEXA window_class{};
  if (GetClassInfoExA(instance, class_name, &window_class)) return true;
  window_class.cbSize = sizeof(window_class);
  window_class.style = style;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = background;
  window_class.lpszClassName = class_name;
  window_class.hIcon = large_icon;
  window_class.hIconSm = small_icon;
  return RegisterClassExA(&window_class) != 0;
}

HWND Window::Create(HINSTANCE instance, const char* class_name, const char* caption, DWORD style,
                    DWORD ex_style, int left, int top, int width, int height, HWND parent) {
  return CreateWindowExA(ex_style, class_name, caption, style, left, top, width, height, parent,
                         nullptr, instance, this);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* object = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    object->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  }
  auto* object = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (object == nullptr) return DefWindowProcA(window, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    object->handle_ = nullptr;
    return DefWindowProcA(window, message, w, l);
  }
  // The system calls this through frames of its own: no exception may unwind through them. A
  // handler that fails leaves its message to what fits it, and the window goes on.
  try {
    return object->HandleMessage(message, w, l);
  } catch (const std::exception& error) {
    OutputDebugStringA(error.what());
  } catch (...) {
    OutputDebugStringA("a window handler failed");
  }
  switch (message) {
    // A window whose set-up failed is not made: its creation fails.
    case WM_NCCREATE: return FALSE;
    case WM_CREATE: return -1;
    // A close still goes through the window's own handling, which may defer it.
    case WM_CLOSE: object->HandleClose(); return 0;
  }
  return DefWindowProcA(window, message, w, l);
}
