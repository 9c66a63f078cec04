// testz.exe's standard output or error, read from its pipe on a thread of its own and written
// where testz.com's own goes as it comes.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "console_lines.h"
#include "io_thread.h"
#include "owned_handle.h"

// An interactive console that both relays write to: whole lines, the progress line in place.
class ConsoleScreen {
 public:
  explicit ConsoleScreen(HANDLE console) : console_(console) {}
  // Lines of testz.exe's output; a line that begins with kProgressMarker is a progress line.
  void Write(const std::vector<std::string>& lines);
  // The output has ended: the next output begins on a row of its own.
  void End();

 private:
  HANDLE console_;
  std::mutex mutex_;
  ConsoleLines lines_;
};

class OutputRelay {
 public:
  // Relays `pipe` to `destination`: through `screen` where that is a console (and `screen` not
  // null), else byte for byte. Empty where the system could not start its thread.
  static OutputRelay Start(KernelHandle pipe, HANDLE destination,
                           std::shared_ptr<ConsoleScreen> screen);

  OutputRelay() = default;
  OutputRelay(OutputRelay&&) noexcept = default;
  OutputRelay& operator=(OutputRelay&&) = delete;
  OutputRelay(const OutputRelay&) = delete;
  OutputRelay& operator=(const OutputRelay&) = delete;
  // Relays what the pipe holds already and stops.
  ~OutputRelay();

  // Once testz.exe has ended: waits up to `grace` for the pipe's end (a program testz.exe started
  // may hold it open), then relays only what the pipe already holds.
  void Finish(std::chrono::milliseconds grace);

 private:
  struct Reader {
    void Run();
    // Bytes read: relayed as lines to the screen, or as they are.
    void Pass(std::string_view bytes);

    KernelHandle pipe;
    HANDLE destination = nullptr;
    std::shared_ptr<ConsoleScreen> screen;
    LineSplitter splitter;
    std::atomic<bool> draining{false};
  };

  std::unique_ptr<Reader> reader_;
  IoThread thread_;  // goes before the reader it runs
};
