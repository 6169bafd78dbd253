#pragma once

// A program directory for converter tests: quorlex.ini, template/, and
// reports whose stylesheet renders rows of texts as one table, below a
// button bar as the bundled reports have.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorlex::conversion::testing {

// A temporary installation directory for a test.
class TestInstallation {
 public:
  TestInstallation() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorlex-converter-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
    dir_ = pattern;
    std::filesystem::create_directory(dir_ + "/template");
    Write("report.xsl", kStylesheet);
  }
  ~TestInstallation() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TestInstallation(const TestInstallation&) = delete;
  TestInstallation& operator=(const TestInstallation&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }

  // quorlex.ini with these [TITLES] lines ("CODE=title") and the default
  // template directory.
  void WriteSettings(const std::vector<std::string>& titles) {
    std::string text = "[TITLES]\r\n";
    for (const auto& line : titles)
      text += line + "\r\n";
    Write("quorlex.ini", text + "[TEMPLATES]\r\npath=.\\template\r\n");
  }

  // A bundled template (template/<name> of the source tree) copied in.
  void AddBundledTemplate(const std::string& name) {
    std::filesystem::copy_file(std::string(QUORLEX_SOURCE_DIR) + "/template/" + name,
                               dir_ + "/template/" + name);
  }

  // A report `name` whose page is a table: the button bar row ("Save as",
  // "Print"), then these rows.
  std::string WriteReport(const std::string& name,
                          const std::vector<std::vector<std::string>>& rows) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"report.xsl\"?>\n<rows>\n";
    for (const auto& row : rows) {
      xml += "<r>";
      for (const auto& cell : row)
        xml += "<c>" + cell + "</c>";
      xml += "</r>\n";
    }
    return Write(name, xml + "</rows>\n");
  }

  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

 private:
  static constexpr const char* kStylesheet = R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8"/>
  <xsl:template match="/">
    <html><body><table>
      <tr><td><input type="button" value="Save as"/></td><td><input type="button" value="Print"/></td></tr>
      <xsl:for-each select="rows/r">
        <tr><xsl:for-each select="c"><td><xsl:value-of select="."/></td></xsl:for-each></tr>
      </xsl:for-each>
    </table></body></html>
  </xsl:template>
</xsl:stylesheet>
)";

  std::string dir_;
};

}  // namespace quorlex::conversion::testing
