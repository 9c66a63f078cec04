// Fuzz target: random sequences of log writes, appends and clears, checked against the log's rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "output_log.h"

namespace {

class MemoryList final : public ListControl {
 public:
  std::vector<std::string> lines;
  int first_visible = -1;

  int Count() const override { return static_cast<int>(lines.size()); }
  bool Add(std::string_view text) override {
    lines.emplace_back(text);
    return true;
  }
  std::string Read(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  bool Replace(int index, std::string_view text) override {
    lines.at(static_cast<std::size_t>(index)) = std::string(text);
    return true;
  }
  void Clear() override { lines.clear(); }
  void SetFirstVisible(int index) override { first_visible = index; }
  void RedrawNow() override {}
};

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Blank(const std::string& line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) > 32) return false;
  }
  return true;
}

// The current line after appending text to a list whose lines were before.
std::string Appended(const std::vector<std::string>& before, const std::string& text) {
  const std::string cut = text.substr(0, kLogTextLimit);
  if (before.empty() || Blank(before.back())) return cut;
  return before.back() + cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryList list;
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t op = data[i++] % 3;
    if (op == 2) {
      list.Clear();
      continue;
    }
    // A text of up to 300 characters: longer than the limit now and then.
    std::size_t length = i < size ? data[i++] : 0;
    if (length > 200) length += 100;
    const std::string text(reinterpret_cast<const char*>(data + i), std::min(length, size - i));
    i += text.size();

    const std::vector<std::string> before = list.lines;
    const std::size_t kept = before.empty() ? 0 : before.size() - 1;
    if (op == 0) {
      LogAppend(list, text);
      Check(list.lines.size() == kept + 1);
      Check(list.lines.back() == Appended(before, text));
    } else {
      LogWriteLine(list, text);
      Check(list.lines.size() == kept + 2);
      Check(list.lines[kept] == Appended(before, text));
      Check(list.lines.back().empty());
      Check(list.first_visible == static_cast<int>(list.lines.size()) - 1);
    }
    for (std::size_t line = 0; line < kept; ++line) Check(list.lines[line] == before[line]);
  }
  return 0;
}
