// End-to-end tests of what testz.exe answers from its command line alone, before anything is
// loaded: the version, the usage and a bad argument, wherever its starter reads them.
#include <chrono>
#include <vector>

#include "build_commit.h"
#include "testz_test.h"

namespace {

using Arguments = TestzTest;

TEST_F(Arguments, VersionIsTheVersionResourcesWithTheBuildsCommit) {
  LaunchWithArguments(Library::kSimulator, "", L"--version");
  EXPECT_EQ(program_.WaitForExit(std::chrono::seconds(30)), 0u);
  const std::wstring program = folder_ + L"\\testz.exe";
  std::vector<char> info(GetFileVersionInfoSizeW(program.c_str(), nullptr));
  wchar_t* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      !info.empty() &&
      GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
      VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                     reinterpret_cast<void**>(&version), &length));
  EXPECT_EQ(FileText(L"output.txt"), "Corvane Tesmar Recovery Utility " + ui::ToAnsi(version) +
                                         " (build " TESTZ_BUILD_COMMIT ")\r\n");
}

// The usage goes to standard error where standard output is unusable. With neither nor a console,
// a bad argument shows no message box on a station nobody sees (a service's): it would never close.
TEST_F(Arguments, TextsWithoutStandardOutputGoToStandardErrorOrNowhereUnseen) {
  const Owned<HWINSTA, &CloseWindowStation> station(
      CreateWindowStationW(L"testz_unseen", 0, WINSTA_ALL_ACCESS, nullptr));
  HWINSTA own = GetProcessWindowStation();
  ASSERT_TRUE(station && SetProcessWindowStation(station.Get())) << GetLastError();
  const Owned<HDESK, &CloseDesktop> desktop(
      CreateDesktopW(L"unseen", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
  ASSERT_TRUE(SetProcessWindowStation(own) && desktop) << GetLastError();
  const auto run = [&](const wchar_t* arguments, ui::StandardHandles handles,
                       const wchar_t* on_desktop) {
    const std::vector<ui::Variable> variables = Prepare(Library::kNone, "");
    std::string error;
    program_ = ui::Program::Start(folder_ + L"\\testz.exe", folder_, variables, &error, arguments,
                                  folder_ + L"\\error.txt", handles, on_desktop);
    EXPECT_TRUE(program_.Running()) << error;
    return program_.WaitForExit(std::chrono::seconds(30));
  };
  EXPECT_EQ(run(L"/?", ui::StandardHandles::kErrorOnly, L""), 0u);
  EXPECT_EQ(FileText(L"error.txt").value_or("").rfind("Usage: testz.exe --run KIND", 0), 0u);
  EXPECT_EQ(
      run(L"--run 1 --save-log --summary", ui::StandardHandles::kNone, L"testz_unseen\\unseen"),
      64u);
}

}  // namespace
