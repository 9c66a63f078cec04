// Measures what each step of one log line costs in a list box placed and lettered like the log's.
//
// In a window of the program's size, with the program's manifest (so the list box is of the
// same class and style), it writes REPORT_STEPS_LINES lines (environment variable) in each of
// these ways, REPORT_STEPS_ROUNDS times over, and times every step with the performance counter:
// - the bare list box: add the line, scroll it into view, one immediate redraw;
// - the log as the program writes it: LogWriteLine over the program's ListBoxControl;
// - the log with the replace redrawing as it goes (taking the line out and putting it back with
//   drawing on, which updates the scroll bar twice), with each redraw also repainting the frame
//   and erasing first, and with both: the earlier ways, to show what each of them cost.
// It writes steps.tsv to its current folder, one line per way and step: way, step, milliseconds
// per line (median of the rounds). Exit code 0 when it measured.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "baseline_common.h"
#include "list_box_control.h"
#include "measure.h"
#include "output_log.h"
#include "gdi_owners.h"

namespace {

constexpr char kClassName[] = "ReportSteps";
constexpr char kCaption[] = "Report steps";

enum Step { kCountAndRead, kReplace, kRedrawAfterAppend, kAdd, kScroll, kRedrawAfterLine, kSteps };

constexpr std::array<const char*, kSteps> kStepNames = {
    "count and read the current line", "replace the current line",  "redraw after the append",
    "add the new current line",        "scroll to the newest line", "redraw after the line"};

struct Way {
  const char* name;
  bool bare;               // the bare list box rather than the log
  bool replace_redrawing;  // the replace with drawing on, as it was
  UINT redraw_flags;       // 0: the program's own RedrawNow
};

constexpr UINT kFrameAndErase = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW;

constexpr std::array<Way, 5> kWays = {{
    {"bare list box", true, false, RDW_INVALIDATE | RDW_UPDATENOW},
    {"log as written", false, false, 0},
    {"log, replace redrawing as it goes", false, true, 0},
    {"log, redraw with frame and erase", false, false, kFrameAndErase},
    {"log, both (as before)", false, true, kFrameAndErase},
}};

using Seconds = std::array<double, kSteps>;

// The program's list control, each call timed as the step of a log write it is, done the way
// `way` says.
class TimedLog final : public ListControl {
 public:
  TimedLog(ListBoxControl& list, const Way& way, Seconds& seconds)
      : list_(list), way_(way), seconds_(seconds) {}

  int Count() const override {
    const double begin = Now();
    const int count = list_.Count();
    seconds_[kCountAndRead] += Now() - begin;
    return count;
  }
  bool Add(std::string_view text) override {
    const double begin = Now();
    const bool added = list_.Add(text);
    seconds_[kAdd] += Now() - begin;
    return added;
  }
  std::string Read(int index) const override {
    const double begin = Now();
    std::string line = list_.Read(index);
    seconds_[kCountAndRead] += Now() - begin;
    return line;
  }
  bool Replace(int index, std::string_view text) override {
    const double begin = Now();
    bool replaced = true;
    if (way_.replace_redrawing) {
      ReplaceRedrawing(index, text);
    } else {
      replaced = list_.Replace(index, text);
    }
    seconds_[kReplace] += Now() - begin;
    return replaced;
  }
  void Clear() override { list_.Clear(); }
  void SetFirstVisible(int index) override {
    const double begin = Now();
    list_.SetFirstVisible(index);
    seconds_[kScroll] += Now() - begin;
  }
  void RedrawNow() override {
    const double begin = Now();
    if (way_.redraw_flags == 0) {
      list_.RedrawNow();
    } else {
      RedrawWindow(list_.Handle(), nullptr, nullptr, way_.redraw_flags);
    }
    // A write redraws twice: after its append, and after its new current line.
    const Step step = redraws_++ % 2 == 0 ? kRedrawAfterAppend : kRedrawAfterLine;
    seconds_[step] += Now() - begin;
  }

 private:
  void ReplaceRedrawing(int index, std::string_view text) {
    HWND list = list_.Handle();
    const LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    const std::string line(text);
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  }

  ListBoxControl& list_;
  const Way& way_;
  Seconds& seconds_;
  int redraws_ = 0;
};

std::string LineText(int n) {
  char text[96];
  std::snprintf(text, sizeof text, "%04X: Veyra K cable, serial number VK%07d, free", n & 0xFFFF,
                n);
  return text;
}

// Writes `lines` lines the way `way` says into an emptied list; the seconds each step took.
Seconds WriteLines(ListBoxControl& list, const Way& way, int lines) {
  Seconds seconds{};
  list.Clear();
  if (way.bare) {
    HWND handle = list.Handle();
    for (int n = 0; n < lines; ++n) {
      const std::string line = LineText(n);
      double begin = Now();
      SendMessageA(handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
      seconds[kAdd] += Now() - begin;
      begin = Now();
      SendMessageA(handle, LB_SETTOPINDEX, static_cast<WPARAM>(n), 0);
      seconds[kScroll] += Now() - begin;
      begin = Now();
      RedrawWindow(handle, nullptr, nullptr, way.redraw_flags);
      seconds[kRedrawAfterLine] += Now() - begin;
    }
    return seconds;
  }
  TimedLog log(list, way, seconds);
  for (int n = 0; n < lines; ++n) LogWriteLine(log, LineText(n));
  return seconds;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const char* lines_text = std::getenv("REPORT_STEPS_LINES");
  const char* rounds_text = std::getenv("REPORT_STEPS_ROUNDS");
  if (lines_text == nullptr || rounds_text == nullptr) return 2;
  const int lines = std::max(1, std::atoi(lines_text));
  const int rounds = std::max(1, std::atoi(rounds_text));
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  HWND window =
      CreateBaselineWindow(instance, kClassName, kCaption, &DefWindowProcA, WS_CLIPCHILDREN);
  if (window == nullptr) return 1;
  const GdiObject<HFONT> font(CreateLayoutFont());
  ListBoxControl list(CreateLogListBox(window, instance, font.Get()));
  if (list.Handle() == nullptr) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  PassOverPendingMessages();

  // Per way and step, the milliseconds per line of each round.
  std::vector<std::array<std::vector<double>, kSteps>> samples(kWays.size());
  for (int round = 0; round < rounds; ++round) {
    // Each round starts with another way, so that a drift of the machine's pace favours none.
    for (std::size_t i = 0; i < kWays.size(); ++i) {
      const std::size_t way = (i + static_cast<std::size_t>(round)) % kWays.size();
      const Seconds seconds = WriteLines(list, kWays[way], lines);
      for (std::size_t step = 0; step < kSteps; ++step) {
        samples[way][step].push_back(seconds[step] * 1000.0 / lines);
      }
      PassOverPendingMessages();
    }
  }

  std::FILE* out = std::fopen("steps.tsv", "w");
  if (out == nullptr) return 1;
  for (std::size_t way = 0; way < kWays.size(); ++way) {
    for (std::size_t step = 0; step < kSteps; ++step) {
      if (samples[way][step].front() == 0) continue;  // a step this way does not take
      std::fprintf(out, "%s\t%s\t%.4f\n", kWays[way].name, kStepNames[step],
                   Median(samples[way][step]));
    }
  }
  const bool written = std::fclose(out) == 0;
  DestroyWindow(window);
  return written ? 0 : 1;
}
