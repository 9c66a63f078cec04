// The end-to-end tests' fixture: testz.exe in a fresh folder beside the simulator library.
// A test reads the program's window and the library's trace through it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "interface_kinds.h"
#include "ui_driver.h"

using Lines = std::vector<std::string>;

inline constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";

// The "Test Hardware" item of the interface kind that the scenarios number `port_type`.
inline const char* ItemOfPortType(std::uint32_t port_type) {
  for (const InterfaceKind& kind : kInterfaceKinds) {
    if (kind.port_type == port_type) return kind.item;
  }
  return "";
}

// A file of the payload the tests copy from (the program, the power switch, the libraries).
std::wstring PayloadFile(const std::wstring& name);

// What lies beside testz.exe as unit_kelm.DLL.
enum class Library { kNone, kSimulator, kSimulatorWithoutGetBlock };

class TestzTest : public ::testing::Test {
 protected:
  // Starts testz.exe in build/.../e2e/work/<Suite.Case>/ with `library` beside it and waits for
  // its window. The simulator reads `scenario` (its built-in demo when empty) and traces every
  // call into trace.txt in that folder.
  void Launch(Library library, const std::string& scenario = "");
  // The same with `arguments` on the command line and the program's standard output and error
  // going to output.txt in the folder; it waits for no window. `before_start` runs once the folder
  // is ready.
  void LaunchWithArguments(Library library, const std::string& scenario,
                           const std::wstring& arguments,
                           const std::function<void()>& before_start = nullptr);
  // A file of the folder, whole; nothing when it cannot be read.
  std::optional<std::string> FileText(const std::wstring& name);

  // A control of the window by class and text; the test fails when there is none.
  HWND Find(const char* class_name, const char* text);
  HWND List();
  // The panel: the parent of the START button.
  HWND Panel();
  Lines Log() { return ui::ListLines(List()); }
  // The simulator's trace so far.
  Lines Trace();
  // Waits until the log holds `line` (true), or a few seconds have passed (false).
  bool WaitForLogLine(const std::string& line);
  // Waits until START and STOP are back in their idle states with the log changed from
  // `before`: the START procedure has ended.
  bool WaitForProcedureEnd(const Lines& before);
  // Chooses the interface kind, presses START and waits until the halt loop runs.
  void StartHaltLoop(const char* kind);
  // Chooses an item of the "Test Hardware" group and waits until it shows checked.
  void Choose(const char* item);

  // A trace line with the address of the status byte of a halt attempt replaced by
  // "&HaltStatus", as tests cannot know it; other lines as they are.
  static std::string Masked(const std::string& line);
  static Lines Masked(const Lines& lines);

  // Makes the folder with testz.exe and `library`, and the simulator's variables for `scenario`.
  std::vector<ui::Variable> Prepare(Library library, const std::string& scenario);

  ui::Program program_;
  HWND window_ = nullptr;
  std::wstring folder_;
  // What is started as testz.exe: the program, or its test build (testz_test_build.exe), with
  // these variables besides the simulator's.
  std::wstring program_payload_ = L"testz.exe";
  // Added to the folder's name: a second program of the same test gets a folder of its own.
  std::wstring folder_suffix_;
  std::vector<ui::Variable> variables_;
};
