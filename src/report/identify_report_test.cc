#include "report/identify_report.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"
#include "tools/titles.h"

namespace quorlex::report {
namespace {

namespace fs = std::filesystem;

class IdentifyReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = fs::temp_directory_path() /
               ("quorlex-identify-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(program_ / "template");
    Touch(program_ / "template" / "DAYRUR.xlt");
    Touch(program_ / "template" / "DAYRUR.doc");
    Ini("[TITLES]\ndayrur=Ежедневный отчет\nDAYREPO = Other\n");
    tools::Titles.clear();
    tools::TitleCount = 0;
  }
  void TearDown() override { fs::remove_all(program_); }

  static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }
  void Ini(const std::string& text) { std::ofstream(program_ / "quorlex.ini") << text; }

  ReportIdentity Identify(const std::string& input, const std::string& out = ".xls",
                          const std::string& tpl = ".xlt") {
    input_ = input;
    output_.clear();
    return IdentifyReport({input_, output_}, out, tpl, (program_ / "quorlex.ini").string(),
                          program_.string());
  }

  std::string Refusal(const std::string& input) {
    try {
      Identify(input);
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kRefusalError);
      return e.Description();
    }
    return "no refusal";
  }

  fs::path program_;
  std::string input_;
  std::string output_;
};

TEST_F(IdentifyReportTest, CodeTemplateTitleAndPaths) {
  const auto id = Identify("/data/in/DAYRUR~1.xml");
  EXPECT_EQ(id.code, "DAYRUR");
  EXPECT_EQ(id.template_path, (program_ / "template" / "DAYRUR.xlt").string());
  EXPECT_EQ(id.title, "ЕЖЕДНЕВНЫЙ ОТЧЕТ");  // a lower-case code in the file matches
  EXPECT_EQ(output_, "/data/in/DAYRUR~1.xls");
  EXPECT_EQ(input_, "DAYRUR~1.xml");
}

TEST_F(IdentifyReportTest, DocumentsLookForDocTemplates) {
  const auto id = Identify("/in/DAYRUR~1.xml", ".doc", ".doc");
  EXPECT_EQ(id.template_path, (program_ / "template" / "DAYRUR.doc").string());
  EXPECT_EQ(output_, "/in/DAYRUR~1.doc");
}

TEST_F(IdentifyReportTest, CodeIsTrimmedUpperCasedAndCutAtTheFirstTag) {
  Touch(program_ / "template" / "A B.xlt");
  Touch(program_ / "template" / "A.xlt");
  EXPECT_EQ(Identify("/in/ dayrur ~1.xml").code, "DAYRUR");
  EXPECT_EQ(Identify("/in/a b~1.xml").code, "A B");
  EXPECT_EQ(Identify("/in/A~B~C.xml").code, "A");
}

TEST_F(IdentifyReportTest, Refusals) {
  EXPECT_EQ(Refusal("/in/report.xml"), "Недопустимое имя файла с отчетом: отсутствует тэг '~'");
  EXPECT_EQ(Refusal("/in/x~dir/report.xml"),
            "Недопустимое имя файла с отчетом: отсутствует тэг '~'");
  EXPECT_EQ(Refusal("/in/~1.xml"), "Неизвестный тип отчета");
  EXPECT_EQ(Refusal("/in/   ~1.xml"), "Неизвестный тип отчета");
  EXPECT_EQ(Refusal("/in/NOPE~1.xml"),
            "Не найден шаблон " + (program_ / "template" / "NOPE.xlt").string());
  // The output path is already set, so the converter's trap removes an old file.
  EXPECT_EQ(output_, "/in/NOPE~1.xls");
}

TEST_F(IdentifyReportTest, OutputPathNeverEqualsInputPath) {
  EXPECT_EQ(Refusal("/in/a~1.xml.xls"),
            "Имя выходного файла совпадает с именем входного файла: /in/a~1.xml.xls");
  EXPECT_TRUE(output_.empty());
}

TEST_F(IdentifyReportTest, HiddenFilesAndDirectoriesAreNoTemplates) {
  fs::create_directories(program_ / "template" / "DIR.xlt");
  EXPECT_EQ(Refusal("/in/DIR~1.xml"),
            "Не найден шаблон " + (program_ / "template" / "DIR.xlt").string());
}

TEST_F(IdentifyReportTest, TemplateDirectorySetting) {
  fs::create_directories(program_ / "tpl");
  Touch(program_ / "tpl" / "DAYRUR.xlt");
  Ini("[TITLES]\nX=Y\n[TEMPLATES]\npath=.\\tpl\n");
  EXPECT_EQ(Identify("/in/DAYRUR~1.xml").template_path, (program_ / "tpl" / "DAYRUR.xlt").string());
  Ini("[TITLES]\nX=Y\n[TEMPLATES]\npath=" + (program_ / "tpl").string() + "/\n");
  EXPECT_EQ(Identify("/in/DAYRUR~1.xml").template_path, (program_ / "tpl" / "DAYRUR.xlt").string());
  Ini("[TITLES]\nX=Y\n[TEMPLATES]\npath=\n");
  try {
    Identify("/in/DAYRUR~1.xml");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("path"), std::string::npos);
  }
}

TEST_F(IdentifyReportTest, UnknownCodeHasAnEmptyTitle) {
  Ini("[TITLES]\nOTHER=Y\n");
  EXPECT_EQ(Identify("/in/DAYRUR~1.xml").title, "");
}

TEST_F(IdentifyReportTest, BrokenTitlesStopIdentification) {
  Ini("[TEMPLATES]\npath=.\\template\n");
  EXPECT_EQ(Refusal("/in/DAYRUR~1.xml"),
            "Ошибка чтения секции [TITLES] в файле " + (program_ / "quorlex.ini").string());
  Ini("[TITLES]\nbroken\n");
  EXPECT_EQ(Refusal("/in/DAYRUR~1.xml"),
            "Неверный формат параметра: broken секции [TITLES] в файле " +
                (program_ / "quorlex.ini").string());
}

}  // namespace
}  // namespace quorlex::report
