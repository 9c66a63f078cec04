// The end-to-end tests' fixture: testz.exe in a fresh folder beside the simulator library.
#include "testz_test.h"

#include <algorithm>

std::wstring PayloadFile(const std::wstring& name) {
  return ui::ProgramFolder() + L"\\payload\\" + name;
}

std::vector<ui::Variable> TestzTest::Prepare(Library library, const std::string& scenario) {
  // A program the test ran before in the folder lets go of it (and of its files) first.
  program_ = ui::Program();
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = ui::ProgramFolder() + L"\\work\\" +
            ui::ToWide(std::string(test->test_suite_name()) + "." + test->name()) + folder_suffix_;
  std::vector<ui::FileCopy> files{{PayloadFile(program_payload_), L"testz.exe"}};
  if (library == Library::kSimulator) {
    files.push_back({PayloadFile(L"libraries\\simulator.dll"), L"unit_kelm.DLL"});
  } else if (library == Library::kSimulatorWithoutGetBlock) {
    files.push_back({PayloadFile(L"libraries\\simulator_without_get_block.dll"), L"unit_kelm.DLL"});
  }
  std::string error;
  EXPECT_TRUE(ui::PrepareFolder(folder_, files, &error)) << error;
  std::vector<ui::Variable> variables{{"UNIT_KELM_TRACE", ui::ToAnsi(folder_ + L"\\trace.txt")},
                                      {"UNIT_KELM_SCENARIO", ""}};
  if (!scenario.empty()) {
    const std::wstring scenario_file = folder_ + L"\\scenario.txt";
    EXPECT_TRUE(ui::WriteTextFile(scenario_file, scenario));
    variables.back().value = ui::ToAnsi(scenario_file);
  }
  variables.insert(variables.end(), variables_.begin(), variables_.end());
  return variables;
}

void TestzTest::Launch(Library library, const std::string& scenario) {
  const std::vector<ui::Variable> variables = Prepare(library, scenario);
  ASSERT_FALSE(HasFailure());
  std::string error;
  program_ = ui::Program::Start(folder_ + L"\\testz.exe", folder_, variables, &error);
  ASSERT_TRUE(program_.Running()) << error;
  window_ = program_.WaitForWindow(kCaption);
  ASSERT_NE(window_, nullptr) << "testz.exe showed no window captioned " << kCaption;
}

void TestzTest::LaunchWithArguments(Library library, const std::string& scenario,
                                    const std::wstring& arguments,
                                    const std::function<void()>& before_start) {
  const std::vector<ui::Variable> variables = Prepare(library, scenario);
  ASSERT_FALSE(HasFailure());
  if (before_start) before_start();
  std::string error;
  program_ = ui::Program::Start(folder_ + L"\\testz.exe", folder_, variables, &error, arguments,
                                folder_ + L"\\output.txt");
  ASSERT_TRUE(program_.Running()) << error;
}

std::optional<std::string> TestzTest::FileText(const std::wstring& name) {
  return ui::ReadWholeFile(folder_ + L"\\" + name);
}

HWND TestzTest::Find(const char* class_name, const char* text) {
  HWND control = ui::FindControl(window_, class_name, text);
  EXPECT_NE(control, nullptr) << "no " << class_name << " \"" << text << "\"";
  return control;
}

HWND TestzTest::List() {
  const std::vector<HWND> lists = ui::FindControls(window_, "ListBox");
  EXPECT_EQ(lists.size(), 1u);
  return lists.empty() ? nullptr : lists.front();
}

HWND TestzTest::Panel() {
  return GetParent(Find("Button", "START"));
}

Lines TestzTest::Trace() {
  return ui::ReadLines(folder_ + L"\\trace.txt");
}

bool TestzTest::WaitForLogLine(const std::string& line) {
  return ui::WaitUntil([&] {
    const Lines log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  });
}

bool TestzTest::WaitForProcedureEnd(const Lines& before) {
  HWND start = Find("Button", "START");
  HWND stop = Find("Button", "STOP");
  return ui::WaitUntil(
      [&] { return ui::IsEnabled(start) && !ui::IsEnabled(stop) && Log() != before; });
}

void TestzTest::Choose(const char* item) {
  HWND choice = Find("Button", item);
  ASSERT_TRUE(ui::Click(choice));
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsChecked(choice); }));
}

void TestzTest::StartHaltLoop(const char* kind) {
  Choose(kind);
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(
      WaitForLogLine("Please try power cycling your board until this operation is successful"))
      << "the halt loop did not start";
  ASSERT_TRUE(ui::IsEnabled(Find("Button", "STOP")));
  ASSERT_FALSE(ui::IsEnabled(Find("Button", "START")));
}

std::string TestzTest::Masked(const std::string& line) {
  const std::string attempt = "corvane_special_features(44000100, ";
  if (line.rfind(attempt, 0) != 0) return line;
  // The status address is the sixth argument.
  std::size_t start = 0;
  for (int comma = 0; comma < 5 && start != std::string::npos; ++comma) {
    start = line.find(", ", start + 1);
  }
  if (start == std::string::npos) return line;
  const std::size_t end = line.find(',', start + 2);
  if (end == std::string::npos) return line;
  return line.substr(0, start + 2) + "&HaltStatus" + line.substr(end);
}

Lines TestzTest::Masked(const Lines& lines) {
  Lines masked;
  for (const std::string& line : lines) masked.push_back(Masked(line));
  return masked;
}
