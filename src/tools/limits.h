#pragma once

// The [LIMITS] section of the settings file.

#include <cstdint>
#include <string>

namespace quorlex::tools {

inline constexpr std::uint64_t kDefaultRenderSeconds = 300;

// [LIMITS] render_seconds: the wall-clock seconds allowed for parsing and
// transforming the report; 0 means no limit. The default applies when the
// file, the section or the key is missing. Raises error 514 when the value is
// not a whole number from 0 up.
std::uint64_t LoadRenderSeconds(const std::string& ini_path);

}  // namespace quorlex::tools
