#include "report/identify_report.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "tools/titles.h"

namespace quorlex::report {
namespace {

std::string TemplateDirectory(const std::string& settings_path,
                              const std::string& program_directory) {
  std::string dir = platform::ToSlashes(platform::SettingsFile::Load(settings_path)
                                            .Value("TEMPLATES", "path")
                                            .value_or(".\\template"));
  if (dir.empty()) {
    throw Error(errors::kInvalidArgument,
                "Пустое значение параметра path секции [TEMPLATES] в файле " + settings_path);
  }
  if (platform::StartsWith(dir, "./")) {
    dir = platform::JoinPath(program_directory, std::string_view(dir).substr(2));
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

ReportIdentity IdentifyReport(ConversionPaths paths, const std::string& output_extension,
                              const std::string& template_extension,
                              const std::string& settings_path,
                              const std::string& program_directory) {
  const std::string output_path = platform::RenameExtension(paths.input_path, output_extension);
  if (output_path == paths.input_path) {
    // Left unset, so that the failure path cannot delete the input file.
    paths.output_path.clear();
    throw Error(kRefusalError,
                "Имя выходного файла совпадает с именем входного файла: " + output_path);
  }
  paths.output_path = output_path;
  paths.input_path = platform::FileNamePart(paths.input_path);

  const auto tag = paths.input_path.find('~');
  if (tag == std::string::npos) {
    throw Error(kRefusalError, "Недопустимое имя файла с отчетом: отсутствует тэг '~'");
  }
  ReportIdentity identity;
  identity.code =
      platform::Upper(platform::Trim(std::string_view(paths.input_path).substr(0, tag)));
  if (identity.code.empty()) throw Error(kRefusalError, "Неизвестный тип отчета");

  identity.template_path =
      TemplateDirectory(settings_path, program_directory) + identity.code + template_extension;
  if (!platform::IsOrdinaryFile(identity.template_path)) {
    throw Error(kRefusalError, "Не найден шаблон " + identity.template_path);
  }

  tools::LoadTitlesFrom(settings_path);
  for (std::size_t i = 0; i < static_cast<std::size_t>(tools::TitleCount); ++i) {
    if (platform::Upper(tools::Titles[i].code) == identity.code) {
      identity.title = tools::Titles[i].title;
      break;
    }
  }
  return identity;
}

}  // namespace quorlex::report
