#pragma once

#include <string>
#include <vector>

#include "shell/form1.h"

namespace quorlex::shell {

// The program's entry into its own logic. Reads the arguments and either
// prints the usage text, refuses the command line with one run-log line, or
// stores the conversion context and starts rendering the report; in the
// first two cases, and on any failure, it unloads the form.
void Form_Load(Form1& form, const std::vector<std::string>& arguments);

}  // namespace quorlex::shell
