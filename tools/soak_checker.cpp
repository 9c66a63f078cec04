// The soak's contract checker: the trace's calls against the library's order and the scenario's
// results, and the log each run's path requires, built from the program's own texts.
#include "soak_checker.h"

#include <cstdio>
#include <cstdlib>

#include "fault_codes.h"
#include "interface_kinds.h"
#include "procedure_texts.h"

namespace {

const std::string kModeCall =
    "corvane_special_features(44000001, 00000001, 00000000, 00000000, "
    "00000000, 00000000, 00000000)";
const std::string kAttemptPrefix =
    "corvane_special_features(44000100, 00000001, 00000000, "
    "00000000, 00000000, ";

// The soak's protocol: the communication group stays at its first item, SWD.
const CommunicationTexts& kSwd = kCommunicationTexts[0];

// The line the program writes for a fault of the scenario's kind, or for "read_fault": the
// program's copy of a text it cannot read.
std::string FaultLine(const std::string& export_name, const std::string& kind) {
  if (kind == "callee_pops") return StackPointerFaultLine(export_name);
  const PlatformFault fault = kind == "read_fault" ? PlatformFault::kReadFault : FaultOfKind(kind);
  return LibraryFaultLine(export_name, FaultCode(fault));
}

std::string HexWord(std::uint32_t value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value & 0xFFFFu));
  return digits;
}

