#include "tools/titles.h"

#include <limits>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/program.h"
#include "platform/settings.h"
#include "platform/text.h"

namespace quorlex::tools {

std::vector<TitleEntry> Titles;
std::int16_t TitleCount = 0;

std::string SettingsPath() { return SettingsPath(platform::ProgramDirectory()); }

std::string SettingsPath(const std::string& program_directory) {
  return platform::JoinPath(program_directory, "quorlex.ini");
}

void LoadTitles() { LoadTitlesFrom(SettingsPath()); }

void LoadTitlesFrom(const std::string& ini_path) {
  const auto lines = platform::SettingsFile::Load(ini_path).SectionLines("TITLES");
  std::string section_text;
  for (const auto& line : lines) {
    section_text += line;
    section_text += '\0';
  }
  section_text += '\0';
  if (lines.empty()) {
    throw Error(kRefusalError, "Ошибка чтения секции [TITLES] в файле " + ini_path);
  }
  TitleCount = ParseTitles(ini_path, section_text);
}

std::int16_t ParseTitles(const std::string& ini_path, const std::string& section_text) {
  const auto end = section_text.find(std::string_view("\0\0", 2));
  const std::size_t limit = end == std::string::npos ? section_text.size() : end;
  std::size_t a = 0;
  std::size_t i = 0;
  do {
    // The count is 16 bits: a 32,768th entry could not be counted.
    if (i >= static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
      throw Error(kRefusalError, "Слишком много записей в секции [TITLES] в файле " + ini_path);
    }
    Titles.resize(i + 1);
    auto b = section_text.find('\0', a);
    if (b == std::string::npos) b = section_text.size();
    const std::string line = section_text.substr(a, b - a);
    const auto c = line.find('=');
    if (c == std::string::npos) {
      throw Error(kRefusalError,
                  "Неверный формат параметра: " + line + " секции [TITLES] в файле " + ini_path);
    }
    Titles[i].code = line.substr(0, c);
    Titles[i].title = platform::Upper(platform::Trim(std::string_view(line).substr(c + 1)));
    ++i;
    a = b + 1;
  } while (a < limit);
  return static_cast<std::int16_t>(i);
}

}  // namespace quorlex::tools
