#include "shell/start_up.h"

#include <chrono>
#include <cstdio>
#include <new>

#include "automation/browser/browser.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/text.h"
#include "shell/command_line.h"
#include "shell/dispatch.h"
#include "shell/usage.h"
#include "tools/limits.h"
#include "tools/run_log.h"
#include "tools/titles.h"

namespace quorlex::shell {
namespace {

void ShowUsage() {
  std::string usage = UsageText(platform::ProgramFileName());
  // A terminal wants plain line ends.
  std::string out;
  for (std::size_t i = 0; i < usage.size(); ++i) {
    if (usage[i] == '\r' && i + 1 < usage.size() && usage[i + 1] == '\n') continue;
    out.push_back(usage[i]);
  }
  out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void Refuse(Form1& form, const std::string& message) {
  tools::WriteLog("ОШИБКА! " + message, false);
  form.SetStatus(ExitStatus::kRefused);
  form.Unload();
}

// The bounds of rendering that the settings file sets.
automation::browser::RenderLimits RenderLimitsFromSettings() {
  const std::string ini = tools::SettingsPath();
  const std::uint64_t seconds = tools::LoadRenderSeconds(ini);
  automation::browser::RenderLimits limits;
  limits.time = std::chrono::seconds(seconds);
  limits.time_name =
      "ограничение render_seconds=" + std::to_string(seconds) + " секции [LIMITS] в файле " + ini;
  return limits;
}

const char* const kMissingFormat = "Формат выходного файла не указан! Допустимые форматы: xls,doc";

}  // namespace

void Form_Load(Form1& form, const std::vector<std::string>& arguments) {
  tools::TitleCount = 0;
  try {
    const std::string a = ArgumentText(arguments);
    if (IsUsageRequest(a)) {
      ShowUsage();
      form.Unload();
      return;
    }
    tools::WriteLog("", false);
    tools::WriteLog(std::string(kProductTitle) + ", " + VersionText(), true);

    const auto switches = SplitArguments(a);
    if (!switches) return Refuse(form, kMissingFormat);
    const std::string name = ResolveName(switches->name, platform::ProgramDirectory());
    tools::WriteLog("Конвертация файла:     " + name + " (xml->" + switches->format + ")", true);

    const std::string shown = DisplayName(name);
    if (!platform::IsOrdinaryFile(name)) return Refuse(form, "Файл не найден: " + shown);
    if (!platform::Contains(platform::Upper(shown), ".XML")) {
      return Refuse(form, "Файл " + shown + " не является файлом формата XML");
    }
    if (switches->format.empty()) return Refuse(form, kMissingFormat);
    const std::string verbose = platform::Lower(switches->verbose);
    if (verbose != "y" && verbose != "n") {
      return Refuse(
          form, "Недопустимое значение параметра /v: (" + verbose + ") ! Допустимые значения: n,y");
    }

    form.input_path = name;
    form.output_format = switches->format;
    if (const auto extension = OutputExtension(form.output_format)) {
      PrepareForFailure(name, *extension);
    }
    form.SetVisible(verbose == "y");
    form.txtTitle.SetText("преобразование файла " + shown + "...");
    form.txtTitle.Refresh();
    form.txtProgress.SetText("загрузка файла...");
    form.txtProgress.Refresh();

    automation::browser::RenderLimits limits = RenderLimitsFromSettings();
    form.appIE = std::make_shared<automation::browser::Browser>();
    form.appIE->SetRenderLimits(std::move(limits));
    form.appIE->OnDocumentComplete(
        [&form](const std::string& url) { appIE_DocumentComplete(form, url); });
    form.appIE->OnNavigateError([&form](const Error& error) { appIE_NavigateError(form, error); });
    form.appIE->Navigate(form.input_path);
    form.appIE->SetVisible(false);
  } catch (const std::bad_alloc&) {
    FailRun(form, "ОШИБКА! Недостаточно памяти");
  } catch (const std::exception& e) {
    FailRun(form, std::string("ОШИБКА! ") + e.what());
  }
}

}  // namespace quorlex::shell
