#include "word/convert_to_word.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "automation/browser/browser.h"
#include "automation/word97/reader.h"
#include "automation/wordprocessor/application.h"
#include "conversion/recording_context.h"
#include "conversion/test_installation.h"

namespace quorlex::word {
namespace {

namespace wp = automation::wordprocessor;

class ConvertToWordTest : public ::testing::Test {
 protected:
  conversion::testing::TestInstallation installation;
  conversion::RecordingContext context{installation.Dir()};
  std::string output = installation.File("DAYRUR~1.doc");

  void SetUp() override {
    installation.WriteSettings({"DAYRUR=Выписка"});
    installation.AddBundledTemplate("DAYRUR.doc");
  }

  void Convert(const std::string& report, bool render = true) {
    context.input_path = report;
    context.appIE = std::make_shared<automation::browser::Browser>();
    if (render) context.appIE->Navigate(context.input_path);
    ConvertToWord(context);
  }
};

TEST_F(ConvertToWordTest, AConversionLogsFiveLinesAndDropsTheButtonBar) {
  Convert(installation.WriteReport("DAYRUR~1.xml", {{"Выписка"}, {"Альфа", "100,00"}}));
  EXPECT_EQ(context.Log(),
            (std::vector<std::string>{
                "[t]    Загружен шаблон " + installation.Dir() + "/template/DAYRUR.doc",
                "[t]    Данные занесены в буфер", "[t]    Данные из буфера занесены в документ",
                "[t]    Документ сохранен", "[t] Конвертация выполнена: " + output}));
  EXPECT_TRUE(context.Unloaded());
  EXPECT_FALSE(context.Failed());

  // The first table of the document lost its first row, the button bar.
  auto app = wp::Application::Create();
  wp::Document& document = app->Documents().Add(output);
  ASSERT_TRUE(document.Tables().Item(1).has_value());
  EXPECT_EQ(document.Tables().Item(1)->Rows().Count(), 2);
  const std::string text = automation::word97::ReadDocument(output).PlainText();
  EXPECT_EQ(text.find("Save as"), std::string::npos) << text;
  EXPECT_NE(text.find("Альфа"), std::string::npos) << text;
}

TEST_F(ConvertToWordTest, AMissingTemplateEndsInTheTrapAndRemovesAnOlderOutput) {
  const std::string report = installation.WriteReport("DAYREPO~1.xml", {{"x"}});
  const std::string older = installation.Write("DAYREPO~1.doc", "from an earlier run");
  Convert(report);
  EXPECT_EQ(context.Log(), std::vector<std::string>{"ОШИБКА! (ConvertToWord) Не найден шаблон " +
                                                    installation.Dir() + "/template/DAYREPO.doc"});
  EXPECT_FALSE(std::filesystem::exists(older));
  EXPECT_TRUE(context.Failed());
  EXPECT_TRUE(context.Unloaded());
}

// A failure once the document is open: it is closed unsaved, the
// application goes, and no file is left.
TEST_F(ConvertToWordTest, AFailureAfterTheDocumentOpenedLeavesNoFile) {
  installation.Write("DAYRUR~1.doc", "from an earlier run");
  Convert(installation.WriteReport("DAYRUR~1.xml", {{"x"}}), /*render=*/false);
  ASSERT_EQ(context.Log().size(), 2u);
  EXPECT_EQ(context.Log()[1], "ОШИБКА! (ConvertToWord) Страница отчета не загружена");
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_EQ(context.appWord, nullptr);
  EXPECT_TRUE(context.Failed());
}

}  // namespace
}  // namespace quorlex::word
