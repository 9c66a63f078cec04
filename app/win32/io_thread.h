// A thread of the program's own for reads and writes that may block (a pipe nobody reads, a pipe
// nothing writes to), which its owner can cut short.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "owned_handle.h"

class IoThread {
 public:
  // Runs `work` on a new thread, which lets no exception out; empty when the system could not
  // start one.
  static IoThread Start(std::function<void()> work);

  IoThread() = default;
  IoThread(IoThread&&) noexcept = default;
  IoThread& operator=(IoThread&& other) noexcept;
  IoThread(const IoThread&) = delete;
  IoThread& operator=(const IoThread&) = delete;
  // Cuts the thread short (see CutShort) and waits for its end.
  ~IoThread() { CutShort(); }

  explicit operator bool() const noexcept { return static_cast<bool>(thread_); }

  // Waits up to `limit` for the thread to end; true once it has.
  bool Ended(std::chrono::milliseconds limit) const;

  // Cancels the read or write the thread is blocked in, again and again until the thread has
  // ended. Its work must have been told to end first, so that it starts nothing else that waits.
  void CutShort() noexcept;

 private:
  KernelHandle thread_;
};
