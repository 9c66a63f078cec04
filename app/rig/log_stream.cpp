// The streamed log: lines queued by the caller and written by the stream's own thread.
#include "log_stream.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "companion_protocol.h"
#include "owned_handle.h"
#include "text_output.h"

struct LogStream::Queue {
  struct Entry {
    std::string bytes;  // with the line end
    bool progress = false;
  };

  // Writes what is queued until it is told to stop or a write fails.
  void Write();

  KernelHandle output;
  bool progress_in_place = false;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Entry> pending;
  bool writing = false;
  bool stopping = false;
  bool failed = false;
  bool ended = false;  // the last line was queued
};

void LogStream::Queue::Write() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    changed.wait(lock, [&] { return stopping || !pending.empty(); });
    if (stopping) return;
    std::string bytes;
    for (const Entry& entry : pending) bytes += entry.bytes;
    pending.clear();
    writing = true;
    lock.unlock();
    const bool written = WriteUtf8(output.Get(), bytes);
    lock.lock();
    writing = false;
    failed = !written;
    changed.notify_all();
    if (failed) return;
  }
}

std::optional<LogStream> LogStream::OnStandardOutput(bool progress_in_place) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!IsRedirected(output)) return std::nullopt;
  return To(output, progress_in_place);
}

std::optional<LogStream> LogStream::To(HANDLE output, bool progress_in_place) {
  auto queue = std::make_unique<Queue>();
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), output, GetCurrentProcess(), &own, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return std::nullopt;
  }
  queue->output.Reset(own);
  queue->progress_in_place = progress_in_place;
  IoThread writer = IoThread::Start([queue = queue.get()] { queue->Write(); });
  if (!writer) return std::nullopt;
  return LogStream(std::move(queue), std::move(writer));
}

LogStream::LogStream(std::unique_ptr<Queue> queue, IoThread writer)
    : queue_(std::move(queue)), writer_(std::move(writer)) {}

LogStream::LogStream(LogStream&& other) noexcept = default;

LogStream::~LogStream() {
  Stop();
}

LogStream& LogStream::operator=(LogStream&& other) noexcept {
  if (this != &other) {
    Stop();
    writer_ = std::move(other.writer_);
    queue_ = std::move(other.queue_);
  }
  return *this;
}

void LogStream::Stop() noexcept {
  if (!queue_) return;  // moved from
  {
    const std::lock_guard<std::mutex> lock(queue_->mutex);
    queue_->stopping = true;
  }
  queue_->changed.notify_all();
  writer_.CutShort();
}

void LogStream::Line(std::string_view utf8) {
  Add(utf8, Kind::kLine);
}

void LogStream::Progress(std::string_view utf8) {
  Add(utf8, Kind::kProgress);
}

void LogStream::Last(std::string_view utf8) {
  Add(utf8, Kind::kLast);
}

void LogStream::Add(std::string_view utf8, Kind kind) {
  const bool progress = kind == Kind::kProgress;
  std::string bytes;
  bytes.reserve(utf8.size() + 3);
  if (progress && queue_->progress_in_place) bytes += kProgressMarker;
  for (char c : utf8) {
    const auto code = static_cast<unsigned char>(c);
    bytes += code < 0x20 || code == 0x7F ? ' ' : c;
  }
  bytes += "\r\n";
  {
    const std::lock_guard<std::mutex> lock(queue_->mutex);
    if (queue_->ended || queue_->failed) return;
    std::vector<Queue::Entry>& pending = queue_->pending;
    if (progress) {
      pending.erase(std::remove_if(pending.begin(), pending.end(),
                                   [](const Queue::Entry& entry) { return entry.progress; }),
                    pending.end());
    }
    pending.push_back({std::move(bytes), progress});
    queue_->ended = kind == Kind::kLast;
  }
  queue_->changed.notify_all();
}

bool LogStream::Flush(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(queue_->mutex);
  const auto written = [&] { return queue_->pending.empty() && !queue_->writing; };
  queue_->changed.wait_for(lock, limit, [&] { return written() || queue_->failed; });
  return written() && !queue_->failed;
}
