#include "shell/dispatch.h"

#include <cstdio>

#include "automation/browser/browser.h"
#include "excel/convert_to_excel.h"
#include "platform/text.h"
#include "tools/run_log.h"
#include "word/convert_to_word.h"

namespace quorlex::shell {

void appIE_DocumentComplete(Form1& form, const std::string& /*url*/) {
  const std::string format = text::Upper(text::Trim(form.OutputFormat));
  if (format == "XLS") {
    excel::ConvertToExcel(form);
  } else if (format == "XLSX") {
    excel::ConvertToExcel(form, excel::kExcelXml);
  } else if (format == "DOC") {
    word::ConvertToWord(form);
  } else if (format == "DOCX") {
    word::ConvertToWord(form, word::kWordXml);
  } else {
    // Not a run-log matter; the caller still learns that nothing came of it.
    const std::string message = "quorlex: неизвестный формат выходного файла «" +
                                form.OutputFormat + "», допустимые форматы: xls,doc,xlsx,docx\n";
    std::fwrite(message.data(), 1, message.size(), stderr);
    form.SetStatus(ExitStatus::kFailed);
  }
  form.Unload();
}

void appIE_NavigateError(Form1& form, const Error& error) {
  tools::WriteLog("ОШИБКА! " + error.Description(), false);
  form.SetStatus(ExitStatus::kFailed);
  form.Unload();
}

void RunMessageLoop(Form1& form) {
  while (form.Loaded()) {
    auto event = form.appIE ? form.appIE->TakePendingEvent() : std::nullopt;
    if (!event) break;
    (*event)();
  }
  if (form.Loaded()) {
    form.SetStatus(ExitStatus::kFailed);
    form.Unload();
  }
}

}  // namespace quorlex::shell
