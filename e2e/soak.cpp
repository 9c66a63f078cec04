// Randomized end-to-end soak: testz.exe on random simulator scenarios, driven with STOP, closes,
// the session's end and quits at random moments, every run checked against the library contract.
//
//   soak [--seed S] [--runs N] [--launch L]
//
// Runs launches of testz.exe (each a fresh scenario and a few STARTs) until N runs are done; the
// scenario and the actions of launch L come from (S, L) alone, so `--launch L` replays that one
// launch. After each run: the buttons, the whole log and the version label as the path requires,
// the trace's calls in the library's order with the scenario's results, a fault exactly where the
// scenario puts one, nothing called after the library was freed, and the program neither crashed
// nor hung. Exit code 0 when every run passed.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fault_codes.h"
#include "library_faults.h"
#include "ui_driver.h"

namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
// How long a run may take before it counts as hung, and how long a halt loop that nobody stops
// may run before the soak presses STOP itself.
constexpr ui::Milliseconds kRunLimit{20000};
constexpr ui::Milliseconds kUnattendedLoop{2500};
// A report handles no message before it has run this long; a STOP sent earlier waits until then.
constexpr ui::Milliseconds kReportRunsAlone{2000};
// A port count from which the report runs until a STOP (or a close, or a quit) ends it.
constexpr std::uint32_t kLongCount = 65536;
constexpr int kQuitExitCode = 3;
constexpr int kFailureLimit = 5;

// ---- Randomness: std::mt19937's sequence is fixed by the standard, so a seed replays anywhere.

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

std::string Hex8(std::uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
  return digits;
}

std::string HexWord(std::uint32_t value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value & 0xFFFFu));
  return digits;
}

// ---- Scenarios

// A text the simulator returns: a string, a null pointer, 255 characters without a
// terminator, or a pointer the program cannot read (an inaccessible page, a wild address).
struct LibraryText {
  enum class Kind { text, null, unterminated, unreadable, wild } kind = Kind::text;
  std::string text;

  bool Readable() const { return kind != Kind::unreadable && kind != Kind::wild; }
  std::string ScenarioValue() const {
    switch (kind) {
      case Kind::null: return "null";
      case Kind::unterminated: return "unterminated";
      case Kind::unreadable: return "unreadable";
      case Kind::wild: return "address 0x10";
      case Kind::text: break;
    }
    return "\"" + text + "\"";
  }
  // What the log shows of a readable text where `room` characters are left on the line.
  std::string Shown(std::size_t room) const {
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
};

struct FaultPlan {
  std::string export_name;  // empty: no fault
  std::string kind;
  unsigned after = 0;  // the first `after` calls behave
};

struct Scenario {
  LibraryText version;
  std::array<unsigned, 7> counts{};  // port types 3 to 9
  std::array<LibraryText, 7> descriptors;
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

  bool LongReport() const {
    return std::any_of(counts.begin(), counts.end(), [](unsigned n) { return n >= kLongCount; });
  }

