#pragma once

#include <string>

namespace quorlex::platform {

// Directory of the running executable, without a trailing separator (the
// root stays "/"). The run log, the settings file and the default template
// directory are found beside the program, wherever it was started from.
std::string ProgramDirectory();

// File name of the running executable without its extension.
std::string ProgramFileName();

}  // namespace quorlex::platform
