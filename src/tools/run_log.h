#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace quorlex::tools {

// "dd.mm.yyyy hh:mm:ss" on a 24-hour clock.
std::string FormatTimeStamp(const std::tm& local);

// The text with each CR and LF replaced by a space, so that a message (a
// library's, say) stays on its line.
std::string OneLine(std::string_view text);

// One line of the run log as bytes: the time stamp and a TAB, or three TABs,
// then the text on one line, in Windows-1251, ended by CR LF.
std::string FormatLogLine(std::string_view text, bool with_time, const std::tm& local);

// Appends one line to the log file at path with the current local time.
// Every line starts at the beginning of a line: a log left ending inside a
// line gets CR LF first, and what a full disk cut off this process's last
// line is written before the next. Never fails towards its caller: a line
// that cannot be written at all is lost.
void AppendLogLine(const std::string& path, std::string_view text, bool with_time) noexcept;

// Where the run log is: the program directory followed by "/quorlex.log".
std::string RunLogPath();

// The only way the program writes its run log. An untimed line with text is
// an error line; it is also printed on standard error.
void WriteLog(std::string_view text, bool with_time) noexcept;

}  // namespace quorlex::tools
