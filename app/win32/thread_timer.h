// A timer of the calling thread's own, without a window, killed when its owner goes.
#pragma once

#include <windows.h>

#include <functional>

// `tick` runs every `milliseconds` on the thread that made the timer, from its message loop or
// from a pass over pending messages (a running handler's), until the timer goes.
class ThreadTimer {
 public:
  ThreadTimer(UINT milliseconds, std::function<void()> tick);
  ~ThreadTimer();
  ThreadTimer(const ThreadTimer&) = delete;
  ThreadTimer& operator=(const ThreadTimer&) = delete;

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);

  std::function<void()> tick_;
  UINT_PTR id_ = 0;
};
