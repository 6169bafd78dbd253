#pragma once

// Other programs run as shell commands from tests.

#include <string>

namespace quorlex::automation::testing {

// What running an outside command gave.
struct CommandResult {
  int status = -1;     // the exit status; -1 when it did not run or did not exit
  std::string output;  // what it wrote on standard output and standard error, together
};

// Runs a shell command. Redirections inside the command apply to it alone:
// "reader file >out.txt" gives only what the reader says on standard error.
CommandResult RunCommand(const std::string& command);

// The text as one single-quoted shell word.
std::string Quote(const std::string& text);

}  // namespace quorlex::automation::testing
