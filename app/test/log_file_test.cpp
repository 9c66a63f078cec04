// Tests of the log saved to a file: its bytes, the file it replaces, long folders, and a write that
// fails, in the test's own process.
#include "log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "saved_file.h"
#include "system_error.h"
#include "ui_driver.h"

namespace {

class LogFile : public ::testing::Test {
 protected:
  // Each case in a folder of its own under the current one, emptied at its start: no file left by
  // an earlier run, nor one of a case running beside it, is seen.
  void SetUp() override {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    folder_ = current + (L"\\log-file-test\\" +
                         ui::ToWide(testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::string error;
    ASSERT_TRUE(ui::PrepareFolder(L"\\\\?\\" + folder_, {}, &error)) << error;
    folder_ += L"\\";
  }
  // What the file at a full path holds.
  static std::string Bytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(L"\\\\?\\" + path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  // Whether the save left one of its own files, "tzl….tmp", in the folder.
  bool WriteLeftAFile() const {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"tzl*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return search != INVALID_HANDLE_VALUE;
  }
  std::wstring folder_;
};

// Wine 8's ReplaceFileW moves the new file in without the attributes of the one it replaces.
bool UnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST_F(LogFile, HoldsTheLinesInUtf8AfterAByteOrderMarkAndKeepsTheAttributesOfTheFileItReplaces) {
  // "café" in the ANSI code page the log holds (Windows-1252 under Wine's English locale); an
  // earlier, longer file is replaced, and stays hidden.
  const std::wstring saved = folder_ + L"saved.txt";
  ASSERT_EQ(SaveLogText(saved, "an earlier, longer file"), 0u);
  ASSERT_TRUE(SetFileAttributesW(saved.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(SaveLogText(saved, "\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xE9"), 0u);
  EXPECT_EQ(Bytes(saved), "\xEF\xBB\xBF\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xC3\xA9");
  if (!UnderWine()) {
    EXPECT_TRUE(GetFileAttributesW(saved.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  }
  EXPECT_FALSE(WriteLeftAFile());
  const SYSTEMTIME moment{2026, 12, 2, 8, 9, 5, 7, 0};
  EXPECT_EQ(LogFileName(moment), L"testz-log-20261208-090507.txt");
}

TEST_F(LogFile, SavesIntoFoldersLongerThanTemporaryNamesAllowAndLongerThanMaxPath) {
  std::wstring folder = folder_;
  for (const std::size_t length : {std::size_t{MAX_PATH - 10}, std::size_t{MAX_PATH + 40}}) {
    folder += std::wstring(length - folder.size() - 1, L'f') + L"\\";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    EXPECT_EQ(SaveLogText(folder + L"log.txt", "a line"), 0u) << folder.size();
    EXPECT_EQ(Bytes(folder + L"log.txt"),
              "\xEF\xBB\xBF"
              "a line");
  }
}

TEST_F(LogFile, AWriteThatFailsLeavesNoFileAndTheEarlierOneAsItWasAndSaysWhy) {
  const std::wstring kept = folder_ + L"kept.txt";
  ASSERT_EQ(SaveLogText(kept, "earlier"), 0u);
  ASSERT_TRUE(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(SaveLogText(kept, "a line"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Bytes(kept),
            "\xEF\xBB\xBF"
            "earlier");
  EXPECT_FALSE(WriteLeftAFile()) << "the written file is removed";
  EXPECT_EQ(SaveLogText(folder_ + L"no such folder\\log.txt", "a line"),
            static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // The system's sentence, without the line end its message table gives it; a code the system
  // has no words for, by its number.
  const std::wstring reason = SystemErrorText(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(reason.size() > 1 && reason.back() == L'.') << ui::ToAnsi(reason);
  EXPECT_EQ(reason.find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(SystemErrorText(0x20001234), L"Error 536875572.");
}

// Another program's file of the same name is passed over, never overwritten nor removed.
TEST_F(LogFile, ATemporaryNameThatIsTakenIsPassedOver) {
  unsigned (*const start)() = TemporaryNameStart;
  TemporaryNameStart = [] { return 0x1234ABCDu; };
  const std::wstring taken = folder_ + L"tzl1234ABCD.tmp";
  ASSERT_TRUE(ui::WriteTextFile(taken, "someone else's"));
  const DWORD error = SaveLogText(folder_ + L"log.txt", "a line");
  TemporaryNameStart = start;
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Bytes(taken), "someone else's");
  EXPECT_EQ(Bytes(folder_ + L"log.txt"),
            "\xEF\xBB\xBF"
            "a line");
}

TEST(ExtendedLengthPath, AShareOnAnotherMachineAndALocalPathAndADevice) {
  EXPECT_EQ(ExtendedLengthPath(L"\\\\server\\share\\logs\\log.txt"),
            L"\\\\?\\UNC\\server\\share\\logs\\log.txt");
  EXPECT_EQ(ExtendedLengthPath(L"C:\\logs\\..\\log.txt"), L"\\\\?\\C:\\log.txt");
  EXPECT_EQ(ExtendedLengthPath(L"\\\\.\\NUL"), L"\\\\.\\NUL");
}

}  // namespace
