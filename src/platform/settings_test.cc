#include "platform/settings.h"

#include <gtest/gtest.h>

namespace quorlex::platform {
namespace {

using Lines = std::vector<std::string>;

TEST(SettingsTest, SectionsAndKeysIgnoreLetterCase) {
  const auto file = SettingsFile::Parse("[titles]\r\nA=1\r\n[Templates]\r\nPATH = x \r\n");
  EXPECT_EQ(file.SectionLines("TITLES"), Lines{"A=1"});
  EXPECT_EQ(file.Value("TEMPLATES", "path"), "x");
}

TEST(SettingsTest, EntryLinesComeBackAsWritten) {
  const auto file =
      SettingsFile::Parse("[TITLES]\n  DAYRUR = Отчет  \n\n; a comment\nno equals sign\nX==Y\n");
  // White space around the whole line goes; inside the line nothing changes.
  EXPECT_EQ(file.SectionLines("TITLES"), (Lines{"DAYRUR = Отчет", "no equals sign", "X==Y"}));
}

TEST(SettingsTest, MissingSectionKeyOrFile) {
  const auto file = SettingsFile::Parse("[A]\nk=v\n");
  EXPECT_TRUE(file.SectionLines("B").empty());
  EXPECT_FALSE(file.Value("A", "other").has_value());
  EXPECT_FALSE(file.Value("B", "k").has_value());
  EXPECT_TRUE(SettingsFile::Load("/nonexistent/quorlex.ini").SectionLines("A").empty());
  EXPECT_TRUE(SettingsFile::Load("/").SectionLines("A").empty());
}

TEST(SettingsTest, FirstSectionOfANameWins) {
  const auto file = SettingsFile::Parse("[A]\nk=1\n[a]\nk=2\n");
  EXPECT_EQ(file.Value("A", "k"), "1");
}

TEST(SettingsTest, ValuesLoseOnePairOfQuotes) {
  const auto file = SettingsFile::Parse("[A]\nk=\"C:\\dir with space\\\"\nj='x'\nm=\"x\n");
  EXPECT_EQ(file.Value("A", "k"), "C:\\dir with space\\");
  EXPECT_EQ(file.Value("A", "j"), "x");
  EXPECT_EQ(file.Value("A", "m"), "\"x");
}

TEST(SettingsTest, EmptyValueIsPresent) {
  EXPECT_EQ(SettingsFile::Parse("[A]\npath=\n").Value("A", "path"), "");
}

TEST(SettingsTest, TextEncodings) {
  // Windows-1251, UTF-8 with and without a byte-order mark.
  EXPECT_EQ(DecodeSettingsText("\xCE\xF2\xF7\xE5\xF2"), "Отчет");
  EXPECT_EQ(DecodeSettingsText("\xEF\xBB\xBFОтчет"), "Отчет");
  EXPECT_EQ(DecodeSettingsText("Отчет"), "Отчет");
  EXPECT_EQ(DecodeSettingsText("plain"), "plain");
  const auto file =
      SettingsFile::Parse("[TITLES]\nDAYRUR=\xC5\xE6\xE5\xE4\xED\xE5\xE2\xED\xFB\xE9\n");
  EXPECT_EQ(file.SectionLines("TITLES"), Lines{"DAYRUR=Ежедневный"});
}

}  // namespace
}  // namespace quorlex::platform
