#include "automation/testing/command.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace quorlex::automation::testing {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  const std::string grouped = "{ " + command + "\n} 2>&1";
  std::FILE* pipe = ::popen(grouped.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace quorlex::automation::testing
