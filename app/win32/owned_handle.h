// Owned: one handle of the system's, given back through the one call that closes it when its
// owner goes.
#pragma once

#include <windows.h>

#include <utility>

// Owns `handle` and calls Close(handle) when it goes, unless the handle is null. Move-only.
template <typename Handle, auto Close>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) noexcept : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Handle{}; }

  // Gives the handle up to whoever takes it over, closing nothing.
  Handle Release() noexcept { return std::exchange(handle_, Handle{}); }

  // Closes the handle held, if any, and holds `handle` instead.
  void Reset(Handle handle = Handle{}) noexcept {
    if (handle_ != Handle{}) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

// A kernel object's handle (a file, a process, a thread, a job), closed when it goes.
using KernelHandle = Owned<HANDLE, &CloseHandle>;

// CreateFile's handle, whose failure is INVALID_HANDLE_VALUE rather than null.
inline KernelHandle OpenedFile(HANDLE file) {
  return KernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A COM object's reference, released when it goes: Owned<Interface*, &ReleaseComObject<Interface>>.
template <typename Interface>
void ReleaseComObject(Interface* object) {
  object->Release();
}
