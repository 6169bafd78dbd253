#include "tools/run_log.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/program.h"

namespace quorlex::tools {

std::string FormatTimeStamp(const std::tm& local) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", local.tm_mday,
                local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec);
  return buffer;
}

std::string FormatLogLine(std::string_view text, bool withTime, const std::tm& local) {
  std::string line = withTime ? FormatTimeStamp(local) + "\t" : std::string("\t\t\t");
  line += codepage::Utf8ToCp1251(text);
  line += "\r\n";
  return line;
}

void AppendLogLine(const std::string& path, std::string_view text, bool withTime) noexcept {
  try {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    platform::AppendToFile(path, FormatLogLine(text, withTime, local));
  } catch (...) {
    // The log must never stop the program.
  }
}

std::string RunLogPath() {
  const std::string dir = platform::ProgramDirectory();
  return (dir == "/" ? std::string() : dir) + "/quorlex.log";
}

void WriteLog(std::string_view text, bool withTime) noexcept {
  try {
    AppendLogLine(RunLogPath(), text, withTime);
    if (!withTime && !text.empty()) {
      std::string line(text);
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  } catch (...) {
  }
}

}  // namespace quorlex::tools
