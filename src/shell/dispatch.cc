#include "shell/dispatch.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <vector>

#include "automation/browser/browser.h"
#include "excel/convert_to_excel.h"
#include "platform/interruption.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tools/run_log.h"
#include "word/convert_to_word.h"

namespace quorlex::shell {

// A format that appIE_DocumentComplete converts has its extension here, so
// that a run in that format that fails early leaves no file either.
std::optional<std::string> OutputExtension(const std::string& format) {
  const std::string name = platform::Upper(platform::Trim(format));
  if (name == "XLS" || name == "DOC" || name == "XLSX" || name == "DOCX") {
    // Appended, not `"." + ...`: GCC 12 at -O3 takes that for an
    // overlapping copy (-Wrestrict), which it cannot be.
    std::string extension(1, '.');
    extension.append(platform::Lower(name));
    return extension;
  }
  return std::nullopt;
}

void PrepareForFailure(const std::string& input_path, const std::string& extension) {
  std::string output = platform::RenameExtension(input_path, extension);
  if (output == input_path) output.clear();  // refused later; the input stays
  std::vector<platform::InterruptionMessage> messages;
  const std::pair<int, const char*> signals[] = {
      {SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
  for (const auto& [signal, name] : signals) {
    const std::string line = std::string("ОШИБКА! Конвертация прервана сигналом ") + name;
    messages.push_back({signal, tools::FormatLogLine(line, false, std::tm{}), line + "\n"});
  }
  platform::ArmInterruption(tools::RunLogPath(), output, messages);
}

void FailRun(Form1& form, const std::string& line) {
  tools::WriteLog(line, false);
  platform::RemoveRegisteredOutput();
  form.SetStatus(ExitStatus::kFailed);
  form.Unload();
}

void appIE_DocumentComplete(Form1& form, const std::string& /*url*/) {
  const std::string format = platform::Upper(platform::Trim(form.output_format));
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
                                form.output_format + "», допустимые форматы: xls,doc,xlsx,docx\n";
    std::fwrite(message.data(), 1, message.size(), stderr);
    form.SetStatus(ExitStatus::kFailed);
  }
  form.Unload();
}

void appIE_NavigateError(Form1& form, const Error& error) {
  FailRun(form, "ОШИБКА! " + error.Description());
}

void RunMessageLoop(Form1& form) {
  while (form.Loaded()) {
    auto event = form.appIE ? form.appIE->TakePendingEvent() : std::nullopt;
    if (!event) break;
    (*event)();
  }
  if (form.Loaded()) {
    platform::RemoveRegisteredOutput();
    form.SetStatus(ExitStatus::kFailed);
    form.Unload();
  }
}

}  // namespace quorlex::shell
