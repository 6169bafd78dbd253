// Feeds arbitrary bytes as a settings file through the reader and the
// titles parser, as identification would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/settings.h"
#include "tools/titles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorlex;
  const auto file =
      platform::SettingsFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)file.Value("TEMPLATES", "path");
  std::string section;
  for (const auto& line : file.SectionLines("TITLES")) {
    section += line;
    section += '\0';
  }
  section += '\0';
  try {
    tools::TitleCount = tools::ParseTitles("fuzz.ini", section);
  } catch (const Error&) {
  }
  tools::Titles.clear();
  // The parser must also survive section text that breaks the platform's
  // framing.
  try {
    (void)tools::ParseTitles("fuzz.ini", std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Error&) {
  }
  tools::Titles.clear();
  return 0;
}
