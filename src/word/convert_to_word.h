#pragma once

#include "shell/form1.h"

namespace quorlex::word {

// Turns the rendered page into a document saved at the output path, then
// unloads the form. Every failure ends in the converter's own trap.
void ConvertToWord(shell::Form1& form);

}  // namespace quorlex::word
