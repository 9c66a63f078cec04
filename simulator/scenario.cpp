// Reading scenario texts: "key = value" lines, "#" comment lines, blank lines.
#include "scenario.h"

#include <algorithm>
#include <utility>

const std::string_view kDemoScenarioText =
    R"(# The demo: a few interfaces of several kinds are attached; the processor halts after two
# seconds of attempts, as if the board had been power-cycled meanwhile.
version = unit_kelm.DLL SIMULATOR 1.00 - a simulation for trying the program; no hardware is used
dll_version = 100
cable_version = 3
count.3 = 2
descriptor.3.1 = USB Veyra ZV  S/N 24170331  (simulated)
descriptor.3.2 = USB Veyra PLEX  S/N 25021187  (simulated)
count.4 = 2
descriptor.4.1 = COM1  (simulated)
descriptor.4.2 = COM3  (simulated)
count.6 = 1
descriptor.6.1 = Pendrel Vell  192.168.1.47:2020  (simulated)
count.7 = 1
descriptor.7.1 = Quillon USB  S/N QU004172  (simulated)
halt = milliseconds 2000
not_halted_status = 0x00
delay_us = 500
)";
const char* const kDemoScenarioSource = "built-in demo";

const char* FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::none: return "none";
    case FaultKind::access_violation: return "access_violation";
    case FaultKind::illegal_instruction: return "illegal_instruction";
    case FaultKind::divide_by_zero: return "divide_by_zero";
    case FaultKind::stack_overflow: return "stack_overflow";
    case FaultKind::callee_pops: return "callee_pops";
  }
  return "none";
}

Scenario ErrorScenario(const std::string& source, const std::string& message) {
  Scenario scenario;
  scenario.source = source;
  scenario.version.text = message;
  scenario.dll_version = 0;
  scenario.cable_version = 0;
  scenario.open_port = 0;
  scenario.mode_swd = 0;
  scenario.mode_jtag = 0;
  scenario.check_critical_error = 1;
  scenario.halt.kind = HaltBehaviour::Kind::never;
  return scenario;
}

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits off the first blank-separated word of s.
std::string_view NextWord(std::string_view& s) {
  s = Trim(s);
  const std::size_t end = std::min(s.find(' '), s.find('\t'));
  const std::string_view word = s.substr(0, end);
  s = end == std::string_view::npos ? std::string_view() : Trim(s.substr(end));
  return word;
}

