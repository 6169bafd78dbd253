#include "shell/usage.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace quorlex::shell {
namespace {

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const auto end = s.find("\r\n", start);
    lines.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

// The indents follow from the real lengths of the texts: the title line has
// 62 characters.
TEST(UsageTest, TitleLength) { EXPECT_EQ(platform::Length(kProductTitle), 62u); }

TEST(UsageTest, VersionText) { EXPECT_EQ(VersionText(), "версия 1.10"); }

TEST(UsageTest, LayoutAndSpacing) {
  const auto lines = Lines(UsageText("quorlex"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], kProductTitle);
  EXPECT_EQ(lines[2], "");
  // The version line gets ten spaces fewer than its length difference.
  EXPECT_EQ(lines[3], std::string(62 - 11 - 10, ' ') + "версия 1.10");
  EXPECT_EQ(lines[5], std::string(62 - platform::Length(kCopyright), ' ') + kCopyright);
  // The command line with a seven-character program name has 60 characters.
  EXPECT_EQ(lines[7], "  Командная строка: quorlex [xml-файл] /f:{xls|doc} [/v:{y|n}]");
}

TEST(UsageTest, LongerProgramNamesIndentByTheDifference) {
  // 60 + 10 characters: 8 more than the title.
  const auto lines = Lines(UsageText("quorlex-converter"));
  EXPECT_EQ(lines[7].substr(0, 8), std::string(8, ' '));
  EXPECT_NE(lines[7][8], ' ');
}

}  // namespace
}  // namespace quorlex::shell
