// The output log saved to a file: UTF-8 with a byte order mark, written whole or not at all.
#include "log_file.h"

#include "saved_file.h"
#include "text_encoding.h"

namespace {

// The log's bytes as the file holds them.
std::string Utf8WithByteOrderMark(std::string_view ansi) {
  return "\xEF\xBB\xBF" + Utf8FromAnsi(ansi);
}

}  // namespace

std::wstring LogFileName(const SYSTEMTIME& now) {
  return L"testz-log-" + PaddedDigits(now.wYear, 4, 10) + PaddedDigits(now.wMonth, 2, 10) +
         PaddedDigits(now.wDay, 2, 10) + L"-" + PaddedDigits(now.wHour, 2, 10) +
         PaddedDigits(now.wMinute, 2, 10) + PaddedDigits(now.wSecond, 2, 10) + L".txt";
}

DWORD SaveLogText(const std::wstring& path, std::string_view text) {
  return SaveFileBytes(path, Utf8WithByteOrderMark(text));
}
