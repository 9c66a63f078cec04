// A window whose messages go to one C++ object.
#pragma once

#include <windows.h>

// Registers a window class once per process; true when it is registered. The class's icons, when
// given, are those of each of its windows that has none of its own; they must last as long as the
// class.
bool RegisterWindowClassOnce(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                             UINT style, HBRUSH background, HICON large_icon = nullptr,
                             HICON small_icon = nullptr);

// The object behind one window of a registered class: the class's procedure hands every message
// to HandleMessage. The object must outlive its window; destroying the object first detaches it
// and then destroys the window.
class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

 protected:
  Window() = default;
  virtual ~Window();

  // Detaches the object and destroys its window, if it still exists. A derived object calls it
  // in its own destructor, before its members (fonts the controls use) are gone.
  void Destroy();

  // The procedure of every class whose windows are Window objects. No exception leaves it: a
  // message whose handler throws gets what fits it instead. A window being created is refused
  // (WM_NCCREATE answers FALSE, WM_CREATE -1), a close goes to HandleClose, and every other
  // message gets the system's default handling; the window goes on.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

  // Creates the window; Handle() is set before its first message is handled.
  HWND Create(HINSTANCE instance, const char* class_name, const char* caption, DWORD style,
              DWORD ex_style, int left, int top, int width, int height, HWND parent);

  virtual LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) = 0;

  // The window's handling of WM_CLOSE, which must not throw. A close whose handling threw comes
  // here too, never to the system's default handling, which would destroy the window whatever the
  // window has to do first.
  virtual void HandleClose() noexcept = 0;

 private:
  HWND handle_ = nullptr;
};
