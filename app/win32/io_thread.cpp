// The thread of blocking reads and writes, started with its work and cut short by cancelling them.
#include "io_thread.h"

#include <memory>
#include <utility>

namespace {

DWORD WINAPI RunWork(void* parameter) {
  const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  try {
    (*work)();
  } catch (...) {
    // The work's owner learns of its end, not of its reason: nothing leaves the thread.
  }
  return 0;
}

}  // namespace

IoThread IoThread::Start(std::function<void()> work) {
  auto parameter = std::make_unique<std::function<void()>>(std::move(work));
  IoThread started;
  started.thread_.Reset(CreateThread(nullptr, 0, &RunWork, parameter.get(), 0, nullptr));
  // The thread owns its work from now on.
  if (started.thread_) parameter.release();
  return started;
}

IoThread& IoThread::operator=(IoThread&& other) noexcept {
  if (this != &other) {
    CutShort();
    thread_ = std::move(other.thread_);
  }
  return *this;
}

bool IoThread::Ended(std::chrono::milliseconds limit) const {
  return !thread_ ||
         WaitForSingleObject(thread_.Get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

void IoThread::CutShort() noexcept {
  if (!thread_) return;
  // A cancel that comes between two calls finds nothing to cancel; the next one catches the call.
  constexpr DWORD kRetryMilliseconds = 20;
  while (WaitForSingleObject(thread_.Get(), kRetryMilliseconds) == WAIT_TIMEOUT) {
    CancelSynchronousIo(thread_.Get());
  }
  thread_.Reset();
}
