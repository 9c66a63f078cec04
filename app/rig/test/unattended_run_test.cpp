// Tests of the unattended run beside the real main window, in the test's own process under Wine:
// what it is told is what the window shows.
#include "unattended_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "demoz.h"
#include "log_file.h"
#include "log_text.h"
#include "message_loop.h"
#include "recovery_doubles.h"
#include "text_encoding.h"

namespace {

std::wstring TemporaryFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"unattended-run-test-" + name;
  DeleteFileW(path.c_str());
  return path;
}

std::string Bytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The window as the run presses it; as the run closes it, the log is saved from the window as
// "Save log as…" saves it, to compare with the run's own.
class SavedFromTheWindowFirst final : public RigWindow {
 public:
  SavedFromTheWindowFirst(TMainform& form, std::wstring path) : form_(form), path_(path) {}
  void PressStart(int hardware_type, const PortChoice& port) override {
    form_.PressStart(hardware_type, port);
  }
  void PressStop() override { form_.PressStop(); }
  void Close() override {
    EXPECT_EQ(SaveLogText(path_, LogText(form_.ListBox1())), 0u);
    form_.Close();
  }

 private:
  TMainform& form_;
  std::wstring path_;
};

TEST(UnattendedRun, SavesTheLogByteForByteAsSaveLogAsSavesItFromTheWindow) {
  Journal journal;
  ScriptedLibrary library(journal);
  // Bytes above 127 in the ANSI code page, and a line rewritten in place by the log.
  library.version = "Library caf\xE9 \x80\x9F\xFF";
  library.counts[3] = 2;
  library.counts[9] = 1;
  library.halt = HaltsAt(3);
  UnattendedOptions options;
  options.hardware_type = 1;
  const std::wstring from_window = TemporaryFile(L"window.txt");
  const std::wstring from_run = TemporaryFile(L"run.txt");
  options.save_log = BytesFrom(CP_UTF8, from_run);

  UnattendedRun run(options);
  TMainform form(GetModuleHandleA(nullptr), nullptr, &run);
  SavedFromTheWindowFirst window(form, from_window);
  run.Attach(window);
  run.WindowShown(true);
  RunMessageLoop(form.Handle());

  EXPECT_EQ(run.Finish(), 0);
  const std::string saved = Bytes(from_run);
  EXPECT_NE(saved.find("Success. Processor halted."), std::string::npos);
  EXPECT_EQ(saved, Bytes(from_window));
  DeleteFileW(from_window.c_str());
  DeleteFileW(from_run.c_str());
}

// The halt loop's time to the millisecond, as the loop measured it.
TEST(UnattendedRun, TheSummaryGivesTheLoopsSecondsToTheMillisecond) {
  const std::wstring summary = TemporaryFile(L"summary.json");
  UnattendedOptions options;
  options.summary = BytesFrom(CP_UTF8, summary);
  UnattendedRun run(options);
  struct NoWindow final : RigWindow {
    void PressStart(int, const PortChoice&) override {}
    void PressStop() override {}
    void Close() override {}
  } window;
  run.Attach(window);
  run.HaltLoopEnded(HaltCount{1234, std::chrono::microseconds(2345678), 0});
  run.RunEnded(RecoveryEnding::kStopped);
  EXPECT_EQ(run.Finish(), 1);
  const std::string json = Bytes(summary);
  EXPECT_NE(json.find("\"seconds\": 2.346,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"attempts\": 1234,"), std::string::npos) << json;
  DeleteFileW(summary.c_str());
}

}  // namespace