// Decimal, or hexadecimal after 0x; at most 32 bits.
bool ParseNumber(std::string_view s, std::uint32_t& value) {
  unsigned base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  std::uint64_t v = 0;
  for (const char c : s) {
    unsigned digit = 16;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    if (digit >= base) return false;
    v = v * base + digit;
    if (v > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

class Parser {
 public:
  Parser(const std::string& source, std::string& error) : source_(source), error_(error) {
    scenario_.source = source;
    scenario_.version.text = "unit_kelm.DLL SIMULATOR: scenario " + source;
  }

  std::optional<Scenario> Parse(std::string_view text) {
    while (!text.empty()) {
      ++line_;
      const std::size_t end = text.find('\n');
      const std::string_view line = Trim(text.substr(0, end));
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      if (line.empty() || line.front() == '#') continue;
      const std::size_t equals = line.find('=');
      if (equals == std::string_view::npos) return Fail("expected \"key = value\"");
      const std::string key(Trim(line.substr(0, equals)));
      const auto [earlier, first_time] = seen_.emplace(key, line_);
      if (!first_time) {
        return Fail("\"" + key + "\" is already set on line " + std::to_string(earlier->second));
      }
      if (!Set(key, Trim(line.substr(equals + 1)))) return std::nullopt;
    }
    for (const auto& [type_and_number, line] : listed_lines_) {
      const auto [type, number] = type_and_number;
      if (number == 0 || number > scenario_.ports[type - kFirstPortType].count) {
        line_ = line;
        return Fail("port " + std::to_string(number) + " is not among the " +
                    std::to_string(scenario_.ports[type - kFirstPortType].count) +
                    " ports of type " + std::to_string(type));
      }
    }
    if (!WindowsEndBeforeTheNextPowerUp()) return std::nullopt;
    return scenario_;
  }

 private:
  std::optional<Scenario> Fail(const std::string& problem) {
    error_ = source_ + ":" + std::to_string(line_) + ": " + problem;
    return std::nullopt;
  }

  bool Problem(const std::string& problem) {
    Fail(problem);
    return false;
  }

  bool Number(std::string_view value, std::uint32_t& out) {
    if (ParseNumber(value, out)) return true;
    return Problem("\"" + std::string(value) + "\" is not a 32-bit number");
  }

  bool Text(std::string_view value, SimulatedText& text) {
    text = SimulatedText{};
    if (value == "null") {
      text.kind = SimulatedText::Kind::null;
    } else if (value == "unterminated") {
      text.kind = SimulatedText::Kind::unterminated;
    } else if (value == "unreadable") {
      text.kind = SimulatedText::Kind::unreadable;
    } else if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      text.text = value.substr(1, value.size() - 2);
    } else if (std::string_view number = value; NextWord(number) == "address") {
      text.kind = SimulatedText::Kind::address;
      return Number(number, text.address);
    } else {
      text.text = value;
    }
    return true;
  }

  // The port type of "count.T" or "descriptor.T..."; 0 when it is not 3 to 9.
  static std::uint32_t PortType(std::string_view digits) {
    std::uint32_t type = 0;
    if (digits.size() != 1 || !ParseNumber(digits, type)) return 0;
    return type >= kFirstPortType && type <= kLastPortType ? type : 0;
  }

  bool Set(const std::string& key, std::string_view value) {
    if (key == "version") return Text(value, scenario_.version);
    if (key == "dll_version") return Number(value, scenario_.dll_version);
    if (key == "cable_version") return Number(value, scenario_.cable_version);
    if (key == "open_port") return Number(value, scenario_.open_port);
    if (key == "mode_swd") return Number(value, scenario_.mode_swd);
    if (key == "mode_jtag") return Number(value, scenario_.mode_jtag);
    if (key == "check_critical_error") return Number(value, scenario_.check_critical_error);
    if (key == "delay_us") return Number(value, scenario_.delay_us);
    if (key == "halt") return Halt(value);
    if (key == "not_halted_status") return NotHaltedStatus(value);
    if (key == "status_bytes") return StatusBytes(value);
    if (key == "power_up_gap_ms") return PowerUpGap(value);
    if (key == "power_up_seed") return Number(value, scenario_.power_ups.seed);
    const std::size_t dot = key.find('.');
    const std::string_view kind = std::string_view(key).substr(0, dot);
    const std::string_view rest =
        dot == std::string::npos ? std::string_view() : std::string_view(key).substr(dot + 1);
    if (kind == "count" && PortType(rest) != 0) {
      return Number(value, scenario_.ports[PortType(rest) - kFirstPortType].count);
    }
    if (kind == "descriptor") return Descriptor(rest, value);
    if (kind == "fault") return FaultIn(rest, value);
    if (kind == "sleep_ms") return SleepIn(rest, value);
    return Problem("unknown key \"" + key + "\"");
  }

  bool Descriptor(std::string_view rest, std::string_view value) {
    const std::uint32_t type = PortType(rest.substr(0, rest.find('.')));
    if (type == 0) return Problem("a descriptor needs a port type from 3 to 9");
    SimulatedPorts& ports = scenario_.ports[type - kFirstPortType];
    if (rest.size() == 1) return Text(value, ports.every.emplace());
    std::uint32_t number = 0;
    if (rest[1] != '.' || !ParseNumber(rest.substr(2), number)) {
      return Problem("expected \"descriptor.T\" or \"descriptor.T.N\" with a port number N");
    }
    listed_lines_[{type, number}] = line_;
    return Text(value, ports.listed[number]);
  }

  bool Halt(std::string_view value) {
    HaltBehaviour& halt = scenario_.halt;
    const std::string_view kind = NextWord(value);
    if (kind == "never" && value.empty()) {
      halt.kind = HaltBehaviour::Kind::never;
      return true;
    }
    if (kind == "file" && !value.empty()) {
      halt.kind = HaltBehaviour::Kind::file;
      halt.file = value;
      return true;
    }
    if (kind == "touched") {
      halt.kind = HaltBehaviour::Kind::touched;
      if (!Number(NextWord(value), halt.amount)) return false;
      if (value.empty()) return Problem("\"touched\" takes a window in microseconds and a file");
      halt.file = value;
      return true;
    }
    if (kind == "attempts" || kind == "milliseconds") {
      halt.kind =
          kind == "attempts" ? HaltBehaviour::Kind::attempts : HaltBehaviour::Kind::milliseconds;
      if (!Number(value, halt.amount)) return false;
      if (halt.amount == 0 && halt.kind == HaltBehaviour::Kind::attempts) {
        return Problem("the processor halts at an attempt: \"attempts\" counts from 1");
      }
      return true;
    }
    if (kind == "power_ups" || kind == "count_power_ups") return PowerUpWindows(kind, value);
    return Problem(
        "expected \"never\", \"attempts N\", \"milliseconds N\", \"file PATH\", "
        "\"touched W PATH\", \"power_ups W\" or \"count_power_ups W ...\"");
  }

  // "power_ups W" or "count_power_ups W W ...": windows in microseconds.
  bool PowerUpWindows(std::string_view kind, std::string_view value) {
    HaltBehaviour& halt = scenario_.halt;
    halt.kind =
        kind == "power_ups" ? HaltBehaviour::Kind::power_ups : HaltBehaviour::Kind::count_power_ups;
    halt.windows_us.clear();
    while (!value.empty()) {
      std::uint32_t window = 0;
      if (!Number(NextWord(value), window)) return false;
      if (window == 0) return Problem("a haltable window lasts at least 1 microsecond");
      halt.windows_us.push_back(window);
    }
    const bool counting = halt.kind == HaltBehaviour::Kind::count_power_ups;
    if (halt.windows_us.empty() || (!counting && halt.windows_us.size() > 1)) {
      return Problem(
          "\"power_ups\" takes one window in microseconds, \"count_power_ups\" one or more");
    }
    return true;
  }

  bool PowerUpGap(std::string_view value) {
    constexpr const char* kForm = "expected \"MIN MAX\", milliseconds with 1 <= MIN <= MAX";
    PowerUps& power_ups = scenario_.power_ups;
    const std::string_view min = NextWord(value);
    const std::string_view max = NextWord(value);
    if (max.empty() || !value.empty()) return Problem(kForm);
    if (!Number(min, power_ups.gap_min_ms) || !Number(max, power_ups.gap_max_ms)) return false;
    if (power_ups.gap_min_ms == 0 || power_ups.gap_max_ms < power_ups.gap_min_ms) {
      return Problem(kForm);
    }
    return true;
  }

  // A window must be over before the board can power up again.
  bool WindowsEndBeforeTheNextPowerUp() {
    const std::vector<std::uint32_t>& windows = scenario_.halt.windows_us;
    if (windows.empty()) return true;
    const std::uint64_t longest = *std::max_element(windows.begin(), windows.end());
    const std::uint64_t gap_us = std::uint64_t{scenario_.power_ups.gap_min_ms} * 1000;
    if (longest <= gap_us) return true;
    line_ = seen_.at("halt");
    return Problem("a window of " + std::to_string(longest) +
                   " microseconds outlasts the shortest gap between power-ups, " +
                   std::to_string(scenario_.power_ups.gap_min_ms) + " ms");
  }

  bool NotHaltedStatus(std::string_view value) {
    if (value == "untouched") {
      scenario_.not_halted_status.reset();
      return true;
    }
    std::uint32_t status = 0;
    if (!ParseNumber(value, status) || status > 0xFF) {
      return Problem("expected a byte value or \"untouched\"");
    }
    scenario_.not_halted_status = static_cast<std::uint8_t>(status);
    return true;
  }

  bool StatusBytes(std::string_view value) {
    std::uint32_t& bytes = scenario_.status_bytes;
    if (!ParseNumber(value, bytes) || (bytes != 1 && bytes != 4)) return Problem("expected 1 or 4");
    return true;
  }

  // The index of the export named in "fault.EXPORT" or "sleep_ms.EXPORT".
  bool ExportNamed(std::string_view name, std::size_t& e) {
    e = 0;
    while (e < kExportCount && name != kExportNames[e]) ++e;
    if (e < kExportCount) return true;
    return Problem("no export is named \"" + std::string(name) + "\"");
  }

  bool SleepIn(std::string_view export_name, std::string_view value) {
    std::size_t e = 0;
    return ExportNamed(export_name, e) && Number(value, scenario_.sleep_ms[e]);
  }

  bool FaultIn(std::string_view export_name, std::string_view value) {
    std::size_t e = 0;
    if (!ExportNamed(export_name, e)) return false;
    Fault& fault = scenario_.faults[e];
    const std::string_view kind = NextWord(value);
    fault.kind = FaultKind::none;
    for (const FaultKind k :
         {FaultKind::access_violation, FaultKind::illegal_instruction, FaultKind::divide_by_zero,
          FaultKind::stack_overflow, FaultKind::callee_pops}) {
      if (kind == FaultName(k)) fault.kind = k;
    }
    if (fault.kind == FaultKind::none) {
      return Problem("unknown fault \"" + std::string(kind) + "\"");
    }
    if (fault.kind == FaultKind::callee_pops && kArgumentSlots[e] == 0) {
      return Problem("callee_pops needs an export that takes arguments");
    }
    if (value.empty()) return true;
    if (NextWord(value) != "after") return Problem("expected \"after N\" after the fault");
    return Number(value, fault.after_calls);
  }

  const std::string& source_;
  std::string& error_;
  Scenario scenario_;
  int line_ = 0;
  std::map<std::string, int> seen_;
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> listed_lines_;
};

}  // namespace

std::optional<Scenario> ParseScenario(std::string_view text, const std::string& source,
                                      std::string& error) {
  return Parser(source, error).Parse(text);
}
