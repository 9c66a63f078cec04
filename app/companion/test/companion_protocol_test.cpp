// The variable testz.com hands testz.exe, the arguments it passes on, and what it writes on a
// console for testz.exe's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companion_protocol.h"
#include "console_lines.h"
#include "program_arguments.h"

namespace {

TEST(CompanionValue, ReadsBackWhatWasWrittenAndNothingMalformed) {
  const std::optional<CompanionValue> read =
      ParseCompanionValue(FormatCompanionValue({412, 7, true}));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->process, 412u);
  EXPECT_EQ(read->stop_event, 7u);
  EXPECT_TRUE(read->progress_in_place);
  EXPECT_FALSE(ParseCompanionValue(L"412;7;0")->progress_in_place);
  for (const wchar_t* malformed :
       {L"", L"412;7", L"412;7;", L"412;7;2", L"412;7;1;", L"412;412;1", L"0;7;1", L";7;1",
        L"-4;7;1", L"+4;7;1", L"4 ;7;1", L"0x1C;7;1", L"99999999999999999999999;7;1"}) {
    EXPECT_FALSE(ParseCompanionValue(malformed)) << malformed;
  }
}

TEST(ProgramArguments, AreWhatFollowsTheNameVerbatim) {
  EXPECT_EQ(ArgumentsAfterProgramName(L"\"C:\\a b\\testz.com\" --run \"x  y\""),
            L" --run \"x  y\"");
  EXPECT_EQ(ArgumentsAfterProgramName(L"testz\t--help "), L"\t--help ");
  EXPECT_EQ(ArgumentsAfterProgramName(L"testz"), L"");
  EXPECT_EQ(ArgumentsAfterProgramName(L"\"testz\""), L"");
}

TEST(LineSplitter, GivesLinesAsTheyCompleteWithoutTheirEnds) {
  LineSplitter splitter;
  EXPECT_EQ(splitter.Take("one\r\ntw"), std::vector<std::string>{"one"});
  EXPECT_EQ(splitter.Take("o\n\r\nthr"), (std::vector<std::string>{"two", ""}));
  EXPECT_EQ(splitter.Rest(), "thr");
  EXPECT_EQ(splitter.Rest(), std::nullopt);
}

TEST(ConsoleLines, KeepOneProgressLineBelowTheLinesAndRewriteItInPlace) {
  ConsoleLines console;
  EXPECT_EQ(console.Line("Start"), "Start\r\n");
  EXPECT_EQ(console.Progress("12 attempts", 80), "\r12 attempts");
  // A shorter one blanks the rest of the longer and puts the cursor back after its text.
  EXPECT_EQ(console.Progress("9 \xC2\xB7 1", 80), "\r9 \xC2\xB7 1      \b\b\b\b\b\b");
  EXPECT_EQ(console.Line("Halted"), "\r     \rHalted\r\n9 \xC2\xB7 1");
  // Cut to one character less than a row, counted in characters rather than bytes.
  EXPECT_EQ(console.Progress("\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7", 3), "\r\xC2\xB7\xC2\xB7   \b\b\b");
  EXPECT_EQ(console.End(), "\r\n");
  EXPECT_EQ(console.Line("Last"), "Last\r\n");
  EXPECT_EQ(console.End(), "");
}

}  // namespace
