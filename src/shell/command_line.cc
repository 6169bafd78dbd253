#include "shell/command_line.h"

#include <algorithm>

#include "platform/paths.h"
#include "platform/text.h"

namespace quorlex::shell {

std::string ArgumentText(const std::vector<std::string>& arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) text += ' ';
    text += arguments[i];
  }
  return text;
}

bool IsUsageRequest(const std::string& arguments) {
  if (platform::Trim(arguments).empty()) return true;
  const std::string upper = platform::Upper(arguments);
  return upper == "/?" || upper == "-?";
}

std::optional<Switches> SplitArguments(std::string arguments) {
  if (const auto cut = arguments.find('>'); cut != std::string::npos) arguments.resize(cut);
  // Byte offsets work here: the switches are ASCII, and UTF-8 never hides an
  // ASCII byte inside another character.
  const auto f = arguments.find("/f:");
  if (f == std::string::npos) return std::nullopt;
  const auto v = arguments.find("/v:");

  Switches s;
  if (v == std::string::npos || f < v) {
    s.name = arguments.substr(0, f);
    if (v == std::string::npos) {
      s.format = arguments.substr(f + 3);
      s.verbose.assign(1, 'n');  // no "/v:": the window stays hidden
    } else {
      s.format = arguments.substr(f + 3, v - (f + 3));
      s.verbose = arguments.substr(v + 3);
    }
  } else {
    s.name = arguments.substr(0, v);
    s.verbose = arguments.substr(v + 3, f - (v + 3));
    s.format = arguments.substr(f + 3);
  }
  s.format = platform::Trim(s.format);
  s.verbose = platform::Trim(s.verbose);
  s.name = platform::Trim(s.name);
  s.name.erase(std::remove(s.name.begin(), s.name.end(), '"'), s.name.end());
  s.name = platform::ToSlashes(s.name);
  return s;
}

std::string ResolveName(const std::string& name, const std::string& program_directory) {
  if (platform::StartsWith(name, "/") || platform::StartsWith(name, "./") ||
      (name.size() >= 2 && name[1] == ':')) {
    return name;
  }
  return platform::JoinPath(program_directory, name);
}

std::string DisplayName(const std::string& name) {
  if (name.find(' ') == std::string::npos) return name;
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted.push_back('"');
  quoted.append(name);
  quoted.push_back('"');
  return quoted;
}

}  // namespace quorlex::shell
