// End-to-end tests of testz.com, the console companion, started as a prompt or a CI job starts
// testz: read back through its exit code, its standard output and error, and the run's files.
#include <windows.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

#include "testz_test.h"

namespace {

using std::chrono::seconds;

constexpr char kNeverHalts[] = "count.3 = 1\nhalt = never\n";
constexpr wchar_t kRunWithFiles[] = L"--run 1 --save-log recovery.txt --summary summary.json";

class Companion : public TestzTest {
 protected:
  // Starts testz.com beside testz.exe (or alone) on the simulator's `scenario`, its standard output
  // going to output.txt and its standard error to error.txt; with a console of its own where
  // `console`.
  void Start(const std::string& scenario, const std::wstring& arguments, bool beside_testz = true,
             bool console = false) {
    const std::vector<ui::Variable> variables = Prepare(Library::kSimulator, scenario);
    const std::wstring companion = folder_ + L"\\testz.com";
    ASSERT_TRUE(CopyFileW(PayloadFile(L"testz.com").c_str(), companion.c_str(), FALSE));
    if (!beside_testz) {
      ASSERT_TRUE(DeleteFileW((folder_ + L"\\testz.exe").c_str()));
    }
    std::string error;
    program_ = ui::Program::Start(companion, folder_, variables, &error, arguments,
                                  folder_ + L"\\output.txt", ui::StandardHandles::kOutputAndError,
                                  L"", folder_ + L"\\error.txt", console);
    ASSERT_TRUE(program_.Running()) << error;
  }

  std::optional<DWORD> Run(const std::string& scenario, const std::wstring& arguments,
                           bool beside_testz = true) {
    Start(scenario, arguments, beside_testz);
    if (HasFatalFailure()) return std::nullopt;
    return program_.WaitForExit(seconds(60));
  }

  bool WaitForAttempts() {
    return ui::WaitUntil([&] {
      for (const std::string& line : Trace()) {
        if (line.rfind("corvane_special_features(44000100", 0) == 0) return true;
      }
      return false;
    });
  }

  // Waits until the run has been stopped as the window's close stops it, its log and summary
  // written (true), or a minute has passed (false).
  bool WaitForStoppedRun() {
    return ui::WaitUntil(
        [&] {
          const std::string log = FileText(L"recovery.txt").value_or("");
          return log.size() > 16 && log.substr(log.size() - 16) == "Stopped by user." &&
                 nlohmann::json::parse(FileText(L"summary.json").value_or("{}"))["outcome"] ==
                     "stopped";
        },
        seconds(60));
  }
};

// Ctrl+C pressed in the console of process `id`: this process attaches to that console for the
// moment and ignores the signal itself, for good, as it reaches this process after the call.
void PressCtrlC(DWORD id) {
  FreeConsole();
  ASSERT_TRUE(AttachConsole(id));
  SetConsoleCtrlHandler(nullptr, TRUE);
  EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  FreeConsole();
}

TEST_F(Companion, PassesTheArgumentsOnAsGivenAndTheUsageAndErrorsWhereTheyBelong) {
  EXPECT_EQ(Run("", L"--run 1  --timeout \"0  s\""), 64u);
  EXPECT_EQ(FileText(L"error.txt"),
            "testz.exe: --timeout needs a positive number of seconds, not \"0  s\"\r\n"
            "Run testz.exe --help for the usage.\r\n");
  EXPECT_EQ(FileText(L"output.txt"), "");
  EXPECT_FALSE(FileText(L"trace.txt")) << "the library was never loaded";

  EXPECT_EQ(Run("", L"--help"), 0u);
  EXPECT_EQ(FileText(L"output.txt").value_or("").rfind("Usage: testz.exe --run KIND", 0), 0u);
}

TEST_F(Companion, ExitsWith69AndTheSystemsReasonWithoutTestzExe) {
  EXPECT_EQ(Run("", L"--help", false), 69u);
  const std::string error = FileText(L"error.txt").value_or("");
  const std::string start =
      "testz.com: " + ui::ToAnsi(folder_) + "\\testz.exe could not be started: ";
  EXPECT_EQ(error.rfind(start, 0), 0u) << error;
  EXPECT_GT(error.size(), start.size() + 2) << "the reason";
}

TEST_F(Companion, PassesTheRunsCodeOnWithItsLogStreamedAsItGoes) {
  EXPECT_EQ(Run("count.3 = 1\nhalt = milliseconds 2000\n", kRunWithFiles), 0u);
  const Lines output = ui::ReadLines(folder_ + L"\\output.txt");
  ASSERT_FALSE(output.empty());
  Lines log;
  int progress = 0;
  for (auto line = output.begin(); line + 1 != output.end(); ++line) {
    if (line->find(" attempts \xC2\xB7 ") != std::string::npos) {
      ++progress;
    } else {
      log.push_back(*line);
    }
  }
  // Every line as it was written: those START cleared, then the log as it was saved.
  Lines saved = ui::ReadLines(folder_ + L"\\recovery.txt");
  ASSERT_FALSE(saved.empty());
  saved.front().erase(0, 3);  // its byte order mark
  // An empty last line ends the saved file with a line end, which reads as no line.
  if (!log.empty() && log.back().empty()) log.pop_back();
  ASSERT_GE(log.size(), saved.size());
  EXPECT_EQ(Lines(log.end() - static_cast<std::ptrdiff_t>(saved.size()), log.end()), saved);
  EXPECT_GE(progress, 1);
  EXPECT_NE(output.back().find("halted"), std::string::npos) << output.back();
  EXPECT_EQ(FileText(L"error.txt"), "");

  EXPECT_EQ(Run(kNeverHalts, L"--run 1 --timeout 1"), 2u);
}

TEST_F(Companion, CtrlCStopsTheRunAsTheWindowsCloseDoesAndASecondOneDoesTheSame) {
  Start(kNeverHalts, kRunWithFiles, true, true);
  ASSERT_TRUE(WaitForAttempts());
  PressCtrlC(program_.Id());
  PressCtrlC(program_.Id());
  ASSERT_EQ(program_.WaitForExit(seconds(60)), 1u);
  EXPECT_TRUE(WaitForStoppedRun());
}

TEST_F(Companion, TestzExeStopsTheRunWhenTheCompanionIsEnded) {
  Start(kNeverHalts, kRunWithFiles);
  ASSERT_TRUE(WaitForAttempts());
  program_.Kill();
  EXPECT_TRUE(WaitForStoppedRun());
}

}  // namespace
