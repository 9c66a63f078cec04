// The soak's contract checker: walks the simulator's trace of each run through the library's call
// order and builds the log that the run's path requires, from the program's own texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "soak_scenario.h"

using Lines = std::vector<std::string>;

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
  bool Run(const Lines& trace, int item, bool stop_sent, RunOutcome& outcome, std::string& error);

  // Checks that the trace ends right after the runs walked so far with `last` (a detach line), or
  // there when `last` is empty.
  bool End(const Lines& trace, const std::string& last, std::string& error) const;

  // Whether a run began after the last one walked (its first call is the version).
  bool RunBegan(const Lines& trace) const;

  void SkipAttach(const Lines& trace);

  // What the version label must show after the runs walked so far.
  const std::string& label() const { return label_; }

 private:
  enum class Step { ok, faulted, failed };

  bool Fail(const std::string& why);
  // One call: the line must be the call with the scenario's result, or its fault where the
  // scenario puts one. `result` empty for the exports that return text.
  Step Expect(const std::string& call, const std::string& result);
  void Faulted(const std::string& name, const std::string& where, const std::string& kind);
  // A text the program cannot read faults in its copy, as the export that returned it would.
  bool Unreadable(const std::string& name);
  // The logs of a long report that a stop ended after one of the lines written since its last
  // call (it handles messages after every line once it has run two seconds).
  std::vector<std::pair<Lines, std::string>> StoppedAfterLastCall() const;
  // Whether the run's calls end here, in a long report that a stop cut short.
  bool CutShort(bool stop_sent);
  void Write(std::string_view line) { out_->log.emplace_back(line); }
  // Runs Expect and turns its outcome into the walk's: true to go on.
  bool Call(const std::string& call, const std::string& result, bool& done);
  bool Walk(int item, bool stop_sent);
  bool ClosePort();
  // The attempts of one loop: one counted line of attempts that behaved, and then possibly the
  // attempt that faulted (or removed its own arguments).
  bool HaltLoop(bool stop_sent);

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
