// The soak's random launches: scenarios with odd answers, faults and long reports, and the runs.
#include "soak_scenario.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "library_faults.h"

namespace {

constexpr unsigned kKinds = static_cast<unsigned>(kKindCount);

// The exports the program calls, and which of them take arguments (only those can be made to
// remove their own arguments).
const std::vector<std::string> kCalledExports = {"version",
                                                 "reenumerate_all_port_types",
                                                 "get_enumerated_number_of_ports",
                                                 "get_port_descriptor",
                                                 "open_port",
                                                 "close_port",
                                                 "reset_hardware_interface",
                                                 "check_critical_error",
                                                 "get_dll_version",
                                                 "get_cable_version",
                                                 "corvane_special_features"};

bool TakesArguments(const std::string& name) {
  return name == "get_enumerated_number_of_ports" || name == "get_port_descriptor" ||
         name == "open_port" || name == "corvane_special_features";
}

RunPlan RandomRun(Random& random) {
  RunPlan plan;
  plan.item = random.Percent(15) ? 0 : static_cast<int>(random.Between(1, kKinds));
  const unsigned roll = random.Below(100);
  plan.action = roll < 25   ? Action::none
                : roll < 60 ? Action::stop
                : roll < 70 ? Action::query_end_session
                : roll < 82 ? Action::close
                : roll < 92 ? Action::end_session
                            : Action::quit;
  const unsigned moment = random.Below(100);
  plan.delay_ms = moment < 30   ? 0
                  : moment < 70 ? static_cast<int>(random.Between(1, 60))
                                : static_cast<int>(random.Between(60, 600));
  return plan;
}

}  // namespace

std::string Hex8(std::uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
  return digits;
}

std::string LibraryText::ScenarioValue() const {
  switch (kind) {
    case Kind::null: return "null";
    case Kind::unterminated: return "unterminated";
    case Kind::unreadable: return "unreadable";
    case Kind::wild: return "address 0x10";
    case Kind::text: break;
  }
  return "\"" + text + "\"";
}

std::string LibraryText::Shown(std::size_t room) const {
  switch (kind) {
    case Kind::null:
    case Kind::unreadable:
    case Kind::wild: return "";
    case Kind::unterminated: {
      std::string pattern;
      while (pattern.size() < room) pattern += "unterminated ";
      return pattern.substr(0, room);
    }
    case Kind::text: break;
  }
  return text.substr(0, room);
}

bool Scenario::LongReport() const {
  return std::any_of(counts.begin(), counts.end(), [](unsigned n) { return n >= kLongCount; });
}

std::string Scenario::FileText() const {
  std::ostringstream out;
  out << "version = " << version.ScenarioValue() << "\n";
  for (unsigned i = 0; i < kKinds; ++i) {
    const std::uint32_t type = kInterfaceKinds[i].port_type;
    out << "count." << type << " = " << counts[i] << "\n";
    out << "descriptor." << type << " = " << descriptors[i].ScenarioValue() << "\n";
  }
  out << "open_port = 0x" << Hex8(open_port) << "\n"
      << "mode_swd = 0x" << Hex8(mode_swd) << "\n"
      << "check_critical_error = 0x" << Hex8(check_critical_error) << "\n"
      << "dll_version = 0x" << Hex8(dll_version) << "\n"
      << "cable_version = 0x" << Hex8(cable_version) << "\n"
      << "halt = " << (halt_never ? "never" : "attempts " + std::to_string(halt_after)) << "\n"
      << "not_halted_status = " << not_halted_status << "\n"
      << "status_bytes = " << status_bytes << "\n"
      << "delay_us = " << delay_us << "\n";
  if (!fault.export_name.empty()) {
    out << "fault." << fault.export_name << " = " << fault.kind << " after " << fault.after << "\n";
  }
  return out.str();
}

