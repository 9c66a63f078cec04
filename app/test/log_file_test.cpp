// Tests of the log saved to a file: its bytes, and a write that fails, in the test's own process.
#include "log_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring TemporaryFolder() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"testz-log-file-test";
  CreateDirectoryW(path.c_str(), nullptr);
  return path + L"\\";
}

std::string Bytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(no file)";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

int FilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  int files = 0;
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++files;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

TEST(LogFile, HoldsTheLinesInUtf8AfterAByteOrderMarkAndReplacesAnEarlierFile) {
  const std::wstring folder = TemporaryFolder();
  const std::wstring path = folder + L"saved.txt";
  ASSERT_EQ(SaveLogText(path, "an earlier, longer file that the save replaces"), 0u);
  // "café" in the ANSI code page the log holds (Windows-1252 under Wine's English locale).
  ASSERT_EQ(SaveLogText(path, "\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xE9"), 0u);
  EXPECT_EQ(Bytes(path), "\xEF\xBB\xBF\r\nunit_kelm.DLL library loaded.\r\n \r\ncaf\xC3\xA9");
  EXPECT_EQ(FilesIn(folder), 1) << "no file of the write is left beside it";
  DeleteFileW(path.c_str());
}

TEST(LogFile, AWriteThatFailsLeavesNoFileAndSaysWhy) {
  const std::wstring folder = TemporaryFolder();
  // A folder where the file should go: it cannot be replaced by a file.
  const std::wstring path = folder + L"taken.txt";
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const DWORD error = SaveLogText(path, "a line");
  EXPECT_NE(error, 0u);
  EXPECT_FALSE(SystemErrorText(error).empty());
  EXPECT_EQ(FilesIn(folder), 0) << "the partly written file is removed";
  EXPECT_NE(SaveLogText(folder + L"no such folder\\log.txt", "a line"), 0u);
  RemoveDirectoryW(path.c_str());
}

TEST(LogFile, IsOfferedUnderTheMomentsName) {
  SYSTEMTIME moment{};
  moment.wYear = 2026;
  moment.wMonth = 12;
  moment.wDay = 8;
  moment.wHour = 9;
  moment.wMinute = 5;
  moment.wSecond = 7;
  EXPECT_EQ(LogFileName(moment), L"testz-log-20261208-090507.txt");
}

}  // namespace
