#include "tools/titles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"

namespace quorlex::tools {
namespace {

using namespace std::string_literals;

class TitlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Titles.clear();
    TitleCount = 0;
  }
  // Section text as the platform delivers it.
  static std::string Section(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& l : lines)
      s += l + '\0';
    return s + '\0';
  }
};

TEST_F(TitlesTest, SingleEntry) {
  EXPECT_EQ(ParseTitles("q.ini", Section({"X=Y"})), 1);
  EXPECT_EQ(Titles[0].code, "X");
  EXPECT_EQ(Titles[0].title, "Y");
}

TEST_F(TitlesTest, TitleTrimmedAndUpperCasedCodeKeptAsWritten) {
  ASSERT_EQ(ParseTitles("q.ini", Section({"DAYRUR=  Ежедневный отчёт   ", "DAYRUR = Report",
                                          "=Report", "X=", "A=b=c"})),
            5);
  EXPECT_EQ(Titles[0].code, "DAYRUR");
  EXPECT_EQ(Titles[0].title, "ЕЖЕДНЕВНЫЙ ОТЧЁТ");
  EXPECT_EQ(Titles[1].code, "DAYRUR ");
  EXPECT_EQ(Titles[2].code, "");
  EXPECT_EQ(Titles[3].title, "");
  EXPECT_EQ(Titles[4].code, "A");
  EXPECT_EQ(Titles[4].title, "B=C");
}

TEST_F(TitlesTest, MalformedLineKeepsEarlierEntriesButNotTheCount) {
  try {
    ParseTitles("/opt/q/quorlex.ini", Section({"A=1", "B=2", "broken line", "C=3"}));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kRefusalError);
    EXPECT_EQ(e.Description(),
              "Неверный формат параметра: broken line секции [TITLES] в файле /opt/q/quorlex.ini");
  }
  EXPECT_EQ(Titles.size(), 3u);
  EXPECT_EQ(Titles[1].code, "B");
  EXPECT_EQ(TitleCount, 0);
}

TEST_F(TitlesTest, LoadFromFile) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("quorlex-titles-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto ini = (dir / "quorlex.ini").string();

  std::ofstream(ini) << "[TEMPLATES]\r\npath=.\\template\r\n";
  try {
    LoadTitlesFrom(ini);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Description(), "Ошибка чтения секции [TITLES] в файле " + ini);
  }

  std::ofstream(ini) << "[Titles]\r\nDAYRUR=\xCE\xF2\xF7\xE5\xF2\r\nrmsdayclr=Clearing\r\n";
  LoadTitlesFrom(ini);
  EXPECT_EQ(TitleCount, 2);
  EXPECT_EQ(Titles[0].title, "ОТЧЕТ");
  EXPECT_EQ(Titles[1].code, "rmsdayclr");

  try {
    LoadTitlesFrom((dir / "missing.ini").string());
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kRefusalError);
  }
  std::filesystem::remove_all(dir);
}

TEST_F(TitlesTest, LongSectionIsReadWhole) {
  std::string ini_text = "[TITLES]\n";
  for (int i = 0; i < 3000; ++i) {
    ini_text += "CODE" + std::to_string(i) + "=A title long enough to pass the old limit\n";
  }
  const auto path = std::filesystem::temp_directory_path() /
                    ("quorlex-long-" + std::to_string(getpid()) + ".ini");
  std::ofstream(path) << ini_text;
  LoadTitlesFrom(path.string());
  EXPECT_EQ(TitleCount, 3000);
  EXPECT_EQ(Titles[2999].code, "CODE2999");
  std::filesystem::remove(path);
}

// The count is 16 bits: 32,767 entries are the most it can hold, and one
// more must be refused rather than wrap to a negative count.
TEST_F(TitlesTest, CountStopsAtThe16BitLimit) {
  std::string section;
  for (int i = 0; i < 32767; ++i)
    section += "C" + std::to_string(i) + "=T" + '\0';
  EXPECT_EQ(ParseTitles("q.ini", section + '\0'), 32767);
  section += "LAST=T";
  section += '\0';
  try {
    ParseTitles("q.ini", section + '\0');
    FAIL() << "32,768 entries were accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kRefusalError);
    EXPECT_EQ(e.Description(), "Слишком много записей в секции [TITLES] в файле q.ini");
  }
}

}  // namespace
}  // namespace quorlex::tools
