#include "word/convert_to_word.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/text.h"
#include "report/identify_report.h"
#include "tools/run_log.h"
#include "tools/titles.h"

namespace quorlex::word {
namespace {

void Trap(shell::Form1& form, const std::string& description) {
  form.txtProgress.SetText(form.txtProgress.Text() + "\r\n" + description);
  form.txtProgress.SetSelStart(text::Length(form.txtProgress.Text()));
  tools::WriteLog("ОШИБКА! (ConvertToWord) " + description, false);
  if (!form.OutputPath.empty() && platform::Exists(form.OutputPath)) {
    platform::DeleteFile(form.OutputPath);
  }
  form.appWord.reset();
  form.SetStatus(shell::ExitStatus::kFailed);
  form.Unload();
}

}  // namespace

void ConvertToWord(shell::Form1& form) {
  try {
    const report::ReportIdentity identity =
        report::IdentifyReport({form.InputPath, form.OutputPath}, ".doc", ".doc",
                               tools::SettingsPath(), platform::ProgramDirectory());
    (void)identity;
    throw Error(errors::kDocument, "Компонент текстового редактора не подключен");
  } catch (const std::exception& e) {
    Trap(form, e.what());
  }
}

}  // namespace quorlex::word
