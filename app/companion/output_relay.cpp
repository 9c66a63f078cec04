// The relays of testz.exe's output: a reader thread per pipe, one console screen for both.
#include "output_relay.h"

#include <utility>

#include "companion_protocol.h"
#include "text_output.h"

namespace {

// The columns of the console's rows, to cut a progress line to.
std::size_t Columns(HANDLE console) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(console, &info) || info.dwSize.X <= 0) return 80;
  return static_cast<std::size_t>(info.dwSize.X);
}

// Bytes that the pipe holds now, which a read takes without waiting.
bool Waiting(HANDLE pipe) {
  DWORD available = 0;
  return PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0;
}

}  // namespace

void ConsoleScreen::Write(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string& line : lines) {
    if (const std::optional<std::string_view> progress = ProgressText(line)) {
      text += lines_.Progress(*progress, Columns(console_));
    } else {
      text += lines_.Line(line);
    }
  }
  WriteUtf8(console_, text);
}

void ConsoleScreen::End() {
  const std::lock_guard<std::mutex> lock(mutex_);
  WriteUtf8(console_, lines_.End());
}

OutputRelay OutputRelay::Start(KernelHandle pipe, HANDLE destination,
                               std::shared_ptr<ConsoleScreen> screen) {
  OutputRelay relay;
  relay.reader_ = std::make_unique<Reader>();
  relay.reader_->pipe = std::move(pipe);
  relay.reader_->destination = destination;
  if (IsConsole(destination)) relay.reader_->screen = std::move(screen);
  relay.thread_ = IoThread::Start([reader = relay.reader_.get()] { reader->Run(); });
  if (!relay.thread_) return {};
  return relay;
}

OutputRelay::~OutputRelay() {
  if (reader_) reader_->draining = true;
}

void OutputRelay::Finish(std::chrono::milliseconds grace) {
  if (!thread_ || thread_.Ended(grace)) return;
  reader_->draining = true;
  thread_.CutShort();
}

void OutputRelay::Reader::Run() {
  char buffer[4096];
  for (;;) {
    if (draining && !Waiting(pipe.Get())) break;
    DWORD read = 0;
    if (ReadFile(pipe.Get(), buffer, sizeof buffer, &read, nullptr)) {
      Pass(std::string_view(buffer, read));
    } else if (GetLastError() != ERROR_OPERATION_ABORTED) {
      break;  // the pipe's end: every program holding it has closed it
    }
  }
  if (screen) {
    if (std::optional<std::string> rest = splitter.Rest()) screen->Write({std::move(*rest)});
  }
}

void OutputRelay::Reader::Pass(std::string_view bytes) {
  if (screen) {
    screen->Write(splitter.Take(bytes));
  } else {
    // Where testz.com's own output has gone, testz.exe's is still read, and dropped.
    WriteUtf8(destination, bytes);
  }
}
