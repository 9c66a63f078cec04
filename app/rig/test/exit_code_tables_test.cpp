// The exit-code tables that scripts' authors read, in the rig's README and the users' README.txt,
// checked against the program's own table, kOutcomes, and the codes beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "unattended_outcome.h"

namespace {

// Every code a run can end with, and the words its row begins with in README.txt.
std::map<int, std::string> EveryCode() {
  std::map<int, std::string> codes;
  for (const OutcomeRow& row : kOutcomes) codes.emplace(row.exit_code, std::string(row.meaning));
  codes.emplace(kExitBadArguments, "bad arguments");
  codes.emplace(kExitProgramNotStarted, "testz.com could not start testz.exe");
  codes.emplace(kExitNotWritten, "the log or the summary could not be written");
  return codes;
}

// The rows of a file's table: each line `row` matches, by the code in its first group, with the
// rest of the line in its second.
std::map<int, std::string> Rows(const std::string& file, const std::regex& row) {
  std::ifstream in(std::string(TESTZ_SOURCE_DIR) + "/" + file);
  EXPECT_TRUE(in) << file;
  std::map<int, std::string> rows;
  std::string line;
  std::smatch match;
  while (std::getline(in, line)) {
    if (std::regex_match(line, match, row)) rows[std::stoi(match[1])] = match[2];
  }
  return rows;
}

TEST(ExitCodeTables, TheReadmesListEveryCodeOfTheProgramsTableAndNoOther) {
  const std::map<int, std::string> codes = EveryCode();
  const std::map<int, std::string> readme =
      Rows("app/rig/README.md", std::regex(R"(\| (\d+) \| (.*) \|)"));
  const std::map<int, std::string> users =
      Rows("packaging/README.txt", std::regex(R"(    (\d+) +(.*))"));
  ASSERT_EQ(readme.size(), codes.size());
  ASSERT_EQ(users.size(), codes.size());
  for (const auto& [code, meaning] : codes) {
    ASSERT_TRUE(users.count(code)) << code;
    EXPECT_EQ(users.at(code).rfind(meaning, 0), 0u) << code << ": " << users.at(code);
    ASSERT_TRUE(readme.count(code)) << code;
  }
  // Each outcome's name, as the summary gives it, stands in its code's row.
  for (const OutcomeRow& row : kOutcomes) {
    EXPECT_NE(readme.at(row.exit_code).find("(`" + std::string(row.name) + "`)"),
              std::string::npos)
        << row.name;
  }
}

}  // namespace
