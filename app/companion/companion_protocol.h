// How testz.com and testz.exe talk: the variable that hands testz.exe the link, and the marker of
// the progress lines testz.com shows in place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// testz.com sets it for testz.exe: "<process>;<event>;<in place>", the handle values in decimal.
// <process> is an inheritable SYNCHRONIZE handle to testz.com itself, <event> an inheritable
// manual-reset event it sets on Ctrl+C, Ctrl+Break or its console's close, and <in place> is 1
// where its standard output is an interactive console, else 0.
inline constexpr wchar_t kCompanionVariable[] = L"TESTZ_COMPANION";

struct CompanionValue {
  std::uintptr_t process = 0;
  std::uintptr_t stop_event = 0;
  bool progress_in_place = false;
};

std::wstring FormatCompanionValue(const CompanionValue& value);
// Nothing unless `text` is exactly three fields as above, both handles non-zero and different.
std::optional<CompanionValue> ParseCompanionValue(std::wstring_view text);

// A line of testz.exe's standard output that begins with this byte (ASCII record separator) is a
// progress line: written only where testz.com shows progress in place, which strips it. Log text
// never holds it: the stream writes control characters as spaces.
inline constexpr char kProgressMarker = '\x1E';

// The text of a progress line, without its marker; nothing for any other line.
inline std::optional<std::string_view> ProgressText(std::string_view line) {
  if (line.empty() || line.front() != kProgressMarker) return std::nullopt;
  return line.substr(1);
}
