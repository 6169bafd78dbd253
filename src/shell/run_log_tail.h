#pragma once

// The lines a test added to the run log beside the test program. Test
// programs of one directory may run at the same time, so a test looks for
// its lines among those added, not at the whole log.

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/run_log.h"

namespace quorlex::shell::testing {

// What a test run added to the run log.
class RunLogTail {
 public:
  RunLogTail() : start_(platform::ReadFile(tools::RunLogPath()).value_or("").size()) {}

  // The lines added since construction, as text, without their time stamps
  // or TABs.
  std::vector<std::string> Lines() const {
    const std::string bytes = platform::ReadFile(tools::RunLogPath()).value_or("");
    std::vector<std::string> lines;
    std::size_t at = start_;
    while (at < bytes.size()) {
      std::size_t end = bytes.find("\r\n", at);
      if (end == std::string::npos) end = bytes.size();
      std::string line = platform::Cp1251ToUtf8(bytes.substr(at, end - at));
      if (line.rfind("\t\t\t", 0) == 0) {
        line.erase(0, 3);  // an error line
      } else if (line.size() >= kStampWidth && line[kStampWidth - 1] == '\t') {
        line.erase(0, kStampWidth);  // "dd.mm.yyyy hh:mm:ss" and a TAB
      }
      lines.push_back(line);
      at = end + 2;
    }
    return lines;
  }

  bool Has(const std::string& line) const {
    for (const auto& l : Lines()) {
      if (l == line) return true;
    }
    return false;
  }

 private:
  static constexpr std::size_t kStampWidth = 20;
  std::size_t start_;
};

}  // namespace quorlex::shell::testing
