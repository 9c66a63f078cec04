// The descriptors the report listed for the chosen interface kind, kept as far as the port choice
// needs them, and the port that choice names among them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "interface_kinds.h"
#include "port_choice.h"

class ListedPorts {
 public:
  // What the choice found: the port chosen, or none when its text is in no descriptor or in
  // several, with how many descriptors hold the text (1 for a choice by number).
  struct Chosen {
    std::optional<std::uint32_t> port;
    std::size_t matches = 1;
  };

  // `kind` is the kind START connects to; none for the report alone, which keeps nothing.
  ListedPorts(const InterfaceKind* kind, PortChoice choice)
      : kind_(kind), choice_(std::move(choice)) {}

  // The report lists `port` (from 1, in order) of `kind` with its descriptor as the log shows it.
  // Only the chosen kind's are kept; for a choice by number, none after the chosen port.
  void Listed(const InterfaceKind& kind, std::uint32_t port, std::string_view descriptor);

  // The chosen kind's descriptors from port 1 on, as kept.
  const std::vector<std::string>& descriptors() const { return descriptors_; }
  const PortChoice& choice() const { return choice_; }

  // By number: that number, whatever is attached. By text: the one port whose descriptor contains
  // it, ASCII letters compared without regard to case.
  Chosen Choose() const;

 private:
  const InterfaceKind* kind_;
  PortChoice choice_;
  std::vector<std::string> descriptors_;
};
