#include "platform/paths.h"

namespace quorlex::platform {

std::string ToSlashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string out(directory == "/" ? std::string_view() : directory);
  out += '/';
  out += name;
  return out;
}

std::string RenameExtension(std::string_view path, std::string_view extension) {
  const auto slash = path.rfind('/');
  const std::size_t component = slash == std::string_view::npos ? 0 : slash + 1;
  const auto dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot >= component &&
      path.find(' ', dot) == std::string_view::npos) {
    out.resize(dot);
  }
  out += extension;
  return out;
}

std::string FileNamePart(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash != std::string_view::npos) return std::string(path.substr(slash + 1));
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(2));
  return std::string(path);
}

}  // namespace quorlex::platform
