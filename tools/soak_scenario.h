// The soak's random launches: the simulator scenario of each and the runs made on it, drawn from
// the seed and the launch number alone.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "interface_kinds.h"

// A port count from which the report runs until a STOP (or a close, or a quit) ends it.
inline constexpr std::uint32_t kLongCount = 65536;

// std::mt19937's sequence is fixed by the standard, so a seed replays anywhere.
class Random {
 public:
  Random(std::uint32_t seed, std::uint32_t launch) {
    std::seed_seq sequence{seed, launch};
    engine_.seed(sequence);
  }
  std::uint32_t Word() { return static_cast<std::uint32_t>(engine_()); }
  unsigned Below(unsigned n) { return Word() % n; }
  unsigned Between(unsigned low, unsigned high) { return low + Below(high - low + 1); }
  bool Percent(unsigned percent) { return Below(100) < percent; }
  template <typename T>
  T Pick(const std::vector<T>& choices) {
    return choices[Below(static_cast<unsigned>(choices.size()))];
  }

 private:
  std::mt19937 engine_;
};

// value as eight upper-case hexadecimal digits, as the scenario files and the trace write it.
std::string Hex8(std::uint32_t value);

// A text the simulator returns: a string, a null pointer, 255 characters without a
// terminator, or a pointer the program cannot read (an inaccessible page, a wild address).
struct LibraryText {
  enum class Kind { text, null, unterminated, unreadable, wild } kind = Kind::text;
  std::string text;

  bool Readable() const { return kind != Kind::unreadable && kind != Kind::wild; }
  std::string ScenarioValue() const;
  // What the log shows of a readable text where `room` characters are left on the line.
  std::string Shown(std::size_t room) const;
};

struct FaultPlan {
  std::string export_name;  // empty: no fault
  std::string kind;
  unsigned after = 0;  // the first `after` calls behave
};

// Counts and descriptors go by interface kind, in the kinds' order.
inline constexpr std::size_t kKindCount = kInterfaceKinds.size();

struct Scenario {
  LibraryText version;
  std::array<unsigned, kKindCount> counts{};
  std::array<LibraryText, kKindCount> descriptors;
  std::uint32_t open_port = 1;
  std::uint32_t mode_swd = 1;
  std::uint32_t check_critical_error = 0;
  std::uint32_t dll_version = 100;
  std::uint32_t cable_version = 1;
  bool halt_never = false;
  unsigned halt_after = 1;
  std::string not_halted_status;
  unsigned status_bytes = 1;
  unsigned delay_us = 0;
  FaultPlan fault;

  bool LongReport() const;
  // The scenario file the simulator reads.
  std::string FileText() const;
};

Scenario RandomScenario(Random& random, std::uint32_t launch);

// What the soak does during a run.
enum class Action { none, stop, query_end_session, close, end_session, quit };

const char* ActionName(Action action);
bool EndsTheProgram(Action action);

struct RunPlan {
  int item = 0;  // of "Test Hardware"
  Action action = Action::none;
  int delay_ms = 0;  // after START
};

// The runs of one launch, at most `runs_left`; none after one that ends the program.
std::vector<RunPlan> PlanRuns(Random& random, int runs_left);
