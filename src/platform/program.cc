#include "platform/program.h"

#include <unistd.h>

#include <array>

namespace quorlex::platform {
namespace {

std::string ExecutablePath() {
  std::array<char, 4096> buffer{};
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace

std::string ProgramDirectory() {
  const std::string exe = ExecutablePath();
  const auto slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

std::string ProgramFileName() {
  const std::string exe = ExecutablePath();
  std::string name = exe.substr(exe.rfind('/') + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? "quorlex" : name;
}

}  // namespace quorlex::platform
