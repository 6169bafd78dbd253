#include "word/convert_to_word.h"

#include "automation/browser/browser.h"
#include "automation/wordprocessor/application.h"
#include "conversion/trap.h"
#include "report/identify_report.h"
#include "tools/titles.h"

namespace quorlex::word {
namespace {

namespace wp = automation::wordprocessor;
namespace browser = automation::browser;

}  // namespace

void ConvertToWord(conversion::ConversionContext& context, const DocumentFormat& format) {
  wp::Document* document = nullptr;
  try {
    const std::string program_directory = context.ProgramDirectory();
    const report::ReportIdentity identity = report::IdentifyReport(
        {context.input_path, context.output_path}, format.output_extension,
        format.template_extension, tools::SettingsPath(program_directory), program_directory);

    context.appWord = wp::Application::Create();
    wp::Application& app = *context.appWord;
    app.Documents().Add(identity.template_path);
    document = &app.Documents().Item(1);
    context.WriteLog("   Загружен шаблон " + identity.template_path, true);

    context.appIE->ExecWB(browser::OLECMDID_SELECTALL, browser::OLECMDEXECOPT_PROMPTUSER);
    context.appIE->ExecWB(browser::OLECMDID_COPY, browser::OLECMDEXECOPT_PROMPTUSER);
    context.WriteLog("   Данные занесены в буфер", true);

    document->Activate();
    app.Selection().Paste();
    context.WriteLog("   Данные из буфера занесены в документ", true);

    // The page's first table row is its button bar; the first table of the
    // document loses its first row, wherever that table comes from.
    document->Range(1, 1).Select();
    if (auto table = document->Tables().Item(1)) table->Rows().Item(1).Delete();

    document->SaveAs(context.output_path, format.file_format);
    context.WriteLog("   Документ сохранен", true);
    document->Close();
    document = nullptr;
    context.WriteLog("Конвертация выполнена: " + context.output_path, true);
    context.Unload();
  } catch (const std::exception& failure) {
    // The document is closed unsaved; the application goes with its alerts
    // off.
    conversion::Trap(context, "ConvertToWord", failure,
                     {[&] {
                        if (document != nullptr) document->Close(false);
                      },
                      [&] {
                        if (context.appWord) context.appWord->SetDisplayAlerts(wp::wdAlertsNone);
                      },
                      [&] { context.appWord.reset(); }});
  }
}

}  // namespace quorlex::word
