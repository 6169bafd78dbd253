#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorlex::shell {

// The argument text: the program's arguments joined with single spaces.
std::string ArgumentText(const std::vector<std::string>& arguments);

// An empty (or all-space) argument text, "/?" or "-?" asks for the usage text.
bool IsUsageRequest(const std::string& arguments);

// The command line as read: file name, format and verbosity.
struct Switches {
  std::string name;     // trimmed, without double quotes, "\" read as "/"
  std::string format;   // trimmed, letter case as typed
  std::string verbose;  // trimmed, letter case as typed; "n" without "/v:"
};

// Cuts the text at its first ">" and splits it at the case-sensitive "/f:"
// and "/v:" switches, in either order. Nothing when there is no "/f:".
std::optional<Switches> SplitArguments(std::string arguments);

// A name that does not start at the root, at "./" or with a drive letter is
// taken relative to the program directory.
std::string ResolveName(const std::string& name, const std::string& program_directory);

// The name as shown in messages: in double quotes when it holds a space.
std::string DisplayName(const std::string& name);

}  // namespace quorlex::shell
