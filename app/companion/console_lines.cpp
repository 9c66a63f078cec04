// The console's lines: whole lines out of testz.exe's output, and the progress line kept in place.
#include "console_lines.h"

#include <utility>

namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) {
    if (!IsContinuationByte(c)) ++count;
  }
  return count;
}

// The first `count` characters of UTF-8 `text`.
std::string_view Cut(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t seen = 0; end < text.size(); ++end) {
    if (!IsContinuationByte(text[end]) && seen++ == count) break;
  }
  return text.substr(0, end);
}

}  // namespace

std::vector<std::string> LineSplitter::Take(std::string_view bytes) {
  std::vector<std::string> lines;
  for (char c : bytes) {
    if (c != '\n') {
      partial_ += c;
      continue;
    }
    if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    lines.push_back(std::move(partial_));
    partial_.clear();
  }
  return lines;
}

std::optional<std::string> LineSplitter::Rest() {
  if (partial_.empty()) return std::nullopt;
  return std::exchange(partial_, std::string());
}

std::string ConsoleLines::Line(std::string_view line) {
  if (shown_ == 0) return std::string(line) + "\r\n";
  // Spaces over the progress line, then the line in its place and the progress line below.
  return "\r" + std::string(shown_, ' ') + "\r" + std::string(line) + "\r\n" + progress_;
}

std::string ConsoleLines::Progress(std::string_view text, std::size_t columns) {
  const std::string_view cut = Cut(text, columns > 1 ? columns - 1 : 0);
  const std::size_t characters = Characters(cut);
  std::string written = "\r" + std::string(cut);
  // What is left of a longer line is blanked, and the cursor goes back to the text's end.
  if (shown_ > characters) {
    written += std::string(shown_ - characters, ' ') + std::string(shown_ - characters, '\b');
  }
  progress_ = std::string(cut);
  shown_ = characters;
  return written;
}

std::string ConsoleLines::End() {
  if (shown_ == 0) return {};
  shown_ = 0;
  progress_.clear();
  return "\r\n";
}
