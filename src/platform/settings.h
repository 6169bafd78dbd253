#pragma once

// Reader of sectioned settings files ("[SECTION]" lines followed by
// key=value lines), with the results the program relies on from the
// platform's profile functions:
//  - section and key names are found without regard to letter case;
//  - a section's entry lines come back as they stand in the file, apart from
//    white space around the whole line; blank lines and ";" comments are
//    skipped; the first section of a name wins;
//  - a value comes back trimmed, without one pair of enclosing quotes.
// The file is read as Windows-1251, or as UTF-8 when it starts with a UTF-8
// byte-order mark or is valid UTF-8 holding non-ASCII text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::platform {

// A settings file: its sections and their lines.
class SettingsFile {
 public:
  // Parses settings text (raw bytes in either encoding).
  static SettingsFile Parse(std::string_view bytes);
  // A missing or unreadable file reads as an empty one.
  static SettingsFile Load(const std::string& path);

  // Entry lines of the section; empty when the section is missing or empty.
  std::vector<std::string> SectionLines(std::string_view section) const;

  // The value of key in section, or nothing when the section or key is
  // missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

 private:
  // One section: its name and lines.
  struct Section {
    std::string name;  // upper-cased
    std::vector<std::string> lines;
  };
  const Section* Find(std::string_view section) const;

  std::vector<Section> sections_;
};

// Decodes settings bytes to UTF-8 by the rule above.
std::string DecodeSettingsText(std::string_view bytes);

}  // namespace quorlex::platform
