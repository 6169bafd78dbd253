#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace quorlex::shell {
namespace {

TEST(CommandLineTest, UsageRequests) {
  EXPECT_TRUE(IsUsageRequest(""));
  EXPECT_TRUE(IsUsageRequest("    "));
  EXPECT_TRUE(IsUsageRequest("/?"));
  EXPECT_TRUE(IsUsageRequest("-?"));
  EXPECT_FALSE(IsUsageRequest(" /?"));
  EXPECT_FALSE(IsUsageRequest("a.xml"));
}

TEST(CommandLineTest, SwitchesInEitherOrder) {
  const auto a = SplitArguments("a.xml /v:y /f:doc");
  const auto b = SplitArguments("a.xml /f:doc /v:y");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->name, "a.xml");
  EXPECT_EQ(a->format, "doc");
  EXPECT_EQ(a->verbose, "y");
  EXPECT_EQ(b->name, a->name);
  EXPECT_EQ(b->format, a->format);
  EXPECT_EQ(b->verbose, a->verbose);
}

TEST(CommandLineTest, SwitchesAreCaseSensitive) {
  EXPECT_FALSE(SplitArguments("a.xml /F:xls"));
  const auto s = SplitArguments("a.xml /f:xls /V:y");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->format, "xls /V:y");
  EXPECT_EQ(s->verbose, "n");
}

TEST(CommandLineTest, EverythingFromTheFirstRedirectIsIgnored) {
  const auto s = SplitArguments("a.xml /f:xls > out.txt /v:q");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->format, "xls");
  EXPECT_EQ(s->verbose, "n");
  EXPECT_FALSE(SplitArguments("a.xml > /f:xls"));
}

TEST(CommandLineTest, TrimmingAndQuotes) {
  const auto s = SplitArguments("  \"my report~1.xml\"  /f:  Xls  /v: Y ");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->name, "my report~1.xml");
  EXPECT_EQ(s->format, "Xls");
  EXPECT_EQ(s->verbose, "Y");
  EXPECT_EQ(SplitArguments("a.xml /f:")->format, "");
  EXPECT_EQ(SplitArguments("/f:xls")->name, "");
}

TEST(CommandLineTest, BackslashesReadAsSlashes) {
  EXPECT_EQ(SplitArguments(".\\data\\a.xml /f:xls")->name, "./data/a.xml");
}

TEST(CommandLineTest, RelativeNamesResolveAgainstTheProgramDirectory) {
  EXPECT_EQ(ResolveName("data/a.xml", "/opt/q"), "/opt/q/data/a.xml");
  EXPECT_EQ(ResolveName("a.xml", "/"), "/a.xml");
  EXPECT_EQ(ResolveName("/abs/a.xml", "/opt/q"), "/abs/a.xml");
  EXPECT_EQ(ResolveName("./a.xml", "/opt/q"), "./a.xml");
  EXPECT_EQ(ResolveName("C:/x/a.xml", "/opt/q"), "C:/x/a.xml");
  EXPECT_EQ(ResolveName("", "/opt/q"), "/opt/q/");
}

TEST(CommandLineTest, NamesWithSpacesAreQuotedForDisplay) {
  EXPECT_EQ(DisplayName("/in/my report.xml"), "\"/in/my report.xml\"");
  EXPECT_EQ(DisplayName("/in/report.xml"), "/in/report.xml");
}

TEST(CommandLineTest, ArgumentsJoinWithSingleSpaces) {
  EXPECT_EQ(ArgumentText({"a.xml", "/f:xls"}), "a.xml /f:xls");
  EXPECT_EQ(ArgumentText({}), "");
}

}  // namespace
}  // namespace quorlex::shell
