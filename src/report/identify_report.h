#pragma once

#include <string>

namespace quorlex::report {

// What a report's file name and the settings say about it.
struct ReportIdentity {
  std::string code;           // trimmed, upper-cased text in front of the first "~"
  std::string title;          // the matching title of the titles table, or empty
  std::string template_path;  // template directory + code + template extension
};

// Paths of the conversion that identification reads and rewrites.
struct ConversionPaths {
  std::string& input_path;   // full path on entry; the bare file name on return
  std::string& output_path;  // set to the input path with the output extension
};

// Derives the output path, the report code, the template and the title.
// Raises error 514 with the message for the log on every refusal.
// settingsPath and programDirectory locate the settings file and resolve a
// template directory given relative to the program.
ReportIdentity IdentifyReport(ConversionPaths paths, const std::string& output_extension,
                              const std::string& template_extension,
                              const std::string& settings_path,
                              const std::string& program_directory);

}  // namespace quorlex::report
