// The companion's link taken from the environment and checked before any of it is trusted.
#include "companion_link.h"

#include <windows.h>

#include <string>
#include <utility>

#include "companion_protocol.h"

namespace {

std::optional<std::wstring> Variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  value.resize(length);
  return value;
}

// A handle testz.com made inheritable for this process: open here, inheritable, none of the
// standard handles, and something that can be waited for.
bool Inherited(HANDLE handle) {
  DWORD flags = 0;
  if (!GetHandleInformation(handle, &flags) || (flags & HANDLE_FLAG_INHERIT) == 0) return false;
  for (DWORD standard : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    if (GetStdHandle(standard) == handle) return false;
  }
  const DWORD state = WaitForSingleObject(handle, 0);
  return state == WAIT_OBJECT_0 || state == WAIT_TIMEOUT;
}

}  // namespace

CompanionLink::CompanionLink(KernelHandle companion, KernelHandle stop_event,
                             bool progress_in_place)
    : companion_(std::move(companion)),
      stop_event_(std::move(stop_event)),
      progress_in_place_(progress_in_place) {}

std::optional<CompanionLink> CompanionLink::FromEnvironment() {
  const std::optional<std::wstring> text = Variable(kCompanionVariable);
  SetEnvironmentVariableW(kCompanionVariable, nullptr);
  if (!text) return std::nullopt;
  const std::optional<CompanionValue> value = ParseCompanionValue(*text);
  if (!value) return std::nullopt;
  const auto process = reinterpret_cast<HANDLE>(value->process);
  const auto event = reinterpret_cast<HANDLE>(value->stop_event);
  if (!Inherited(process) || !Inherited(event)) return std::nullopt;
  SetHandleInformation(process, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(event, HANDLE_FLAG_INHERIT, 0);
  return CompanionLink(KernelHandle(process), KernelHandle(event), value->progress_in_place);
}

bool CompanionLink::StopAsked() const {
  const HANDLE either[] = {stop_event_.Get(), companion_.Get()};
  const DWORD state = WaitForMultipleObjects(2, either, FALSE, 0);
  return state == WAIT_OBJECT_0 || state == WAIT_OBJECT_0 + 1;
}
