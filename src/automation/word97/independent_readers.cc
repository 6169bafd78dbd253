#include "automation/word97/independent_readers.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace quorlex::automation::word97::testing {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

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

// Runs a shell command with standard error captured; true on status 0.
bool Run(const std::string& command, const std::string& err_path) {
  const int status = std::system((command + " 2>" + Quote(err_path)).c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string StripBom(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  return text;
}

const std::string& Profile() {
  static TempDir profile;
  static const std::string url = "file://" + profile.path();
  return url;
}

Reading LibreOffice(const std::string& path, const std::string& format,
                    const std::string& extension, TempDir& out) {
  Reading r;
  const std::string err = out.File("stderr");
  r.ok = Run("soffice -env:UserInstallation=" + Profile() +
                 " --headless --convert-to " + format + " --outdir " + Quote(out.path()) + " " +
                 Quote(path) + " >/dev/null",
             err);
  r.problems = Problems(Slurp(err));
  const std::string stem = fs::path(path).stem().string();
  const std::string made = out.File(stem + "." + extension);
  r.ok = r.ok && fs::exists(made);
  if (r.ok) r.text = made;  // the caller reads it
  return r;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "quorlex-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

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
  const std::string err = out.File("pdftotext.err");
  r.ok = Run("pdftotext -enc UTF-8 " + Quote(pdf) + " " + Quote(txt), err);
  r.problems += Problems(Slurp(err));
  r.text = Slurp(txt);
  return r;
}

Reading LibreOfficeHtml(const std::string& path) {
  TempDir out;
  Reading r = LibreOffice(path, "html:HTML", "html", out);
  if (r.ok) r.text = Slurp(r.text);
  return r;
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++n;
  }
  return n;
}

Reading Antiword(const std::string& path) {
  TempDir out;
  Reading r;
  const std::string txt = out.File("out.txt");
  r.ok = Run("antiword -m UTF-8.txt -w 0 " + Quote(path) + " >" + Quote(txt), out.File("err"));
  r.problems = Problems(Slurp(out.File("err")));
  r.text = Slurp(txt);
  return r;
}

Reading WvText(const std::string& path) {
  TempDir out;
  Reading r;
  const std::string txt = out.File("out.txt");
  r.ok = Run("wvText " + Quote(path) + " " + Quote(txt) + " >/dev/null", out.File("err"));
  r.problems = Problems(Slurp(out.File("err")));
  r.text = Slurp(txt);
  return r;
}

Reading Catdoc(const std::string& path) {
  TempDir out;
  Reading r;
  const std::string txt = out.File("out.txt");
  r.ok = Run("catdoc -d utf-8 -w " + Quote(path) + " >" + Quote(txt), out.File("err"));
  r.problems = Problems(Slurp(out.File("err")));
  r.text = Slurp(txt);
  return r;
}

std::string Squeeze(const std::string& text) {
  std::string out;
  bool space = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // White space, and the no-break space (C2 A0), count as one space.
    const bool nbsp = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0;
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

}  // namespace quorlex::automation::word97::testing
