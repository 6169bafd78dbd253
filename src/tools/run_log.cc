#include "tools/run_log.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/program.h"

namespace quorlex::tools {

std::string FormatTimeStamp(const std::tm& local) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", local.tm_mday,
                local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

std::string FormatLogLine(std::string_view text, bool with_time, const std::tm& local) {
  std::string line = with_time ? FormatTimeStamp(local) + "\t" : std::string("\t\t\t");
  line += platform::Utf8ToCp1251(OneLine(text));
  line += "\r\n";
  return line;
}

namespace {

// What a short write left unwritten of this process's last line (the disk
// was full), and the log it belongs to. It is written before the next line,
// so that the torn line is completed as soon as the disk allows.
struct Unwritten {
  std::string path;
  std::string bytes;
};
Unwritten& Leftover() {
  static Unwritten leftover;
  return leftover;
}

}  // namespace

void AppendLogLine(const std::string& path, std::string_view text, bool with_time) noexcept {
  try {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    Unwritten& leftover = Leftover();
    if (leftover.path != path) leftover = {path, {}};
    std::string bytes = leftover.bytes;
    if (bytes.empty()) {
      // A line torn by an earlier full disk stays a line of its own.
      const auto tail = platform::ReadFileTail(path, 2);
      if (tail && !tail->empty() && *tail != "\r\n") bytes = "\r\n";
    }
    bytes += FormatLogLine(text, with_time, local);
    const std::size_t written = platform::AppendAsFarAsPossible(path, bytes);
    // Nothing written: the line is lost, and what was pending still is.
    if (written > 0) leftover.bytes = bytes.substr(written);
  } catch (...) {
    // The log must never stop the program.
  }
}

std::string RunLogPath() { return platform::JoinPath(platform::ProgramDirectory(), "quorlex.log"); }

void WriteLog(std::string_view text, bool with_time) noexcept {
  try {
    AppendLogLine(RunLogPath(), text, with_time);
    if (!with_time && !text.empty()) {
      std::string line = OneLine(text);
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  } catch (...) {
  }
}

}  // namespace quorlex::tools
