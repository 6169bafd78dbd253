#include "word/convert_to_word.h"

#include "automation/browser/browser.h"
#include "automation/wordprocessor/application.h"
#include "platform/files.h"
#include "platform/program.h"
#include "report/identify_report.h"
#include "tools/run_log.h"
#include "tools/titles.h"

namespace quorlex::word {
namespace {

namespace wp = automation::wordprocessor;
namespace browser = automation::browser;

// The trap's steps each run even when an earlier one fails, so that the run
// always ends with its error line logged, no file left and the form unloaded.
template <typename Step>
void Attempt(Step step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

void Trap(shell::Form1& form, wp::Document* document, const std::string& description) {
  form.txtProgress.Append("\r\n" + description);
  form.txtProgress.SetSelStart(form.txtProgress.Length());
  tools::WriteLog("ОШИБКА! (ConvertToWord) " + description, false);
  Attempt([&] {
    if (!form.OutputPath.empty() && platform::Exists(form.OutputPath)) {
      platform::DeleteFile(form.OutputPath);
    }
  });
  if (document != nullptr) Attempt([&] { document->Close(false); });
  if (form.appWord) {
    Attempt([&] { form.appWord->SetDisplayAlerts(wp::wdAlertsNone); });
    form.appWord.reset();
  }
  form.SetStatus(shell::ExitStatus::kFailed);
  form.Unload();
}

}  // namespace

void ConvertToWord(shell::Form1& form) {
  wp::Document* document = nullptr;
  try {
    const report::ReportIdentity identity =
        report::IdentifyReport({form.InputPath, form.OutputPath}, ".doc", ".doc",
                               tools::SettingsPath(), platform::ProgramDirectory());

    form.appWord = wp::Application::Create();
    wp::Application& app = *form.appWord;
    app.Documents().Add(identity.TemplatePath);
    document = &app.Documents().Item(1);
    tools::WriteLog("   Загружен шаблон " + identity.TemplatePath, true);

    form.appIE->ExecWB(browser::OLECMDID_SELECTALL, browser::OLECMDEXECOPT_PROMPTUSER);
    form.appIE->ExecWB(browser::OLECMDID_COPY, browser::OLECMDEXECOPT_PROMPTUSER);
    tools::WriteLog("   Данные занесены в буфер", true);

    document->Activate();
    app.Selection().Paste();
    tools::WriteLog("   Данные из буфера занесены в документ", true);

    // The page's first table row is its button bar; the first table of the
    // document loses its first row, wherever that table comes from.
    document->Range(1, 1).Select();
    if (auto table = document->Tables().Item(1)) table->Rows().Item(1).Delete();

    document->SaveAs(form.OutputPath);
    tools::WriteLog("   Документ сохранен", true);
    document->Close();
    document = nullptr;
    tools::WriteLog("Конвертация выполнена: " + form.OutputPath, true);
    form.Unload();
  } catch (const std::bad_alloc&) {
    Trap(form, document, "Недостаточно памяти");
  } catch (const std::exception& e) {
    Trap(form, document, e.what());
  }
}

}  // namespace quorlex::word
