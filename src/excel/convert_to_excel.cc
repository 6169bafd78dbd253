#include "excel/convert_to_excel.h"

#include "automation/browser/browser.h"
#include "automation/spreadsheet/application.h"
#include "conversion/trap.h"
#include "excel/page_cleanup.h"
#include "excel/post_processing.h"
#include "excel/text_wrapping.h"
#include "report/identify_report.h"
#include "tools/titles.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;
namespace browser = automation::browser;

}  // namespace

void ConvertToExcel(conversion::ConversionContext& context, const WorkbookFormat& format) {
  try {
    const std::string program_directory = context.ProgramDirectory();
    const report::ReportIdentity identity = report::IdentifyReport(
        {context.InputPath, context.OutputPath}, format.output_extension,
        format.template_extension, tools::SettingsPath(program_directory), program_directory);

    context.appExcel = std::make_shared<ss::Application>();
    ss::Application& app = *context.appExcel;
    ss::Workbook& book = app.Workbooks().Add(identity.TemplatePath);
    context.WriteLog("   Загружен шаблон " + identity.TemplatePath, true);

    context.appIE->ExecWB(browser::OLECMDID_SELECTALL, browser::OLECMDEXECOPT_PROMPTUSER);
    context.appIE->ExecWB(browser::OLECMDID_COPY, browser::OLECMDEXECOPT_PROMPTUSER);
    context.WriteLog("   Данные занесены в буфер", true);

    ss::Worksheet data = book.Worksheets(1);
    data.Select();
    data.Cells(1, 1).Select();
    data.Paste();
    context.WriteLog("   Данные из буфера занесены в книгу", true);

    const MarkerRows markers = ClearMarkerCells(data);
    if (markers.save_as > 0 || markers.print > 0) RemoveBlankRows(data, markers);

    PostProcessWorkbook(context,
                        {identity.Code, identity.Title, app, book, data, context.Progress()});
    WrapLongTexts(book);

    book.Sheets(1).Select();
    book.Sheets(1).Cells(1, 1).Select();
    app.SetDisplayAlerts(false);
    book.SaveAs(context.OutputPath, format.file_format, ss::xlNoChange);
    context.WriteLog("   Книга сохранена", true);
    book.Close();
    context.WriteLog("Конвертация выполнена: " + context.OutputPath, true);
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
