// Tests of copying the texts that the interface library returns.
#include "library_contract.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(CopyLibraryText, NullReadsAsEmptyAndShortTextsAreCopiedWhole) {
  EXPECT_EQ(CopyLibraryText(nullptr), "");
  EXPECT_EQ(CopyLibraryText(""), "");
  EXPECT_EQ(CopyLibraryText("v1.23 \xE9\xFF"), "v1.23 \xE9\xFF");
}

TEST(CopyLibraryText, NeverReadsPastThe255thCharacter) {
  // 255 characters with no terminator: reading one more would leave the buffer (the sanitizer
  // build reports it).
  auto unterminated = std::make_unique<char[]>(255);
  for (int i = 0; i < 255; ++i) unterminated[static_cast<std::size_t>(i)] = 'a';
  EXPECT_EQ(CopyLibraryText(unterminated.get()), std::string(255, 'a'));

  const std::string long_text(1000, 'b');
  EXPECT_EQ(CopyLibraryText(long_text.c_str()), std::string(255, 'b'));
}

}  // namespace
