#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace quorlex::tools {

// "dd.mm.yyyy hh:mm:ss" on a 24-hour clock.
std::string FormatTimeStamp(const std::tm& local);

// One line of the run log as bytes: the time stamp and a TAB, or three TABs,
// then the text, in Windows-1251, ended by CR LF.
std::string FormatLogLine(std::string_view text, bool withTime, const std::tm& local);

// Appends one line to the log file at path with the current local time.
// Never fails towards its caller: a line that cannot be written is lost.
void AppendLogLine(const std::string& path, std::string_view text, bool withTime) noexcept;

// Where the run log is: the program directory followed by "/quorlex.log".
std::string RunLogPath();

// The only way the program writes its run log. An untimed line with text is
// an error line; it is also printed on standard error.
void WriteLog(std::string_view text, bool withTime) noexcept;

}  // namespace quorlex::tools
