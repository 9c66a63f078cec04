// A thread's timer without a window: the system names it by an id, which leads back to its owner.
#include "thread_timer.h"

#include <map>
#include <utility>

namespace {

// The timers of each thread, by the id the system gave them.
thread_local std::map<UINT_PTR, ThreadTimer*> timers;

}  // namespace

ThreadTimer::ThreadTimer(UINT milliseconds, std::function<void()> tick)
    : tick_(std::move(tick)), id_(SetTimer(nullptr, 0, milliseconds, &OnTimer)) {
  if (id_ != 0) timers[id_] = this;
}

ThreadTimer::~ThreadTimer() {
  if (id_ == 0) return;
  KillTimer(nullptr, id_);
  timers.erase(id_);
}

void CALLBACK ThreadTimer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const auto timer = timers.find(id);
  if (timer != timers.end()) timer->second->tick_();
}
