// The enumeration report: the library's version, then every attached interface, kind by kind.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "hex_word.h"
#include "interface_kinds.h"
#include "library_calls.h"
#include "procedure_steps.h"
#include "procedure_texts.h"
#include "stop_request.h"

namespace {

// The report's lines. Once the report has run for kReportRunsAlone, the window processes its
// pending messages after each line, and a STOP handled there ends the report after that line.
class ReportLines {
 public:
  ReportLines(RecoveryWindow& window, const ProcedureClock& clock)
      : window_(window), clock_(clock), started_(clock.Now()) {}

  void Write(std::string_view text) {
    WriteLine(window_, text);
    if (!processing_messages_) {
      if (clock_.Now() - started_ < kReportRunsAlone) return;
      processing_messages_ = true;
      // From here on the report goes by the stop flag. A value left from an earlier run must not
      // end it; a STOP clicked since START, still queued, is handled in the first pass and counts.
      StopRequested = 0;
    }
    window_.ProcessMessages();
    if (StopRequested != 0) throw StoppedDuringReport{};
  }

 private:
  RecoveryWindow& window_;
  const ProcedureClock& clock_;
  const std::chrono::steady_clock::time_point started_;
  bool processing_messages_ = false;
};

void WritePortBlock(ReportLines& report, const InterfaceKind& kind, ListedPorts& listed) {
  const std::uint32_t count =
      CallLibrary<EntrySlot::get_enumerated_number_of_ports>(kind.port_type);
  report.Write(std::string(kind.count_line) + HexWord(static_cast<std::uint16_t>(count)));
  if (count == 0) report.Write(kNoneLine);
  // Counted from 0 so that a count of 0xFFFFFFFF ends too.
  for (std::uint32_t done = 0; done < count; ++done) {
    const std::string line =
        std::string(kDescriptorPrefix) +
        CallLibraryForText<EntrySlot::get_port_descriptor>(kind.port_type, done + 1);
    listed.Listed(kind, done + 1, CutToLogLimit(line).substr(kDescriptorPrefix.size()));
    report.Write(line);
  }
}

}  // namespace

void WriteReport(RecoveryWindow& window, ListedPorts& listed, const ProcedureClock& clock) {
  window.Log().Clear();
  ReportLines report(window, clock);
  report.Write(CallLibraryForText<EntrySlot::version>());
  report.Write(kSeparator);
  CallLibrary<EntrySlot::reenumerate_all_port_types>();
  report.Write(kSeparator);
  for (const InterfaceKind& kind : kInterfaceKinds) {
    if (&kind != &kInterfaceKinds.front()) report.Write(kSeparator);
    WritePortBlock(report, kind, listed);
  }
}