Scenario RandomScenario(Random& random, std::uint32_t launch) {
  Scenario s;
  const unsigned version_kind = random.Below(100);
  if (version_kind < 85) {
    s.version.text =
        "Soak library " + std::to_string(launch) + "." + std::to_string(random.Below(100));
  } else {
    s.version.kind = version_kind < 95 ? LibraryText::Kind::null : LibraryText::Kind::unterminated;
  }
  for (unsigned i = 0; i < kKinds; ++i) {
    s.counts[i] = random.Percent(35) ? 0 : random.Between(1, 3);
    const unsigned kind = random.Below(100);
    if (kind < 80) {
      s.descriptors[i].text = "Port of type " + std::to_string(kInterfaceKinds[i].port_type) +
                              " #" + std::to_string(random.Below(1000));
    } else {
      s.descriptors[i].kind = kind < 90 ? LibraryText::Kind::null : LibraryText::Kind::unterminated;
    }
  }
  // Yes/no answers with bits above the low byte the program reads.
  s.open_port = random.Percent(85) ? random.Pick<std::uint32_t>({1, 0xFFFFFF01u})
                                   : random.Pick<std::uint32_t>({0, 0x100});
  s.mode_swd = random.Percent(90) ? random.Pick<std::uint32_t>({1, 0x7F000001u})
                                  : random.Pick<std::uint32_t>({0, 0x300});
  s.check_critical_error = random.Percent(90) ? random.Pick<std::uint32_t>({0, 0x100, 0xABCD0000u})
                                              : random.Pick<std::uint32_t>({1, 0xFF});
  s.dll_version = random.Word();
  s.cable_version = random.Word();
  s.delay_us = random.Pick<unsigned>({0, 0, 0, 100, 500});
  s.halt_never = random.Percent(25);
  const unsigned most = s.delay_us >= 500 ? 1500 : 3000;
  s.halt_after = random.Percent(40) ? random.Between(1, 3) : random.Between(10, most);
  if (random.Percent(30)) {
    s.not_halted_status = "untouched";
  } else {
    s.not_halted_status = std::to_string(random.Below(255));  // anything but 0xFF
  }
  if (random.Percent(30)) {
    // A quarter of them in corvane_special_features: the mode call and the halt attempts.
    s.fault.export_name =
        random.Percent(25) ? "corvane_special_features" : random.Pick(kCalledExports);
    std::vector<std::string> kinds = {"access_violation", "illegal_instruction", "divide_by_zero"};
    if (TakesArguments(s.fault.export_name)) kinds.push_back("callee_pops");
    s.fault.kind = random.Pick(kinds);
    // Mostly within the first START; the mode call is the first corvane_special_features.
    s.fault.after = random.Percent(70)
                        ? random.Below(3)
                        : random.Below(s.fault.export_name == "corvane_special_features" ? 40 : 8);
  }
  // Now and then a count no interface gives: an error code read as a count, or tens of thousands
  // of ports.
  if (random.Percent(8)) {
    s.counts[random.Below(kKinds)] =
        random.Pick<unsigned>({0xFFFFFFFFu, 0x80000000u, 65536, 100000});
  }
  // Now and then a text the program cannot read: the version, or one kind's descriptors.
  if (random.Percent(8)) {
    LibraryText& text = random.Percent(30) ? s.version : s.descriptors[random.Below(kKinds)];
    const auto kind = random.Percent(50) ? LibraryText::Kind::unreadable : LibraryText::Kind::wild;
    if (kLibraryFaultsCaught) text.kind = kind;
  }
  s.status_bytes = random.Percent(20) ? 4 : 1;
  // Drawn all the same, so that a seed gives the same launches in both builds: the 64-bit test
  // build calls the library unguarded, so there a fault would end the program.
  if (!kLibraryFaultsCaught) s.fault = FaultPlan{};
  return s;
}

const char* ActionName(Action action) {
  switch (action) {
    case Action::none: return "none";
    case Action::stop: return "STOP";
    case Action::query_end_session: return "WM_QUERYENDSESSION";
    case Action::close: return "close";
    case Action::end_session: return "end of session";
    case Action::quit: return "WM_QUIT";
  }
  return "?";
}

bool EndsTheProgram(Action action) {
  return action == Action::close || action == Action::end_session || action == Action::quit;
}

std::vector<RunPlan> PlanRuns(Random& random, int runs_left) {
  const int planned = std::min(runs_left, static_cast<int>(random.Between(1, 5)));
  std::vector<RunPlan> plans;
  for (int i = 0; i < planned; ++i) {
    plans.push_back(RandomRun(random));
    if (EndsTheProgram(plans.back().action)) break;
  }
  return plans;
}
