// Tests of the output log's line discipline and of HexWord.
#include "output_log.h"
#include "hex_word.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An in-memory list control that records what the log asked of it.
// It holds at most line_limit lines and refuses to add more; refuse_replace makes it refuse
// every replace.
class MemoryList : public ListControl {
 public:
  std::vector<std::string> lines;
  int first_visible = -1;
  int redraws = 0;
  std::size_t line_limit = SIZE_MAX;
  bool refuse_replace = false;

  int Count() const override { return static_cast<int>(lines.size()); }
  bool Add(std::string_view text) override {
    if (lines.size() >= line_limit) return false;
    lines.emplace_back(text);
    return true;
  }
  std::string Read(int index) const override { return lines.at(static_cast<size_t>(index)); }
  bool Replace(int index, std::string_view text) override {
    if (refuse_replace) return false;
    lines.at(static_cast<size_t>(index)) = std::string(text);
    return true;
  }
  void Clear() override { lines.clear(); }
  void SetFirstVisible(int index) override { first_visible = index; }
  void RedrawNow() override { ++redraws; }
};

using Lines = std::vector<std::string>;

TEST(LogWriteLine, OnAnEmptyListWritesTheTextAndAnEmptyCurrentLine) {
  MemoryList list;
  LogWriteLine(list, "unit_kelm.DLL library loaded.");
  EXPECT_EQ(list.lines, (Lines{"unit_kelm.DLL library loaded.", ""}));
  EXPECT_EQ(list.first_visible, 1);
  EXPECT_EQ(list.redraws, 2);  // once after the append, once after the new current line
}

TEST(LogWriteLine, EmptyAndSingleSpaceTextsEachGiveOneFinishedLine) {
  MemoryList list;
  LogWriteLine(list, "");
  LogWriteLine(list, "unit_kelm.DLL library loaded.");
  LogWriteLine(list, "");
  EXPECT_EQ(list.lines, (Lines{"", "unit_kelm.DLL library loaded.", "", ""}));
  LogWriteLine(list, " ");
  LogWriteLine(list, "  ");
  EXPECT_EQ(list.lines, (Lines{"", "unit_kelm.DLL library loaded.", "", " ", "  ", ""}));
  EXPECT_EQ(list.first_visible, 5);
}

TEST(LogWriteLine, AfterClearingTheFirstWriteCreatesTheCurrentLineAgain) {
  MemoryList list;
  LogWriteLine(list, "old");
  list.Clear();
  LogWriteLine(list, "new");
  EXPECT_EQ(list.lines, (Lines{"new", ""}));
}

TEST(LogWriteLine, TextsAreCutAt255CharactersAndBytesAbove127SurviveUnchanged) {
  MemoryList list;
  const std::string exact(255, 'x');
  LogWriteLine(list, exact);
  EXPECT_EQ(list.lines[0], exact);

  LogWriteLine(list, std::string(300, 'y'));
  EXPECT_EQ(list.lines[1], std::string(255, 'y'));

  const std::string high = "\x80\xA9\xE9\xFF caf\xE9";
  LogWriteLine(list, high);
  EXPECT_EQ(list.lines[2], high);
}

TEST(LogAppend, JoinsOntoANonBlankCurrentLineWithoutTrimmingIt) {
  MemoryList list;
  list.lines = {"  abc \t"};
  LogAppend(list, "def");
  EXPECT_EQ(list.lines, (Lines{"  abc \tdef"}));
  EXPECT_EQ(list.redraws, 1);
}

TEST(LogAppend, ReplacesACurrentLineOfBlanksAndControlCharacters) {
  const std::string with_nul("\r\n\x01\x1f \0", 6);
  for (const std::string& blank : Lines{"", "   ", "\t", with_nul}) {
    MemoryList list;
    list.lines = {"kept", blank};
    LogAppend(list, "text");
    EXPECT_EQ(list.lines, (Lines{"kept", "text"})) << "current line of " << blank.size();
  }
}

TEST(LogAppend, CharactersAbove32AreNotBlank) {
  // 0x21 '!' and bytes above 127 make a line non-blank, so the text is joined on.
  for (const std::string& line : Lines{"!", "\x7f", "\xA0", "\xFF"}) {
    MemoryList list;
    list.lines = {line};
    LogAppend(list, "t");
    EXPECT_EQ(list.lines[0], line + "t");
  }
}

TEST(LogAppend, JoinedLineMayGrowPast255Characters) {
  MemoryList list;
  list.lines = {std::string(200, 'a')};
  LogAppend(list, std::string(100, 'b'));
  EXPECT_EQ(list.lines[0], std::string(200, 'a') + std::string(100, 'b'));
}

// A list control that refuses lines: the write says so, no text is joined onto a refused line,
// and the notice takes the place of the unfinished line without touching a finished one.
TEST(LogEndWith, AFullLogEndsWithTheNoticeInPlaceOfTheRefusedLine) {
  MemoryList list;
  list.line_limit = 2;
  EXPECT_TRUE(LogWriteLine(list, "one"));
  EXPECT_FALSE(LogWriteLine(list, "two"));  // no room for the new current line
  EXPECT_EQ(list.lines, (Lines{"one", "two"}));
  LogEndWith(list, "full");
  EXPECT_EQ(list.lines, (Lines{"one", "full"}));
  EXPECT_EQ(list.first_visible, 1);

  MemoryList refusing;
  EXPECT_TRUE(LogWriteLine(refusing, "one"));
  refusing.refuse_replace = true;
  EXPECT_FALSE(LogWriteLine(refusing, "two"));
  EXPECT_EQ(refusing.lines, (Lines{"one", ""}));
  refusing.refuse_replace = false;
  LogEndWith(refusing, "full");
  EXPECT_EQ(refusing.lines, (Lines{"one", "full"}));
}

TEST(HexWord, GivesFourUpperCaseDigitsWithLeadingZeros) {
  EXPECT_EQ(HexWord(0), "0000");
  EXPECT_EQ(HexWord(10), "000A");
  EXPECT_EQ(HexWord(26), "001A");
  EXPECT_EQ(HexWord(0xABCD), "ABCD");
  EXPECT_EQ(HexWord(0x1234), "1234");
  EXPECT_EQ(HexWord(65535), "FFFF");
  // A 32-bit count is passed as its low 16 bits.
  EXPECT_EQ(HexWord(static_cast<std::uint16_t>(0x0001001Au)), "001A");
}

}  // namespace
