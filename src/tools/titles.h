#pragma once

// The titles table: for each report code, the title line by which the report
// is recognised in the rendered page. Loaded from the [TITLES] section of the
// settings file.

#include <cstdint>
#include <string>
#include <vector>

namespace quorlex::tools {

// One entry of the titles table.
struct TitleEntry {
  std::string code;   // text before the first "=", exactly as written
  std::string title;  // text after it, trimmed and upper-cased
};

// Module state shared by the converters. TitleCount is the number of entries
// loaded; it is set only after a complete parse, so entries read before a
// malformed line may sit in Titles beyond TitleCount.
extern std::vector<TitleEntry> Titles;
extern std::int16_t TitleCount;

// Reads [TITLES] of the settings file beside the program and sets TitleCount.
// Raises error 514 when the section cannot be read or a line is malformed.
void LoadTitles();

// Same, from the given settings file.
void LoadTitlesFrom(const std::string& ini_path);

// Parses section text in the platform's form: entry lines each followed by
// one NUL, the last by two. Fills Titles and returns the number of entries.
// iniPath is used in messages only.
std::int16_t ParseTitles(const std::string& ini_path, const std::string& section_text);

// Path of the settings file: the program directory followed by
// "/quorlex.ini".
std::string SettingsPath();
std::string SettingsPath(const std::string& program_directory);

}  // namespace quorlex::tools
