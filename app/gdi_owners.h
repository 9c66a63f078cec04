// Owners of GDI objects, device contexts, selections and paints: each undoes its call as it goes.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

// Owns one GDI object (a font, a brush) and deletes it when it goes.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle Get() const { return handle_; }

 private:
  void Reset() {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = nullptr;
  }

  Handle handle_ = nullptr;
};

// A device context from GetDC, released to its window (null: the screen) when it goes.
struct ReleaseDeviceContext {
  HWND window = nullptr;
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
using WindowDc = std::unique_ptr<std::remove_pointer_t<HDC>, ReleaseDeviceContext>;
inline WindowDc DeviceContextOf(HWND window) {
  return WindowDc(GetDC(window), ReleaseDeviceContext{window});
}

// A memory device context from CreateCompatibleDC, deleted when it goes.
struct DeleteDeviceContext {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDeviceContext>;

// An object selected into a device context; the one it replaced is selected back when it goes.
struct SelectBack {
  HGDIOBJ previous = nullptr;
  void operator()(HDC dc) const { SelectObject(dc, previous); }
};
using Selection = std::unique_ptr<std::remove_pointer_t<HDC>, SelectBack>;
inline Selection Select(HDC dc, HGDIOBJ object) {
  return Selection(dc, SelectBack{SelectObject(dc, object)});
}

// One WM_PAINT's drawing, from BeginPaint to EndPaint.
class Painting {
 public:
  explicit Painting(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~Painting() { EndPaint(window_, &paint_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;

  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};
