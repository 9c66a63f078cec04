// The summary of an unattended run as JSON, through nlohmann-json.
#include "run_summary.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

std::string Iso8601Utc(std::chrono::system_clock::time_point moment) {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  const auto since_epoch = duration_cast<milliseconds>(moment.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(since_epoch / 1000);
  // Into a buffer of the caller's: a watchdog or a crash handler may write a summary from another
  // thread.
  std::tm utc{};
#if defined(_WIN32)
  if (gmtime_s(&utc, &seconds) != 0) return "";
#else
  if (gmtime_r(&seconds, &utc) == nullptr) return "";
#endif
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(since_epoch % 1000));
  return text;
}

namespace {

nlohmann::ordered_json EventJson(const PowerCycleEvent& event) {
  nlohmann::ordered_json json = {{"started", Iso8601Utc(event.started)},
                                 {"seconds", event.seconds}};
  switch (event.end) {
    case PowerCycleEvent::End::kRunning: json["running"] = true; break;
    case PowerCycleEvent::End::kExited: json["exit_code"] = event.exit_code; break;
    case PowerCycleEvent::End::kLimit: json["ended_by"] = "limit"; break;
    case PowerCycleEvent::End::kRunEnd: json["ended_by"] = "run_end"; break;
  }
  return json;
}

}  // namespace

std::string SummaryJson(const RunSummary& summary) {
  nlohmann::ordered_json json = {
      {"outcome", summary.outcome ? RowOf(*summary.outcome).name : "running"},
      {"exit_code", nullptr},
      {"kind", summary.kind},
      {"protocol", summary.protocol},
      {"port", nullptr},
      {"port_descriptor", nullptr},
      {"attempts", summary.attempts},
      {"seconds", summary.seconds},
      {"library_version", summary.library_version},
      {"cable_version", nullptr},
      {"power_cycles", summary.power_cycles},
      {"power_cycle_failures", summary.power_cycle_failures},
      {"power_cycle_running_at_exit", summary.power_cycle_running_at_exit},
      {"power_cycle_events", nlohmann::ordered_json::array()},
      {"started", Iso8601Utc(summary.started)},
      {"ended", nullptr},
      {"process_id", summary.process_id},
      {"last_line", summary.last_line},
  };
  if (summary.outcome) {
    json["exit_code"] = summary.exit_code;
    json["ended"] = Iso8601Utc(summary.ended);
  }
  if (summary.port) json["port"] = *summary.port;
  if (summary.port_descriptor) json["port_descriptor"] = *summary.port_descriptor;
  if (summary.cable_version) json["cable_version"] = *summary.cable_version;
  for (const PowerCycleEvent& event : summary.power_cycle_events) {
    json["power_cycle_events"].push_back(EventJson(event));
  }
  if (summary.error) json["error"] = *summary.error;
  if (summary.error_code) json["error_code"] = *summary.error_code;
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
