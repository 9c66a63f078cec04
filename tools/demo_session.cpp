// The demo without a screen: a short session of testz.exe driven through the UI driver.
// It runs the program in a prepared folder, chooses an interface kind, presses START, waits for
// the outcome, prints what the window shows and saves a screenshot of it.
#include <cstdio>
#include <string>
#include <vector>

#include "interface_kinds.h"
#include "ui_driver.h"

namespace {

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
const char* const kDefaultKind = kInterfaceKinds.front().item;
// How long the halt loop may run before the session presses STOP itself.
constexpr ui::Milliseconds kRunLimit{30000};

void PrintLog(HWND list) {
  for (const std::string& line : ui::ListLines(list)) std::printf("  | %s\n", line.c_str());
}

const char* State(HWND button) {
  return ui::IsEnabled(button) ? "enabled" : "disabled";
}

int Fail(const char* message) {
  std::fprintf(stderr, "demo: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: demo_session FOLDER SCREENSHOT.bmp [INTERFACE-KIND]\n");
    return 2;
  }
  const std::wstring folder = ui::ToWide(argv[1]);
  const std::wstring screenshot = ui::ToWide(argv[2]);
  const std::string kind = argc == 4 ? argv[3] : kDefaultKind;

  std::string error;
  ui::Program program = ui::Program::Start(folder + L"\\testz.exe", folder, {}, &error);
  if (!program.Running()) return Fail(error.c_str());
  HWND window = program.WaitForWindow(kCaption);
  if (window == nullptr) return Fail("testz.exe showed no window");
  std::printf("%s: the window is open\n", kCaption);

  HWND list = ui::FindControls(window, "ListBox").at(0);
  HWND start = ui::FindControl(window, "Button", "START");
  HWND stop = ui::FindControl(window, "Button", "STOP");
  HWND choice = ui::FindControl(window, "Button", kind);
  HWND label6 = ui::FindControl(window, "Static", "?.??");
  if (start == nullptr || stop == nullptr || choice == nullptr || label6 == nullptr) {
    return Fail("a control is missing from the window");
  }
  const std::vector<std::string> start_up = ui::ListLines(list);
  std::printf("At start-up (START %s, STOP %s):\n", State(start), State(stop));
  PrintLog(list);

  bool ran = false;
  if (ui::IsEnabled(start)) {
    std::printf("Choosing \"%s\" and pressing START\n", kind.c_str());
    ui::Click(choice);
    ui::WaitUntil([&] { return ui::IsChecked(choice); });
    ui::Click(start);
    // The procedure clears the log first and leaves STOP disabled at every end.
    const auto ended = [&] { return ui::ListLines(list) != start_up && !ui::IsEnabled(stop); };
    if (!ui::WaitUntil(ended, kRunLimit)) {
      std::printf("Still halting after %lld s: pressing STOP\n",
                  static_cast<long long>(kRunLimit.count() / 1000));
      ui::Click(stop);
      ui::WaitUntil(ended);
    }
    ran = true;
    std::printf("After START (START %s, STOP %s, version label %s):\n", State(start), State(stop),
                ui::Text(label6).c_str());
    PrintLog(list);
  } else {
    std::printf("START is disabled: the session ends at start-up\n");
  }

  const std::optional<ui::Screenshot> shot = ui::Capture(window);
  if (shot && shot->SaveBmp(screenshot)) {
    std::printf("Screenshot saved\n");
  } else {
    std::fprintf(stderr, "demo: the screenshot could not be saved\n");
  }

  ui::Close(window);
  const std::optional<DWORD> exit_code = program.WaitForExit();
  if (!exit_code) return Fail("testz.exe did not end after its window was closed");
  std::printf("testz.exe ended with exit code %lu\n", static_cast<unsigned long>(*exit_code));
  return ran && *exit_code == 0 ? 0 : 1;
}
