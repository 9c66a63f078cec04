// Tests of the log saved to a file: its bytes, and a write that fails, in the test's own process.
#include "log_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// A folder of its own under the current one, and what a file in it holds.
const std::wstring kFolder = L"log-file-test\\";
std::string Bytes(const std::wstring& name) {
  std::ifstream file("log-file-test\\" + std::string(name.begin(), name.end()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}
// The save's own files, "tzl….tmp", left in the folder.
bool WriteLeftAFile() {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((kFolder + L"tzl*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return search != INVALID_HANDLE_VALUE;
}

TEST(LogFile, HoldsTheLinesInUtf8AfterAByteOrderMarkUnderTheMomentsName) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  // "café" in the ANSI code page the log holds (Windows-1252 under Wine's English locale); an
  // earlier, longer file is replaced.
  ASSERT_EQ(SaveLogText(kFolder + L"saved.txt", "an earlier, longer file"), 0u);
  ASSERT_EQ(
      SaveLogText(kFolder + L"saved.txt", "\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xE9"), 0u);
  EXPECT_EQ(Bytes(L"saved.txt"),
            "\xEF\xBB\xBF\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xC3\xA9");
  EXPECT_FALSE(WriteLeftAFile());
  const SYSTEMTIME moment{2026, 12, 2, 8, 9, 5, 7, 0};
  EXPECT_EQ(LogFileName(moment), L"testz-log-20261208-090507.txt");
}

TEST(LogFile, AWriteThatFailsLeavesNoFileAndSaysWhy) {
  // A folder stands where the file should go: it cannot be replaced by a file.
  CreateDirectoryW(kFolder.c_str(), nullptr);
  CreateDirectoryW((kFolder + L"taken.txt").c_str(), nullptr);
  const DWORD error = SaveLogText(kFolder + L"taken.txt", "a line");
  EXPECT_NE(error, 0u);
  EXPECT_FALSE(SystemErrorText(error).empty());
  EXPECT_FALSE(WriteLeftAFile()) << "the partly written file is removed";
  EXPECT_NE(SaveLogText(kFolder + L"no such folder\\log.txt", "a line"), 0u);
}

}  // namespace
