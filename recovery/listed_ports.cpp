// The chosen kind's descriptors kept from the report, and the port a choice names among them.
#include "listed_ports.h"

#include <algorithm>

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return AsciiLower(a) == AsciiLower(b); }) != text.end();
}

}  // namespace

void ListedPorts::Listed(const InterfaceKind& kind, std::uint32_t port,
                         std::string_view descriptor) {
  if (&kind != kind_) return;
  if (choice_.text.empty() && port > choice_.number) return;
  descriptors_.emplace_back(descriptor);
}

ListedPorts::Chosen ListedPorts::Choose() const {
  if (choice_.text.empty()) return {choice_.number, 1};
  Chosen chosen{std::nullopt, 0};
  for (std::size_t i = 0; i < descriptors_.size(); ++i) {
    if (!ContainsIgnoringCase(descriptors_[i], choice_.text)) continue;
    ++chosen.matches;
    chosen.port = static_cast<std::uint32_t>(i + 1);
  }
  if (chosen.matches != 1) chosen.port.reset();
  return chosen;
}
