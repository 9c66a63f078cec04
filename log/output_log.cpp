// The output log: lines written into a list control.
#include "output_log.h"

namespace {

// Characters 0 to 32 (space and the control characters) count as blank.
bool IsBlankChar(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsBlank(std::string_view line) {
  for (char c : line) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

}  // namespace

std::string_view CutToLogLimit(std::string_view text) {
  return text.substr(0, kLogTextLimit);
}

bool LogAppend(ListControl& list, std::string_view text) {
  // Callers hold texts to the limit; a longer one is cut here too rather than passed on.
  text = CutToLogLimit(text);
  if (list.Count() == 0 && !list.Add("")) return false;
  const int last = list.Count() - 1;
  const std::string line = list.Read(last);
  const bool replaced =
      IsBlank(line) ? list.Replace(last, text) : list.Replace(last, line + std::string(text));
  if (!replaced) return false;
  list.RedrawNow();
  return true;
}

bool LogWriteLine(ListControl& list, std::string_view text) {
  if (!LogAppend(list, text) || !list.Add("")) return false;
  list.SetFirstVisible(list.Count() - 1);
  list.RedrawNow();
  return true;
}

void LogEndWith(ListControl& list, std::string_view notice) {
  notice = CutToLogLimit(notice);
  const int count = list.Count();
  if (count == 0 ? !list.Add(notice) : !list.Replace(count - 1, notice)) return;
  list.SetFirstVisible(list.Count() - 1);
  list.RedrawNow();
}
