// The log as one text: its lines, CR LF between them.
#include "log_text.h"

#include <cstddef>

std::string LogText(const std::vector<std::string>& lines) {
  std::size_t count = lines.size();
  if (count > 0 && lines[count - 1].empty()) --count;
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

std::string LogText(const ListControl& log) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(log.Count()));
  for (int i = 0; i < log.Count(); ++i) lines.push_back(log.Read(i));
  return LogText(lines);
}