  std::string FileText() const {
    std::ostringstream out;
    out << "version = " << version.ScenarioValue() << "\n";
    for (unsigned i = 0; i < 7; ++i) {
      out << "count." << i + 3 << " = " << counts[i] << "\n";
      out << "descriptor." << i + 3 << " = " << descriptors[i].ScenarioValue() << "\n";
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
      out << "fault." << fault.export_name << " = " << fault.kind << " after " << fault.after
          << "\n";
    }
    return out.str();
  }
};

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

Scenario RandomScenario(Random& random, std::uint32_t launch) {
  Scenario s;
  const unsigned version_kind = random.Below(100);
  if (version_kind < 85) {
    s.version.text =
        "Soak library " + std::to_string(launch) + "." + std::to_string(random.Below(100));
  } else {
    s.version.kind = version_kind < 95 ? LibraryText::Kind::null : LibraryText::Kind::unterminated;
  }
  for (unsigned i = 0; i < 7; ++i) {
    s.counts[i] = random.Percent(35) ? 0 : random.Between(1, 3);
    const unsigned kind = random.Below(100);
    if (kind < 80) {
      s.descriptors[i].text =
          "Port of type " + std::to_string(i + 3) + " #" + std::to_string(random.Below(1000));
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
    s.counts[random.Below(7)] = random.Pick<unsigned>({0xFFFFFFFFu, 0x80000000u, 65536, 100000});
  }
  // Now and then a text the program cannot read: the version, or one kind's descriptors.
  if (random.Percent(8)) {
    LibraryText& text = random.Percent(30) ? s.version : s.descriptors[random.Below(7)];
    const auto kind = random.Percent(50) ? LibraryText::Kind::unreadable : LibraryText::Kind::wild;
    if (kLibraryFaultsCaught) text.kind = kind;
  }
  s.status_bytes = random.Percent(20) ? 4 : 1;
  // Drawn all the same, so that a seed gives the same launches in both builds: the 64-bit test
  // build calls the library unguarded, so there a fault would end the program.
  if (!kLibraryFaultsCaught) s.fault = FaultPlan{};
  return s;
}

// ---- What the soak does during a run

enum class Action { none, stop, query_end_session, close, end_session, quit };

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

struct RunPlan {
  int item = 0;  // of "Test Hardware"
  Action action = Action::none;
  int delay_ms = 0;  // after START
};

RunPlan RandomRun(Random& random) {
  RunPlan plan;
  plan.item = random.Percent(15) ? 0 : static_cast<int>(random.Between(1, 7));
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

// ---- The library contract, checked on the trace

const char* const kCountLines[7] = {"Number of USB Veyras = ",
                                    "Number of PC Serial Ports = ",
                                    "Number of USB Pendrel Vell/Ormo = ",
                                    "Number of Ethernet Pendrel Vell/Ormos = ",
                                    "Number of Quillon USB Devices = ",
                                    "Number of Quillon Ethernet Devices = ",
                                    "Number of Ostrel USB Devices = "};
const char* const kItems[8] = {"Show Hardware",        "USB Veyra (K/ZV/PLEX)",
                               "PendrelORMO-Serial",   "PendrelORMO-USB",
                               "PendrelORMO-Ethernet", "QuillonUSB",
                               "QuillonEthernet",      "OstrelUSB"};
const char* const kNotAttached[7] = {"No USB Veyra Cables Detected",
                                     "No Serial Ports Detected.",
                                     "No Pendrel Vell units detected on USB bus.",
                                     "No Pendrel Vell units detected on ethernet bus.",
                                     "No Quillon Devices Detected via USB",
                                     "No Quillon Devices Detected on Ethernet",
                                     "No Ostrel Cables Detected via USB"};
const char* const kOpenFailure[7] = {"Error connecting to USB Veyra.",
                                     "Error opening serial port.",
                                     "Error connecting to Pendrel Vell via USB.",
                                     "Error connecting to Pendrel Vell via Ethernet.",
                                     "Error connecting to Quillon USB.",
                                     "Error connecting to Quillon Ethernet.",
                                     "Error connecting to Ostrel USB."};
constexpr char kHalted[] = "Success. Processor halted.";
constexpr char kStopped[] = "Stopped by user.";
const std::string kModeCall =
    "corvane_special_features(44000001, 00000001, 00000000, 00000000, "
    "00000000, 00000000, 00000000)";
const std::string kAttemptPrefix =
    "corvane_special_features(44000100, 00000001, 00000000, "
    "00000000, 00000000, ";

// The code the platform reports for a fault of the scenario's kind, or for "read_fault": the
// program's copy of a text it cannot read.
std::string ExceptionCode(const std::string& kind) {
  return FaultCodeText(kind == "read_fault" ? PlatformFault::kReadFault : FaultOfKind(kind));
}

std::string FaultLine(const std::string& export_name, const std::string& kind) {
  if (kind == "callee_pops") {
    return "The interface library failed in " + export_name +
           " (it returned with the stack pointer moved: wrong calling convention). Restart the "
           "application.";
  }
  return "The interface library failed in " + export_name + " (exception " + ExceptionCode(kind) +
         "). Restart the application.";
}

std::string VersionLabel(std::uint32_t word) {
  const unsigned v = word & 0xFFFFu;
  return std::to_string(v / 100) + "." + std::to_string(v % 100 / 10) + std::to_string(v % 10);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What one run came to, as read from the trace.
struct RunOutcome {
  std::string path;
  Lines log;  // the finished lines the path requires
  // Other finished lines the run may have left, with the path each means: "Stopped by user."
  // after a halt seen in the same pass as a stop, or a long report stopped after another line.
  std::vector<std::pair<Lines, std::string>> also;
  bool faulted = false;
};

// Walks the trace of one launch run by run, keeping the calls per export over the library's
// life (a scenario's fault counts them so).
class ContractChecker {
 public:
  explicit ContractChecker(const Scenario& scenario) : s_(scenario) {}

  // Checks the calls of one run, starting where the last run ended. `stop_sent`: a STOP, close,
  // session's end or quit may have reached the halt loop. False with the reason in `error`.
  bool Run(const Lines& trace, int item, bool stop_sent, RunOutcome& outcome, std::string& error) {
    trace_ = &trace;
    error_.clear();
    outcome = RunOutcome{};
    out_ = &outcome;
    const bool ok = Walk(item, stop_sent);
    error = error_;
    return ok;
  }

  // Checks that the trace ends right after the runs walked so far with `last` (a detach line), or
  // there when `last` is empty.
  bool End(const Lines& trace, const std::string& last, std::string& error) const {
    const std::size_t expected = pos_ + (last.empty() ? 0 : 1);
    if (trace.size() != expected || (!last.empty() && trace[pos_] != last)) {
      error = "the trace should end " +
              (last.empty() ? std::string("after the run") : "with \"" + last + "\"") +
              " at line " + std::to_string(pos_ + 1) + "; it has " + std::to_string(trace.size()) +
              " lines" + (pos_ < trace.size() ? ", there: \"" + trace[pos_] + "\"" : std::string());
      return false;
    }
    return true;
  }

  // Whether a run began after the last one walked (its first call is the version).
  bool RunBegan(const Lines& trace) const {
    return pos_ < trace.size() && trace[pos_].rfind("version()", 0) == 0;
  }

  void SkipAttach(const Lines& trace) {
    if (pos_ == 0 && !trace.empty() && trace[0].rfind("attach ", 0) == 0) pos_ = 1;
  }

  const std::string& label() const { return label_; }

 private:
  enum class Step { ok, faulted, failed };

  bool Fail(const std::string& why) {
    error_ = "trace line " + std::to_string(pos_ + 1) + ": " + why;
    return false;
  }

  // One call: the line must be the call with the scenario's result, or its fault where the
  // scenario puts one. `result` empty for the exports that return text.
  Step Expect(const std::string& call, const std::string& result) {
    const std::string name = call.substr(0, call.find('('));
    const std::uint64_t number = ++calls_[name];
    const bool fault_here = name == s_.fault.export_name && number > s_.fault.after;
    std::string expected = call + (result.empty() ? "" : " = " + result);
    if (fault_here) {
      expected = s_.fault.kind == "callee_pops" ? expected + " fault callee_pops"
                                                : call + " fault " + s_.fault.kind;
    }
    if (pos_ >= trace_->size()) {
      Fail("the trace ends; expected \"" + expected + "\"");
      return Step::failed;
    }
    if ((*trace_)[pos_] != expected) {
      Fail("expected \"" + expected + "\", found \"" + (*trace_)[pos_] + "\"");
      return Step::failed;
    }
    ++pos_;
    lines_at_call_ = out_->log.size();
    if (!fault_here) return Step::ok;
    Faulted(name, call == kModeCall ? "the mode call" : "", s_.fault.kind);
    return Step::faulted;
  }

  void Faulted(const std::string& name, const std::string& where, const std::string& kind) {
    out_->faulted = true;
    out_->path = "fault in " + (where.empty() ? name : where);
    out_->log.push_back(FaultLine(name, kind));
  }

  // A text the program cannot read faults in its copy, as the export that returned it would.
  bool Unreadable(const std::string& name) {
    Faulted(name, "an unreadable text of " + name, "read_fault");
    return true;
  }

  // The logs of a long report that a stop ended after one of the lines written since its last
  // call (it handles messages after every line once it has run two seconds).
  std::vector<std::pair<Lines, std::string>> StoppedAfterLastCall() const {
    std::vector<std::pair<Lines, std::string>> logs;
    for (std::size_t shown = lines_at_call_ + 1; shown <= out_->log.size(); ++shown) {
      Lines log(out_->log.begin(), out_->log.begin() + static_cast<std::ptrdiff_t>(shown));
      log.push_back(kStopped);
      logs.push_back({log, "stopped during the report"});
    }
    return logs;
  }

  // Whether the run's calls end here, in a long report that a stop cut short.
  bool CutShort(bool stop_sent) {
    const bool ends = pos_ == trace_->size() || (*trace_)[pos_].rfind("detach ", 0) == 0;
    if (!long_report_ || !stop_sent || !ends || out_->log.size() <= lines_at_call_) return false;
    out_->also = StoppedAfterLastCall();
    out_->log = out_->also.front().first;
    out_->path = out_->also.front().second;
    out_->also.erase(out_->also.begin());
    return true;
  }

  void Write(const std::string& line) { out_->log.push_back(line); }

  // Runs Expect and turns its outcome into the walk's: true to go on.
  bool Call(const std::string& call, const std::string& result, bool& done) {
    const Step step = Expect(call, result);
    done = step != Step::ok;
    return step != Step::failed;
  }

  bool Walk(int item, bool stop_sent) {
    bool done = false;
    long_report_ = false;
    if (!Call("version()", "", done)) return false;
    if (done) return true;
    if (!s_.version.Readable()) return Unreadable("version");
    Write(s_.version.Shown(255));
    Write(" ");
    if (!Call("reenumerate_all_port_types()", Hex8(0), done)) return false;
    if (done) return true;
    Write(" ");
    for (unsigned i = 0; i < 7; ++i) {
      const std::string type = Hex8(i + 3);
      if (i > 0) Write(" ");
      if (CutShort(stop_sent)) return true;
      if (!Call("get_enumerated_number_of_ports(" + type + ")", Hex8(s_.counts[i]), done)) {
        return false;
      }
      if (done) return true;
      long_report_ = long_report_ || s_.counts[i] >= kLongCount;
      Write(kCountLines[i] + HexWord(s_.counts[i]));
      if (s_.counts[i] == 0) Write("       None.");
      for (std::uint32_t port = 1; port != 0 && port <= s_.counts[i]; ++port) {
        if (CutShort(stop_sent)) return true;
        if (!Call("get_port_descriptor(" + type + ", " + Hex8(port) + ")", "", done)) {
          return false;
        }
        if (done) return true;
        if (!s_.descriptors[i].Readable()) return Unreadable("get_port_descriptor");
        Write("       " + s_.descriptors[i].Shown(248));
      }
    }
    if (item == 0) {
      out_->path = "report only";
      if (long_report_ && stop_sent) out_->also = StoppedAfterLastCall();
      return true;
    }
    if (CutShort(stop_sent)) return true;
    const unsigned index = static_cast<unsigned>(item - 1);
    const std::string type = Hex8(index + 3);
    if (!Call("get_enumerated_number_of_ports(" + type + ")", Hex8(s_.counts[index]), done)) {
      return false;
    }
    if (done) return true;
    if (s_.counts[index] == 0) {
      Write(kNotAttached[index]);
      out_->path = "not attached";
      return true;
    }
    if (!Call("open_port(" + type + ", 00000001)", Hex8(s_.open_port), done)) return false;
    if (done) return true;
    if ((s_.open_port & 0xFFu) == 0) {
      Write(kOpenFailure[index]);
      out_->path = "open failed";
      return ClosePort();
    }
    Write(" ");
    Write("Communication via SWD");
    Write(" ");
    if (!Call(kModeCall, Hex8(s_.mode_swd), done)) return false;
    if (done) return true;
    if ((s_.mode_swd & 0xFFu) == 0) {
      Write(" ");
      Write("Unable to set communications mode to SWD.");
      out_->path = "mode failed";
      return ClosePort();
    }
    if (!Call("reset_hardware_interface()", Hex8(0), done)) return false;
    if (done) return true;
    if (!Call("check_critical_error()", Hex8(s_.check_critical_error), done)) return false;
    if (done) return true;
    if ((s_.check_critical_error & 0xFFu) != 0) {
      Write("  ");
      Write("Error resetting hardware interface !!!!!!!!!!!");
      out_->path = "reset failed";
      return ClosePort();
    }
    for (int i = 0; i < 3; ++i) {
      if (!Call("get_dll_version()", Hex8(s_.dll_version), done)) return false;
      if (done) return true;
    }
    label_ = VersionLabel(s_.dll_version);
    if (!Call("get_cable_version()", Hex8(s_.cable_version), done)) return false;
    if (done) return true;
    Write("Cable Version is " + std::to_string(s_.cable_version & 0xFFFFu));
    Write("Continuously attempting to halt processor.");
    Write("Please try power cycling your board until this operation is successful");
    return HaltLoop(stop_sent);
  }

  bool ClosePort() {
    bool done = false;
    return Call("close_port()", Hex8(0), done);
  }

  // The attempts of one loop: one counted line of attempts that behaved, and then possibly the
  // attempt that faulted (or removed its own arguments).
  bool HaltLoop(bool stop_sent) {
    const std::string name = "corvane_special_features";
    std::uint64_t& calls = calls_[name];
    const bool faults = s_.fault.export_name == name;
    const std::string fault_end = s_.fault.kind == "callee_pops"
                                      ? ", 00000000) = 00000000 fault callee_pops x 0000000001"
                                      : ", 00000000) fault " + s_.fault.kind;
    std::uint64_t attempts = 0;
    while (pos_ < trace_->size() && (*trace_)[pos_].rfind(kAttemptPrefix, 0) == 0) {
      const std::string& line = (*trace_)[pos_++];
      if (faults && EndsWith(line, fault_end)) {
        if (++calls <= s_.fault.after) return Fail("an attempt faulted too early");
        Faulted(name, "a halt attempt", s_.fault.kind);
        return true;
      }
      const std::size_t times = line.rfind(" x ");
      if (attempts != 0 || times == std::string::npos ||
          !EndsWith(line.substr(0, times), ", 00000000) = 00000000")) {
        return Fail("unexpected attempt \"" + line + "\"");
      }
      attempts = std::strtoull(line.c_str() + times + 3, nullptr, 10);
      if (attempts == 0) return Fail("a counted line of no attempts");
      calls += attempts;
      if (faults && calls > s_.fault.after) return Fail("attempts went on past the fault");
    }
    if (attempts == 0) return Fail("the halt loop made no attempt");
    const bool halted = !s_.halt_never && attempts >= s_.halt_after;
    if (halted && attempts > s_.halt_after) return Fail("attempts went on after the halt");
    if (halted) {
      Write(kHalted);
      if (stop_sent) {
        Lines with_stop = out_->log;
        with_stop.push_back(kStopped);
        out_->also.push_back({with_stop, "halted and stopped"});
      }
      out_->path = "halted";
      return true;
    }
    if (!stop_sent) return Fail("the halt loop ended with no halt and no stop");
    Write(kStopped);
    out_->path = "stopped";
    return true;
  }

  const Scenario& s_;
  const Lines* trace_ = nullptr;
  RunOutcome* out_ = nullptr;
  std::size_t pos_ = 0;
  std::map<std::string, std::uint64_t> calls_;
  std::string label_ = "?.??";
  std::string error_;
  bool long_report_ = false;       // the run's report has counted kLongCount ports or more
  std::size_t lines_at_call_ = 0;  // the lines written before the last call's own
};

// ---- One launch of the program

struct Failure {
  std::uint32_t launch = 0;
  int run = 0;
  std::string reason;
};

// One launch: its scenario and planned runs, the program with the controls the soak works
// with, and what it has read and seen so far.
struct LaunchState {
  std::uint32_t launch = 0;
  Scenario scenario;
  std::vector<RunPlan> plans;
  std::wstring trace_file;
  ui::Program program;
  HWND window = nullptr;
  HWND start = nullptr;
  HWND stop = nullptr;
  HWND label6 = nullptr;
  HWND list = nullptr;
  Lines trace;
  Lines log;
  int run = 0;
  bool ended = false;    // the program has ended
  bool faulted = false;  // the library faulted: it must never be freed
};

// What a run's action sent to the program.
struct ActionSent {
  bool stop_sent = false;  // a STOP, close, session's end or quit may reach the halt loop
  // A STOP or a WM_QUERYENDSESSION that reached a running procedure must end its loop: the
  // soak's own STOP for an unattended loop would then be one too many.
  bool stopped_while_running = false;
};

// How a run ended for the launch: the next run follows, the runs end, or a failure was reported.
enum class RunEnd { next, last, reported };

std::vector<RunPlan> PlanRuns(Random& random, int runs_left) {
  const int planned = std::min(runs_left, static_cast<int>(random.Between(1, 5)));
  std::vector<RunPlan> plans;
  for (int i = 0; i < planned; ++i) {
    plans.push_back(RandomRun(random));
    if (EndsTheProgram(plans.back().action)) break;
  }
  return plans;
}

bool ButtonsIdle(HWND start, HWND stop) {
  return ui::IsEnabled(start) && !ui::IsEnabled(stop);
}

bool ButtonsAfterFault(HWND start, HWND stop) {
  return !ui::IsEnabled(start) && !ui::IsEnabled(stop);
}

class Soak {
 public:
  Soak(std::uint32_t seed, std::wstring payload, std::wstring work)
      : seed_(seed), payload_(std::move(payload)), work_(std::move(work)) {}

  // Runs one launch: at most `runs_left` runs. Returns the number of runs made.
  int Launch(std::uint32_t launch, int runs_left);

  const std::map<std::string, int>& paths() const { return paths_; }
  const std::vector<Failure>& failures() const { return failures_; }
  int runs_passed() const { return runs_passed_; }

 private:
  bool Check(bool condition, const std::string& reason) {
    if (!condition && reason_.empty()) reason_ = reason;
    return condition;
  }
  // Starts testz.exe on the launch's scenario and finds its window and controls; false, with
  // the failure recorded, when it cannot.
  bool StartProgram(LaunchState& state);
  RunEnd MakeRun(const RunPlan& plan, ContractChecker& checker, LaunchState& state);
  // Chooses the run's interface kind and presses START; false when either fails.
  bool PressStart(const RunPlan& plan, const LaunchState& state);
  ActionSent SendAction(const RunPlan& plan, const LaunchState& state);
  // After a close, the session's end or a quit: the program ends with its exit code.
  void AwaitExit(const RunPlan& plan, LaunchState& state);
  // Otherwise the run ends once its first call is traced and the buttons are in an end state;
  // a halt loop that nobody stops the soak stops itself.
  void AwaitRunEnd(const RunPlan& plan, Clock::time_point started, ContractChecker& checker,
                   ActionSent& sent, LaunchState& state);
  // The run's calls against the contract, and what the window shows after it.
  RunOutcome CheckRun(const RunPlan& plan, bool stop_sent, ContractChecker& checker,
                      LaunchState& state);
  void CheckWindowAfterRun(RunOutcome& outcome, ContractChecker& checker, LaunchState& state);
  // Closes a program still running and checks its end and the library's detach.
  void EndLaunch(ContractChecker& checker, LaunchState& state);
  void Report(const LaunchState& state);

  std::uint32_t seed_;
  std::wstring payload_;
  std::wstring work_;
  std::map<std::string, int> paths_;
  std::vector<Failure> failures_;
  int runs_passed_ = 0;
  std::string reason_;
};

int Soak::Launch(std::uint32_t launch, int runs_left) {
  Random random(seed_, launch);
  LaunchState state;
  state.launch = launch;
  state.scenario = RandomScenario(random, launch);
  state.plans = PlanRuns(random, runs_left);
  reason_.clear();
  if (!StartProgram(state)) return 0;

  ContractChecker checker(state.scenario);
  for (const RunPlan& plan : state.plans) {
    ++state.run;
    const RunEnd end = MakeRun(plan, checker, state);
    if (end == RunEnd::reported) return state.run;
    if (end == RunEnd::last) break;
  }
  EndLaunch(checker, state);
  return state.run;
}

bool Soak::StartProgram(LaunchState& state) {
  const std::wstring folder = work_ + L"\\soak";
  const std::wstring scenario_file = folder + L"\\scenario.txt";
  state.trace_file = folder + L"\\trace.txt";
  std::string error;
  if (!ui::PrepareFolder(folder,
                         {{payload_ + L"\\testz.exe", L"testz.exe"},
                          {payload_ + L"\\libraries\\simulator.dll", L"unit_kelm.DLL"}},
                         &error) ||
      !ui::WriteTextFile(scenario_file, state.scenario.FileText())) {
    failures_.push_back({state.launch, 0, "cannot prepare the work folder: " + error});
    return false;
  }
  state.program = ui::Program::Start(folder + L"\\testz.exe", folder,
                                     {{"UNIT_KELM_TRACE", ui::ToAnsi(state.trace_file)},
                                      {"UNIT_KELM_SCENARIO", ui::ToAnsi(scenario_file)}},
                                     &error);
  state.window =
      state.program.Running() ? state.program.WaitForWindow(kCaption, kRunLimit) : nullptr;
  if (state.window == nullptr) {
    failures_.push_back({state.launch, 0, "testz.exe showed no window " + error});
    return false;
  }
  state.start = ui::FindControl(state.window, "Button", "START");
  state.stop = ui::FindControl(state.window, "Button", "STOP");
  state.label6 = ui::FindControl(state.window, "Static", "?.??");
  for (HWND found : ui::FindControls(state.window, "ListBox")) state.list = found;
  if (state.start == nullptr || state.stop == nullptr || state.label6 == nullptr ||
      state.list == nullptr) {
    failures_.push_back({state.launch, 0, "a control is missing from the window"});
    return false;
  }
  return true;
}

RunEnd Soak::MakeRun(const RunPlan& plan, ContractChecker& checker, LaunchState& state) {
  if (!PressStart(plan, state)) return RunEnd::last;
  const Clock::time_point started = Clock::now();
  std::this_thread::sleep_for(ui::Milliseconds(plan.delay_ms));
  ActionSent sent = SendAction(plan, state);
  if (EndsTheProgram(plan.action)) {
    AwaitExit(plan, state);
  } else {
    AwaitRunEnd(plan, started, checker, sent, state);
  }
  if (!reason_.empty()) {
    state.trace = ui::ReadLines(state.trace_file);
    Report(state);
    return RunEnd::reported;
  }

  const RunOutcome outcome = CheckRun(plan, sent.stop_sent, checker, state);
  if (!reason_.empty()) {
    Report(state);
    return RunEnd::reported;
  }
  ++paths_[outcome.path];
  if (state.ended) ++paths_[std::string("program ended by ") + ActionName(plan.action)];
  ++runs_passed_;
  return state.ended || state.faulted ? RunEnd::last : RunEnd::next;
}

bool Soak::PressStart(const RunPlan& plan, const LaunchState& state) {
  HWND item = ui::FindControl(state.window, "Button", kItems[plan.item]);
  Check(item != nullptr && ui::Click(item) && ui::WaitUntil([&] { return ui::IsChecked(item); }),
        std::string("cannot choose ") + kItems[plan.item]);
  Check(ui::Click(state.start), "START is not enabled before the run");
  return reason_.empty();
}

ActionSent Soak::SendAction(const RunPlan& plan, const LaunchState& state) {
  ActionSent sent;
  switch (plan.action) {
    case Action::none: break;
    case Action::stop:
      sent.stop_sent = ui::Click(state.stop);
      sent.stopped_while_running = sent.stop_sent;
      break;
    case Action::query_end_session: {
      const bool running = ui::IsEnabled(state.stop);
      sent.stop_sent = ui::Send(state.window, WM_QUERYENDSESSION).value_or(FALSE) == TRUE;
      Check(sent.stop_sent, "the session's end was refused");
      sent.stopped_while_running = running && sent.stop_sent;
      break;
    }
    case Action::close:
      ui::Close(state.window);
      sent.stop_sent = true;
      break;
    case Action::end_session:
      Check(ui::Send(state.window, WM_QUERYENDSESSION).value_or(FALSE) == TRUE,
            "the session's end was refused");
      Check(ui::Send(state.window, WM_ENDSESSION, TRUE, 0).has_value(),
            "no answer to WM_ENDSESSION");
      sent.stop_sent = true;
      break;
    case Action::quit: sent.stop_sent = ui::PostQuit(state.window, kQuitExitCode); break;
  }
  return sent;
}

void Soak::AwaitExit(const RunPlan& plan, LaunchState& state) {
  const std::optional<DWORD> code = state.program.WaitForExit(kRunLimit);
  const DWORD expected = plan.action == Action::quit ? kQuitExitCode : 0;
  Check(code.has_value(),
        std::string("the program did not end after ") + ActionName(plan.action) + ": hung");
  Check(!code || *code == expected, "exit code " + std::to_string(code.value_or(0)) + " after " +
                                        ActionName(plan.action) + ", expected " +
                                        std::to_string(expected));
  state.ended = true;
}

void Soak::AwaitRunEnd(const RunPlan& plan, Clock::time_point started, ContractChecker& checker,
                       ActionSent& sent, LaunchState& state) {
  bool pressed_stop = false;
  // A long report ends only when stopped, and handles no STOP before it has run alone.
  const ui::Milliseconds unattended =
      state.scenario.LongReport() ? kUnattendedLoop + kReportRunsAlone : kUnattendedLoop;
  const bool run_ended = ui::WaitUntil(
      [&] {
        if (!state.program.Running()) return true;
        state.trace = ui::ReadLines(state.trace_file);
        checker.SkipAttach(state.trace);
        if (!checker.RunBegan(state.trace)) return false;
        if (ButtonsIdle(state.start, state.stop) || ButtonsAfterFault(state.start, state.stop)) {
          return true;
        }
        // Nobody stops this loop: the soak does. A run that a STOP reached already must end by
        // itself, however slowly this CPU gets there.
        if (!pressed_stop && !sent.stopped_while_running && Clock::now() - started > unattended) {
          pressed_stop = ui::Click(state.stop);
          sent.stop_sent = sent.stop_sent || pressed_stop;
        }
        return false;
      },
      kRunLimit);
  Check(state.program.Running(), "the program ended by itself (crashed?)");
  Check(run_ended, sent.stopped_while_running
                       ? std::string("the halt loop went on after ") + ActionName(plan.action)
                       : std::string("the run did not end: hung"));
}

RunOutcome Soak::CheckRun(const RunPlan& plan, bool stop_sent, ContractChecker& checker,
                          LaunchState& state) {
  state.trace = ui::ReadLines(state.trace_file);
  checker.SkipAttach(state.trace);
  RunOutcome outcome;
  std::string why;
  if (state.ended && !checker.RunBegan(state.trace)) {
    // The program ended before it handled the START click (a sent WM_ENDSESSION overtakes
    // the posted click).
    outcome.path = "ended before START";
  } else if (!checker.Run(state.trace, plan.item, stop_sent, outcome, why)) {
    Check(false, why);
  }
  state.faulted = state.faulted || outcome.faulted;
  if (!state.ended) CheckWindowAfterRun(outcome, checker, state);
  return outcome;
}

void Soak::CheckWindowAfterRun(RunOutcome& outcome, ContractChecker& checker, LaunchState& state) {
  state.log = ui::ListLines(state.list);
  // Every finished line, then the empty current line.
  const auto shows = [&](Lines finished) {
    finished.push_back("");
    return state.log == finished;
  };
  bool matched = shows(outcome.log);
  for (const auto& [log, path] : outcome.also) {
    if (matched || !shows(log)) continue;
    matched = true;
    outcome.path = path;
  }
  Check(matched, "the log is not what the path \"" + outcome.path + "\" requires");
  Check(outcome.faulted ? ButtonsAfterFault(state.start, state.stop)
                        : ButtonsIdle(state.start, state.stop),
        std::string("the buttons are not ") +
            (outcome.faulted ? "both disabled after a fault" : "idle after the run"));
  const std::string label = ui::Text(state.label6);
  Check(label == checker.label(),
        "the version label shows \"" + label + "\", expected \"" + checker.label() + "\"");
  std::string why;
  Check(checker.End(state.trace, "", why), why);
}

void Soak::EndLaunch(ContractChecker& checker, LaunchState& state) {
  if (!state.ended) {
    // The user closes the window: the program ends with code 0 and frees the library, unless
    // it faulted, in which case the process ends without freeing it or running its detach code.
    ui::Close(state.window);
    const std::optional<DWORD> code = state.program.WaitForExit(kRunLimit);
    Check(code.has_value(), "the program did not end after the close: hung");
    Check(!code || *code == 0,
          "exit code " + std::to_string(code.value_or(0)) + " after the close");
    ++paths_[state.faulted ? "closed after a fault" : "closed when idle"];
  }
  state.trace = ui::ReadLines(state.trace_file);
  const bool quit =
      !state.plans.empty() && state.plans.back().action == Action::quit && state.ended;
  std::string why;
  if (reason_.empty()) {
    // After a fault the process ends without running the library's detach code: no detach line.
    const char* last = state.faulted ? "" : quit ? "detach exit" : "detach unload";
    Check(checker.End(state.trace, last, why), why);
  }
  if (!reason_.empty()) Report(state);
}

void Soak::Report(const LaunchState& state) {
  failures_.push_back({state.launch, state.run, reason_});
  std::printf("FAILED: seed %u launch %u run %d: %s\n", static_cast<unsigned>(seed_),
              static_cast<unsigned>(state.launch), state.run, reason_.c_str());
  std::printf("  replay: soak --seed %u --launch %u\n  scenario:\n", static_cast<unsigned>(seed_),
              static_cast<unsigned>(state.launch));
  std::istringstream lines(state.scenario.FileText());
  for (std::string line; std::getline(lines, line);) std::printf("    %s\n", line.c_str());
  std::printf("  runs:\n");
  for (std::size_t i = 0; i < state.plans.size(); ++i) {
    std::printf("    %zu: %s, %s after %d ms\n", i + 1, kItems[state.plans[i].item],
                ActionName(state.plans[i].action), state.plans[i].delay_ms);
  }
  const Lines& trace = state.trace;
  std::printf("  trace (last lines):\n");
  for (std::size_t i = trace.size() > 20 ? trace.size() - 20 : 0; i < trace.size(); ++i) {
    std::printf("    %s\n", trace[i].c_str());
  }
  const Lines& log = state.log;
  std::printf("  log (last lines read):\n");
  for (std::size_t i = log.size() > 12 ? log.size() - 12 : 0; i < log.size(); ++i) {
    std::printf("    |%s|\n", log[i].c_str());
  }
  std::fflush(stdout);
}

bool ParseNumber(const char* text, std::uint32_t& value) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0') return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t seed = 1;
  std::uint32_t runs = 80;
  std::optional<std::uint32_t> only_launch;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    std::uint32_t value = 0;
    if (i + 1 >= argc || !ParseNumber(argv[i + 1], value)) {
      std::fprintf(stderr, "usage: soak [--seed S] [--runs N] [--launch L]\n");
      return 2;
    }
    ++i;
    if (option == "--seed") {
      seed = value;
    } else if (option == "--runs") {
      runs = value;
    } else if (option == "--launch") {
      only_launch = value;
    } else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }

  const std::wstring folder = ui::ProgramFolder();
  Soak soak(seed, folder + L"\\payload", folder + L"\\work");
  const Clock::time_point began = Clock::now();
  int done = 0;
  std::uint32_t launches = 0;
  if (only_launch) {
    done = soak.Launch(*only_launch, 1000);
    launches = 1;
  } else {
    for (std::uint32_t launch = 1; done < static_cast<int>(runs); ++launch) {
      done += std::max(1, soak.Launch(launch, static_cast<int>(runs) - done));
      launches = launch;
      if (soak.failures().size() >= static_cast<std::size_t>(kFailureLimit)) break;
    }
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count();

  const int failed = static_cast<int>(soak.failures().size());
  std::printf("soak: seed %u, %d runs in %u launches, %lld s\n", static_cast<unsigned>(seed),
              soak.runs_passed() + failed, static_cast<unsigned>(launches),
              static_cast<long long>(seconds));
  std::printf("paths covered:\n");
  for (const auto& [path, count] : soak.paths()) std::printf("  %-40s %d\n", path.c_str(), count);
  for (const Failure& failure : soak.failures()) {
    std::printf("failure: launch %u run %d: %s\n", static_cast<unsigned>(failure.launch),
                failure.run, failure.reason.c_str());
  }
  std::printf("soak: %d passed, %d failed\n", soak.runs_passed(), failed);
  return failed == 0 ? 0 : 1;
}
