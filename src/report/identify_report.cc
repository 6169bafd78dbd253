#include "report/identify_report.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "tools/titles.h"

namespace quorlex::report {
namespace {

std::string TemplateDirectory(const std::string& settingsPath,
                              const std::string& programDirectory) {
  std::string dir = platform::ToSlashes(
      platform::SettingsFile::Load(settingsPath).Value("TEMPLATES", "path").value_or(".\\template"));
  if (dir.empty()) {
    throw Error(errors::kInvalidArgument,
                "Пустое значение параметра path секции [TEMPLATES] в файле " + settingsPath);
  }
  if (platform::StartsWith(dir, "./")) {
    dir = platform::JoinPath(programDirectory, std::string_view(dir).substr(2));
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

ReportIdentity IdentifyReport(ConversionPaths paths, const std::string& outputExtension,
                              const std::string& templateExtension,
                              const std::string& settingsPath,
                              const std::string& programDirectory) {
  const std::string outputPath = platform::RenameExtension(paths.InputPath, outputExtension);
  if (outputPath == paths.InputPath) {
    // Left unset, so that the failure path cannot delete the input file.
    paths.OutputPath.clear();
    throw Error(kRefusalError,
                "Имя выходного файла совпадает с именем входного файла: " + outputPath);
  }
  paths.OutputPath = outputPath;
  paths.InputPath = platform::FileNamePart(paths.InputPath);

  const auto tag = paths.InputPath.find('~');
  if (tag == std::string::npos) {
    throw Error(kRefusalError, "Недопустимое имя файла с отчетом: отсутствует тэг '~'");
  }
  ReportIdentity identity;
  identity.Code = platform::Upper(platform::Trim(std::string_view(paths.InputPath).substr(0, tag)));
  if (identity.Code.empty()) throw Error(kRefusalError, "Неизвестный тип отчета");

  identity.TemplatePath = TemplateDirectory(settingsPath, programDirectory) +
                          identity.Code + templateExtension;
  if (!platform::IsOrdinaryFile(identity.TemplatePath)) {
    throw Error(kRefusalError, "Не найден шаблон " + identity.TemplatePath);
  }

  tools::LoadTitlesFrom(settingsPath);
  for (std::size_t i = 0; i < static_cast<std::size_t>(tools::TitleCount); ++i) {
    if (platform::Upper(tools::Titles[i].Code) == identity.Code) {
      identity.Title = tools::Titles[i].Title;
      break;
    }
  }
  return identity;
}

}  // namespace quorlex::report