// The label from the library's 16-bit version in hundredths.
std::string VersionLabel(std::uint32_t word) {
  const unsigned v = word & 0xFFFFu;
  return std::to_string(v / 100) + "." + std::to_string(v % 100 / 10) + std::to_string(v % 10);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool ContractChecker::Run(const Lines& trace, int item, bool stop_sent, RunOutcome& outcome,
                          std::string& error) {
  trace_ = &trace;
  error_.clear();
  outcome = RunOutcome{};
  out_ = &outcome;
  const bool ok = Walk(item, stop_sent);
  error = error_;
  return ok;
}

bool ContractChecker::End(const Lines& trace, const std::string& last, std::string& error) const {
  const std::size_t expected = pos_ + (last.empty() ? 0 : 1);
  if (trace.size() != expected || (!last.empty() && trace[pos_] != last)) {
    error = "the trace should end " +
            (last.empty() ? std::string("after the run") : "with \"" + last + "\"") + " at line " +
            std::to_string(pos_ + 1) + "; it has " + std::to_string(trace.size()) + " lines" +
            (pos_ < trace.size() ? ", there: \"" + trace[pos_] + "\"" : std::string());
    return false;
  }
  return true;
}

bool ContractChecker::RunBegan(const Lines& trace) const {
  return pos_ < trace.size() && trace[pos_].rfind("version()", 0) == 0;
}

void ContractChecker::SkipAttach(const Lines& trace) {
  if (pos_ == 0 && !trace.empty() && trace[0].rfind("attach ", 0) == 0) pos_ = 1;
}

bool ContractChecker::Fail(const std::string& why) {
  error_ = "trace line " + std::to_string(pos_ + 1) + ": " + why;
  return false;
}

ContractChecker::Step ContractChecker::Expect(const std::string& call, const std::string& result) {
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

void ContractChecker::Faulted(const std::string& name, const std::string& where,
                              const std::string& kind) {
  out_->faulted = true;
  out_->path = "fault in " + (where.empty() ? name : where);
  out_->log.push_back(FaultLine(name, kind));
}

bool ContractChecker::Unreadable(const std::string& name) {
  Faulted(name, "an unreadable text of " + name, "read_fault");
  return true;
}

std::vector<std::pair<Lines, std::string>> ContractChecker::StoppedAfterLastCall() const {
  std::vector<std::pair<Lines, std::string>> logs;
  for (std::size_t shown = lines_at_call_ + 1; shown <= out_->log.size(); ++shown) {
    Lines log(out_->log.begin(), out_->log.begin() + static_cast<std::ptrdiff_t>(shown));
    log.emplace_back(kStopped);
    logs.push_back({log, "stopped during the report"});
  }
  return logs;
}

bool ContractChecker::CutShort(bool stop_sent) {
  const bool ends = pos_ == trace_->size() || (*trace_)[pos_].rfind("detach ", 0) == 0;
  if (!long_report_ || !stop_sent || !ends || out_->log.size() <= lines_at_call_) return false;
  out_->also = StoppedAfterLastCall();
  out_->log = out_->also.front().first;
  out_->path = out_->also.front().second;
  out_->also.erase(out_->also.begin());
  return true;
}

bool ContractChecker::Call(const std::string& call, const std::string& result, bool& done) {
  const Step step = Expect(call, result);
  done = step != Step::ok;
  return step != Step::failed;
}

bool ContractChecker::Walk(int item, bool stop_sent) {
  bool done = false;
  long_report_ = false;
  if (!Call("version()", "", done)) return false;
  if (done) return true;
  if (!s_.version.Readable()) return Unreadable("version");
  Write(s_.version.Shown(255));
  Write(kSeparator);
  if (!Call("reenumerate_all_port_types()", Hex8(0), done)) return false;
  if (done) return true;
  Write(kSeparator);
  for (std::size_t i = 0; i < kKindCount; ++i) {
    const std::string type = Hex8(kInterfaceKinds[i].port_type);
    if (i > 0) Write(kSeparator);
    if (CutShort(stop_sent)) return true;
    if (!Call("get_enumerated_number_of_ports(" + type + ")", Hex8(s_.counts[i]), done)) {
      return false;
    }
    if (done) return true;
    long_report_ = long_report_ || s_.counts[i] >= kLongCount;
    Write(std::string(kInterfaceKinds[i].count_line) + HexWord(s_.counts[i]));
    if (s_.counts[i] == 0) Write(kNoneLine);
    for (std::uint32_t port = 1; port != 0 && port <= s_.counts[i]; ++port) {
      if (CutShort(stop_sent)) return true;
      if (!Call("get_port_descriptor(" + type + ", " + Hex8(port) + ")", "", done)) {
        return false;
      }
      if (done) return true;
      if (!s_.descriptors[i].Readable()) return Unreadable("get_port_descriptor");
      Write(std::string(kDescriptorPrefix) + s_.descriptors[i].Shown(248));
    }
  }
  const InterfaceKind* const kind = InterfaceKindOfItem(item);
  if (kind == nullptr) {
    out_->path = "report only";
    if (long_report_ && stop_sent) out_->also = StoppedAfterLastCall();
    return true;
  }
  if (CutShort(stop_sent)) return true;
  const std::size_t index = static_cast<std::size_t>(kind - kInterfaceKinds.data());
  const std::string type = Hex8(kind->port_type);
  if (!Call("get_enumerated_number_of_ports(" + type + ")", Hex8(s_.counts[index]), done)) {
    return false;
  }
  if (done) return true;
  if (s_.counts[index] == 0) {
    Write(kind->not_attached);
    out_->path = "not attached";
    return true;
  }
  if (!Call("open_port(" + type + ", 00000001)", Hex8(s_.open_port), done)) return false;
  if (done) return true;
  if ((s_.open_port & 0xFFu) == 0) {
    Write(kind->open_failure);
    out_->path = "open failed";
    return ClosePort();
  }
  Write(kSeparator);
  Write(kSwd.line);
  Write(kSeparator);
  if (!Call(kModeCall, Hex8(s_.mode_swd), done)) return false;
  if (done) return true;
  if ((s_.mode_swd & 0xFFu) == 0) {
    Write(kSeparator);
    Write(kSwd.failure);
    out_->path = "mode failed";
    return ClosePort();
  }
  if (!Call("reset_hardware_interface()", Hex8(0), done)) return false;
  if (done) return true;
  if (!Call("check_critical_error()", Hex8(s_.check_critical_error), done)) return false;
  if (done) return true;
  if ((s_.check_critical_error & 0xFFu) != 0) {
    Write(kResetSeparator);
    Write(kResetFailure);
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
  Write(std::string(kCableVersionPrefix) + std::to_string(s_.cable_version & 0xFFFFu));
  Write(kAdviceHalting);
  Write(kAdvicePowerCycle);
  return HaltLoop(stop_sent);
}

bool ContractChecker::ClosePort() {
  bool done = false;
  return Call("close_port()", Hex8(0), done);
}

bool ContractChecker::HaltLoop(bool stop_sent) {
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
      with_stop.emplace_back(kStopped);
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
