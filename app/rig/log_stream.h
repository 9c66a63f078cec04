// The log streamed on testz.exe's standard output while an unattended run goes on, for whoever
// started the program with a pipe or a file there: testz.com, a CI runner, a redirect.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "io_thread.h"

// Lines are written as given, UTF-8, each ending in CR LF, by a thread of the stream's own: a call
// only queues its line and never waits for the reader, which may be slow or read nothing at all.
// A progress line waiting to be written is replaced by the next one. Where testz.com shows progress
// in place, a progress line begins with kProgressMarker (companion_protocol.h), which testz.com
// strips; otherwise it is a plain line. Control characters in a text are written as spaces, so
// that a text is always one line and never begins with the marker.
class LogStream {
 public:
  // The stream on this process's standard output where that is a pipe or a file; nothing on a
  // console, without a standard output, or where the system could not start the stream's thread.
  static std::optional<LogStream> OnStandardOutput(bool progress_in_place);
  // The stream to `output`, a pipe or a file (the stream keeps a handle of its own to it).
  static std::optional<LogStream> To(HANDLE output, bool progress_in_place);

  LogStream(LogStream&& other) noexcept;
  LogStream& operator=(LogStream&& other) noexcept;
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;
  // Cuts a write still blocked short: what is not written by then is dropped.
  ~LogStream();

  // A line of the log, as it is written into the window's log.
  void Line(std::string_view utf8);
  // The halt loop's count, as the window shows it.
  void Progress(std::string_view utf8);
  // The run's last line (its outcome and exit code): nothing is written after it.
  void Last(std::string_view utf8);

  // Waits up to `limit` for every line to be written; true when they were. False also once a write
  // failed (the reader has gone): nothing more is written then.
  bool Flush(std::chrono::milliseconds limit);

 private:
  struct Queue;
  enum class Kind { kLine, kProgress, kLast };

  LogStream(std::unique_ptr<Queue> queue, IoThread writer);
  void Add(std::string_view utf8, Kind kind);
  // Ends the writer, its write cut short.
  void Stop() noexcept;

  std::unique_ptr<Queue> queue_;
  IoThread writer_;  // goes before the queue it writes from
};
