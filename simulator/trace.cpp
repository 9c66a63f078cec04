// The call trace: one line per library call, consecutive equal halt attempts on one counted line.
#include "trace.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

namespace {

// The count has a fixed width so that it can be rewritten in place.
constexpr int kCountDigits = 10;
constexpr std::uint64_t kLargestCount = 9999999999u;

std::string CountText(std::uint64_t count) {
  char digits[kCountDigits + 1];
  std::snprintf(digits, sizeof digits, "%0*" PRIu64, kCountDigits, count);
  return digits;
}

}  // namespace

Trace::Trace(OutputFile file) : file_(std::move(file)), end_(file_.Size()) {}

void Trace::Line(std::string_view text) {
  repeated_.clear();
  std::string line(text);
  line += '\n';
  file_.WriteAt(end_, line);
  end_ += line.size();
}

void Trace::Repeated(std::string_view text) {
  if (!repeated_.empty() && text == repeated_ && count_ < kLargestCount) {
    ++count_;
    file_.WriteAt(count_offset_, CountText(count_));
    return;
  }
  Line(std::string(text) + " x " + CountText(1));
  repeated_ = text;
  count_ = 1;
  count_offset_ = end_ - 1 - kCountDigits;
}
