#pragma once

// Test support: the text other programs read from a Word file we wrote.
// They are black-box checks; none of them shares code with the engine.

#include <cstddef>
#include <string>

namespace quorlex::automation::testing {

// What an independent reader made of a document.
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
// Has LibreOffice make a Word 97-2003 document from an HTML page (to make
// templates with fields and bookmarks for tests). True when it did.
bool LibreOfficeWordFromHtml(const std::string& html, const std::string& doc);

Reading Antiword(const std::string& path);
Reading WvText(const std::string& path);
Reading Catdoc(const std::string& path);

// How many times needle occurs in text.
std::size_t Count(const std::string& text, const std::string& needle);

// Text with runs of white space made single spaces, for comparing what
// readers lay out differently.
std::string Squeeze(const std::string& text);

}  // namespace quorlex::automation::testing
