#pragma once

// The workbooks and documents the tests write, gathered for the checks that
// run once at the end of a test run (tests/checks/written_files.py).

#include <string>

namespace quorlex::automation::testing {

// Copies every .xls, .xlt, .doc and .dot file under `directory` into the
// directory that QUORLEX_WRITTEN_FILES names, under a name of its own; does
// nothing when the variable is not set. Never throws: a file that cannot be
// copied is only missing from the checks.
void KeepWrittenFiles(const std::string& directory);

}  // namespace quorlex::automation::testing
