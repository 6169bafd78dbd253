#include "excel/convert_to_excel.h"

#include "automation/browser/browser.h"
#include "automation/spreadsheet/application.h"
#include "excel/page_cleanup.h"
#include "excel/post_processing.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/text.h"
#include "report/identify_report.h"
#include "tools/run_log.h"
#include "tools/titles.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;
namespace browser = automation::browser;

// Every sheet gets wrapping on the leftmost cell of each row whose text is at
// least as long as its column is wide. Sheets added by the treatment are
// included; a sheet that is not a worksheet fails the conversion.
void WrapLongTexts(ss::Workbook& book) {
  const int count = book.Sheets().Count();
  for (int i = 1; i <= count; ++i) {
    const ss::Worksheet sheet = book.Sheets(i);
    const int rows = sheet.UsedRange().Rows().Count();
    for (int r = 1; r <= rows; ++r) {
      const int columns = sheet.UsedRange().Columns().Count();
      for (int c = 1; c <= columns; ++c) {
        const ss::Range cell = sheet.Cells(r, c);
        if (static_cast<double>(text::Length(cell.Value())) >= cell.ColumnWidth()) {
          cell.SetWrapText(true);
          break;
        }
      }
    }
  }
}

void Trap(shell::Form1& form, const std::string& description) {
  form.txtProgress.Append("\r\n" + description);
  form.txtProgress.SetSelStart(form.txtProgress.Length());
  tools::WriteLog("ОШИБКА! (ConvertToExcel) " + description, false);
  if (!form.OutputPath.empty() && platform::Exists(form.OutputPath)) {
    platform::DeleteFile(form.OutputPath);
  }
  if (form.appExcel) {
    form.appExcel->SetDisplayAlerts(false);
    form.appExcel.reset();
  }
  form.SetStatus(shell::ExitStatus::kFailed);
  form.Unload();
}

}  // namespace

void ConvertToExcel(shell::Form1& form) {
  try {
    const report::ReportIdentity identity =
        report::IdentifyReport({form.InputPath, form.OutputPath}, ".xls", ".xlt",
                               tools::SettingsPath(), platform::ProgramDirectory());

    form.appExcel = std::make_shared<ss::Application>();
    ss::Application& app = *form.appExcel;
    ss::Workbook& book = app.Workbooks().Add(identity.TemplatePath);
    tools::WriteLog("   Загружен шаблон " + identity.TemplatePath, true);

    form.appIE->ExecWB(browser::OLECMDID_SELECTALL, browser::OLECMDEXECOPT_PROMPTUSER);
    form.appIE->ExecWB(browser::OLECMDID_COPY, browser::OLECMDEXECOPT_PROMPTUSER);
    tools::WriteLog("   Данные занесены в буфер", true);

    ss::Worksheet data = book.Worksheets(1);
    data.Select();
    data.Cells(1, 1).Select();
    data.Paste();
    tools::WriteLog("   Данные из буфера занесены в книгу", true);

    const MarkerRows markers = ClearMarkerCells(data);
    if (markers.save_as > 0 || markers.print > 0) RemoveBlankRows(data, markers);

    PostProcessWorkbook({identity.Code, identity.Title, app, book, data, form.txtProgress});
    WrapLongTexts(book);

    book.Sheets(1).Select();
    book.Sheets(1).Cells(1, 1).Select();
    app.SetDisplayAlerts(false);
    book.SaveAs(form.OutputPath, ss::xlWorkbookNormal, ss::xlNoChange);
    tools::WriteLog("   Книга сохранена", true);
    book.Close();
    tools::WriteLog("Конвертация выполнена: " + form.OutputPath, true);
    form.Unload();
  } catch (const std::bad_alloc&) {
    Trap(form, "Недостаточно памяти");
  } catch (const std::exception& e) {
    Trap(form, e.what());
  }
}

}  // namespace quorlex::excel
