#pragma once

// Test support: the text other programs read from a Word file. They are
// black-box checks of what the writer produces; none of them shares code
// with it.

#include <cstddef>
#include <string>

namespace quorlex::automation::word97::testing {

struct Reading {
  bool ok = false;       // the program ran, exited with status 0 and made output
  std::string text;      // UTF-8
  std::string problems;  // what it said on its error stream, known noise removed
};

// LibreOffice in headless mode with a private profile (one per process).
Reading LibreOfficeText(const std::string& path);
// Converted to PDF by LibreOffice, then read back by pdftotext: headers and
// footers show up on every page.
Reading LibreOfficePdfText(const std::string& path);
// Converted to HTML by LibreOffice: shows the tables as tables.
Reading LibreOfficeHtml(const std::string& path);
// How many times needle occurs in text.
std::size_t Count(const std::string& text, const std::string& needle);
Reading Antiword(const std::string& path);
Reading WvText(const std::string& path);
Reading Catdoc(const std::string& path);

// A directory of its own under the system's temporary directory, removed
// with its content at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Text with runs of white space made single spaces, for comparing what
// readers lay out differently.
std::string Squeeze(const std::string& text);

}  // namespace quorlex::automation::word97::testing
