#include "excel/convert_to_excel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/browser/browser.h"
#include "automation/spreadsheet/application.h"
#include "conversion/recording_context.h"
#include "conversion/test_installation.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

// A client block of a DAYRUR page: its title row, a row, the client in
// column 7, one operation.
void AddBlock(std::vector<std::vector<std::string>>& page, const std::string& title,
              const std::string& client) {
  page.push_back({title});
  page.push_back({"за день"});
  page.push_back({"Клиент", "", "", "", "", "", client});
  page.push_back({"операция " + client});
}

class ConvertToExcelTest : public ::testing::Test {
 protected:
  conversion::testing::TestInstallation installation;
  conversion::RecordingContext context{installation.Dir()};

  void SetUp() override {
    installation.WriteSettings({"DAYRUR=Выписка"});
    installation.AddBundledTemplate("DAYRUR.xlt");
  }

  // Renders the report as the browser does on start-up, then converts it.
  void Convert(const std::string& report) {
    context.input_path = report;
    context.appIE = std::make_shared<automation::browser::Browser>();
    context.appIE->Navigate(context.input_path);
    ConvertToExcel(context);
  }

  // The sheet names of the workbook written.
  std::vector<std::string> SheetNames() {
    ss::Application reader;
    ss::Workbook& book = reader.Workbooks().Add(installation.File("DAYRUR~1.xls"));
    std::vector<std::string> names;
    for (int i = 1; i <= book.Sheets().Count(); ++i)
      names.push_back(book.Sheets(i).Name());
    return names;
  }
};

TEST_F(ConvertToExcelTest, AConversionLogsEachStepAndEndsTheRun) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  AddBlock(page, "Выписка", "Альфа");
  AddBlock(page, "Выписка", "Бета");
  Convert(installation.WriteReport("DAYRUR~1.xml", page));
  const std::string output = installation.File("DAYRUR~1.xls");
  EXPECT_EQ(context.Log(),
            (std::vector<std::string>{
                "[t]    Загружен шаблон " + installation.Dir() + "/template/DAYRUR.xlt",
                "[t]    Данные занесены в буфер", "[t]    Данные из буфера занесены в книгу",
                "[t]    Дополнительная обработка ...", "[t]    Дополнительная обработка завершена",
                "[t]    Книга сохранена", "[t] Конвертация выполнена: " + output}));
  EXPECT_EQ(context.output_path, output);
  EXPECT_EQ(context.input_path, "DAYRUR~1.xml");
  EXPECT_TRUE(context.Unloaded());
  EXPECT_FALSE(context.Failed());
  EXPECT_EQ(SheetNames(), (std::vector<std::string>{"Альфа", "Бета"}));
}

// With a code listed twice in [TITLES], its first title is the one the
// page is split by.
TEST_F(ConvertToExcelTest, TheFirstOfDuplicateTitlesCounts) {
  installation.WriteSettings({"DAYRUR=Выписка", "DAYRUR=Сводка"});
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  AddBlock(page, "Сводка", "Альфа");
  AddBlock(page, "Выписка", "Бета");
  AddBlock(page, "Сводка", "Гамма");
  AddBlock(page, "Выписка", "Дельта");
  Convert(installation.WriteReport("DAYRUR~1.xml", page));
  ASSERT_FALSE(context.Failed()) << context.Log().back();
  EXPECT_EQ(SheetNames(), (std::vector<std::string>{"Бета", "Дельта"}));
}

TEST_F(ConvertToExcelTest, AMissingTemplateEndsInTheTrapAndRemovesAnOlderOutput) {
  const std::string report = installation.WriteReport("DAYREPO~1.xml", {{"x"}});
  const std::string older = installation.Write("DAYREPO~1.xls", "from an earlier run");
  context.Progress().SetProgress("загрузка файла...");
  Convert(report);
  EXPECT_EQ(context.Log(), std::vector<std::string>{"ОШИБКА! (ConvertToExcel) Не найден шаблон " +
                                                    installation.Dir() + "/template/DAYREPO.xlt"});
  EXPECT_FALSE(std::filesystem::exists(older));
  EXPECT_TRUE(context.Failed());
  EXPECT_TRUE(context.Unloaded());
  EXPECT_EQ(context.ProgressBox().Text(), "загрузка файла...\r\nНе найден шаблон " +
                                              installation.Dir() + "/template/DAYREPO.xlt");
}

// A failure in the middle of the work leaves no file and releases the
// application.
TEST_F(ConvertToExcelTest, AFailedTreatmentLeavesNoFile) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  AddBlock(page, "Выписка", "Альфа");
  AddBlock(page, "Выписка", "Альфа");
  installation.Write("DAYRUR~1.xls", "from an earlier run");
  Convert(installation.WriteReport("DAYRUR~1.xml", page));
  ASSERT_GE(context.Log().size(), 5u);
  EXPECT_EQ(context.Log()[3], "[t]    Дополнительная обработка ...");
  EXPECT_EQ(context.Log().back().rfind("ОШИБКА! (ConvertToExcel) ", 0), 0u) << context.Log().back();
  EXPECT_FALSE(std::filesystem::exists(installation.File("DAYRUR~1.xls")));
  EXPECT_EQ(context.appExcel, nullptr);
  EXPECT_TRUE(context.Failed());
}

}  // namespace
}  // namespace quorlex::excel
