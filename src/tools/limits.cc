#include "tools/limits.h"

#include "platform/error.h"
#include "platform/settings.h"

namespace quorlex::tools {

std::uint64_t LoadRenderSeconds(const std::string& ini_path) {
  const auto value = platform::SettingsFile::Load(ini_path).Value("LIMITS", "render_seconds");
  if (!value) return kDefaultRenderSeconds;
  // Beyond this the bound is no bound; a larger number still reads as one.
  constexpr std::uint64_t kForever = 1'000'000'000'000ULL;
  std::uint64_t seconds = 0;
  bool whole = !value->empty();
  for (const char c : *value) {
    if (c < '0' || c > '9') {
      whole = false;
      break;
    }
    seconds = seconds < kForever ? seconds * 10 + static_cast<std::uint64_t>(c - '0') : kForever;
  }
  if (!whole) {
    throw Error(kRefusalError,
                "Недопустимое значение параметра render_seconds секции [LIMITS] в файле " +
                    ini_path + ": «" + *value + "». Допустимые значения: целое число секунд от 0");
  }
  return seconds;
}

}  // namespace quorlex::tools
