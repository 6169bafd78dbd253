#include "excel/convert_to_excel.h"

#include "automation/browser/browser.h"
#include "automation/clipboard/clipboard.h"
#include "automation/page/grid.h"
#include "automation/spreadsheet/application.h"
#include "conversion/trap.h"
#include "excel/page_cleanup.h"
#include "excel/post_processing.h"
#include "excel/text_wrapping.h"
#include "platform/error.h"
#include "platform/text.h"
#include "report/identify_report.h"
#include "tools/titles.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;
namespace browser = automation::browser;
namespace page = automation::page;

// A page that no treatment spreads over several sheets must fit the one it
// is pasted on. It is measured before it is laid out, so that a small
// report whose page runs to a million rows fails at once instead of after
// filling memory with cells that could never be saved.
void RequirePageFitsSheet(const WorkbookFormat& format) {
  const page::GridExtent extent =
      page::MeasureGrid(automation::clipboard::Clipboard::Process().Page());
  if (extent.rows > static_cast<std::uint64_t>(format.max_rows)) {
    throw Error(errors::kSpreadsheet,
                "Число строк страницы отчета (" + platform::Thousands(extent.rows) +
                    ") больше, чем вмещает лист книги (" +
                    platform::Thousands(static_cast<std::uint64_t>(format.max_rows)) + ")");
  }
  if (extent.columns > static_cast<std::uint64_t>(format.max_columns)) {
    throw Error(errors::kSpreadsheet,
                "Число столбцов страницы отчета (" + platform::Thousands(extent.columns) +
                    ") больше, чем вмещает лист книги (" +
                    platform::Thousands(static_cast<std::uint64_t>(format.max_columns)) + ")");
  }
}

}  // namespace

void ConvertToExcel(conversion::ConversionContext& context, const WorkbookFormat& format) {
  try {
    const std::string program_directory = context.ProgramDirectory();
    const report::ReportIdentity identity = report::IdentifyReport(
        {context.input_path, context.output_path}, format.output_extension,
        format.template_extension, tools::SettingsPath(program_directory), program_directory);

    context.appExcel = std::make_shared<ss::Application>();
    ss::Application& app = *context.appExcel;
    ss::Workbook& book = app.Workbooks().Add(identity.template_path);
    context.WriteLog("   Загружен шаблон " + identity.template_path, true);

    context.appIE->ExecWB(browser::OLECMDID_SELECTALL, browser::OLECMDEXECOPT_PROMPTUSER);
    context.appIE->ExecWB(browser::OLECMDID_COPY, browser::OLECMDEXECOPT_PROMPTUSER);
    context.WriteLog("   Данные занесены в буфер", true);

    if (!TreatmentSplitsPage(identity.code)) RequirePageFitsSheet(format);
    ss::Worksheet data = book.Worksheets(1);
    data.Select();
    data.Cells(1, 1).Select();
    data.Paste();
    context.WriteLog("   Данные из буфера занесены в книгу", true);

    const MarkerRows markers = ClearMarkerCells(data);
    if (markers.save_as > 0 || markers.print > 0) RemoveBlankRows(data, markers);

    PostProcessWorkbook(context,
                        {identity.code, identity.title, app, book, data, context.Progress()});
    WrapLongTexts(book);

    book.Sheets(1).Select();
    book.Sheets(1).Cells(1, 1).Select();
    app.SetDisplayAlerts(false);
    book.SaveAs(context.output_path, format.file_format, ss::xlNoChange);
    context.WriteLog("   Книга сохранена", true);
    book.Close();
    context.WriteLog("Конвертация выполнена: " + context.output_path, true);
    context.Unload();
  } catch (const std::exception& failure) {
    // The workbook is neither saved nor closed; the application goes with
    // its alerts off.
    conversion::Trap(context, "ConvertToExcel", failure,
                     {[&] {
                        if (context.appExcel) context.appExcel->SetDisplayAlerts(false);
                      },
                      [&] { context.appExcel.reset(); }});
  }
}

}  // namespace quorlex::excel
