// The call trace: one line per library call, consecutive equal halt attempts on one counted line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

class Trace {
 public:
  // Appends to what the file already holds.
  explicit Trace(OutputFile file);

  // Writes one line; it also ends a run of repeated lines.
  void Line(std::string_view text);

  // Writes "<text> x <count>": the first time as a new line with count 1; when the previous
  // line is the same repeated text, its count goes up by one, rewritten in place, so the file
  // always shows every completed call.
  void Repeated(std::string_view text);

 private:
  OutputFile file_;
  std::uint64_t end_ = 0;
  std::string repeated_;  // the text of the last line while it is a repeated one
  std::uint64_t count_ = 0;
  std::uint64_t count_offset_ = 0;
};
