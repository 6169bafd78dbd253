#include "automation/testing/doc_readers.h"

#include <filesystem>
#include <sstream>

#include "automation/testing/command.h"
#include "automation/testing/temp_dir.h"
#include "platform/files.h"

namespace quorlex::automation::testing {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) { return platform::ReadFile(path).value_or(""); }

// Lines a reader prints whatever the file: not problems with it.
bool IsNoise(const std::string& line) {
  return line.empty() || line.find("javaldx") != std::string::npos ||
         line.find("Could not find required program") != std::string::npos ||
         line.find("Output will be pretty bad") != std::string::npos;
}

std::string Problems(const std::string& stderr_text) {
  std::istringstream in(stderr_text);
  std::string line;
  std::string out;
  while (std::getline(in, line)) {
    if (!IsNoise(line)) out += line + "\n";
  }
  return out;
}

// Runs a command that sends its standard output where it says itself:
// what is left is its error stream.
Reading Run(const std::string& command) {
  const CommandResult result = RunCommand(command);
  Reading r;
  r.ok = result.status == 0;
  r.problems = Problems(result.output);
  return r;
}

std::string StripBom(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  return text;
}

const std::string& Profile() {
  static TempDir profile;
  static const std::string url = "file://" + profile.Path();
  return url;
}

// LibreOffice's conversion of the document; `text` names the file it made.
Reading LibreOffice(const std::string& path, const std::string& format,
                    const std::string& extension, const TempDir& out) {
  Reading r = Run("soffice -env:UserInstallation=" + Profile() + " --headless --convert-to " +
                  format + " --outdir " + Quote(out.Path()) + " " + Quote(path) + " >/dev/null");
  const std::string made = out.File(fs::path(path).stem().string() + "." + extension);
  r.ok = r.ok && fs::exists(made);
  if (r.ok) r.text = made;
  return r;
}

// A reader that writes its text into "out.txt" of its directory.
Reading TextReader(const std::string& command, const TempDir& out) {
  Reading r = Run(command);
  r.text = Slurp(out.File("out.txt"));
  return r;
}

}  // namespace

Reading LibreOfficeText(const std::string& path) {
  TempDir out;
  Reading r = LibreOffice(path, "txt:Text", "txt", out);
  if (r.ok) r.text = StripBom(Slurp(r.text));
  return r;
}

Reading LibreOfficePdfText(const std::string& path) {
  TempDir out;
  Reading r = LibreOffice(path, "pdf", "pdf", out);
  if (!r.ok) return r;
  const std::string pdf = r.text;
  const std::string txt = out.File("pdf.txt");
  const Reading pdftotext =
      Run("pdftotext -enc UTF-8 " + Quote(pdf) + " " + Quote(txt) + " >/dev/null");
  r.ok = pdftotext.ok;
  r.problems += pdftotext.problems;
  r.text = Slurp(txt);
  return r;
}

Reading LibreOfficeHtml(const std::string& path) {
  TempDir out;
  Reading r = LibreOffice(path, "html:HTML", "html", out);
  if (r.ok) r.text = Slurp(r.text);
  return r;
}

bool LibreOfficeWordFromHtml(const std::string& html, const std::string& doc) {
  TempDir out;
  const Reading r =
      Run("soffice -env:UserInstallation=" + Profile() +
          " --headless --infilter='HTML (StarWriter)' --convert-to 'doc:MS Word 97' --outdir " +
          Quote(out.Path()) + " " + Quote(html) + " >/dev/null");
  const std::string made = out.File(fs::path(html).stem().string() + ".doc");
  if (!r.ok || !fs::exists(made)) return false;
  fs::copy_file(made, doc, fs::copy_options::overwrite_existing);
  return true;
}

Reading Antiword(const std::string& path) {
  TempDir out;
  return TextReader("antiword -m UTF-8.txt -w 0 " + Quote(path) + " >" + Quote(out.File("out.txt")),
                    out);
}

Reading WvText(const std::string& path) {
  TempDir out;
  return TextReader("wvText " + Quote(path) + " " + Quote(out.File("out.txt")) + " >/dev/null",
                    out);
}

Reading Catdoc(const std::string& path) {
  TempDir out;
  return TextReader("catdoc -d utf-8 -w " + Quote(path) + " >" + Quote(out.File("out.txt")), out);
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++n;
  }
  return n;
}

std::string Squeeze(const std::string& text) {
  std::string out;
  bool space = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // White space, and the no-break space (C2 A0), count as one space.
    const bool nbsp =
        c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || nbsp) {
      if (nbsp) ++i;
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace quorlex::automation::testing
