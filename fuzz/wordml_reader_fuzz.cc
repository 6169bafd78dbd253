// The WordprocessingML reader on arbitrary bytes: it must give a document
// or a quorlex::Error, never crash, hang or run away with memory. What it
// reads is written back and read again, so that the writer meets whatever
// the reader lets through, with a table row deleted when there is one.
//
// Input is a whole package (a zip file), or (so that mutations reach the
// markup without having to keep a zip file whole) the main document part
// itself, put into a package made here with a style sheet.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/package/package.h"
#include "automation/wordml/names.h"
#include "automation/wordml/reader.h"
#include "automation/wordml/writer.h"
#include "platform/error.h"

namespace {

using namespace quorlex::automation;

constexpr std::string_view kStyles =
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:style w:type=\"paragraph\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"H1\"><w:name w:val=\"heading 1\"/></w:style>"
    "</w:styles>";

package::Package Wrap(std::string_view main) {
  package::Package pkg;
  pkg.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  pkg.Write("/word/document.xml", std::string(main), wordml::content_type::kTemplate);
  pkg.Write("/word/styles.xml", std::string(kStyles),
            "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml");
  pkg.RelationshipsOf("/").Add(wordml::relationship::kOfficeDocument, "word/document.xml");
  pkg.RelationshipsOf("/word/document.xml").Add(wordml::relationship::kStyles, "styles.xml");
  return pkg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    auto document = wordml::ReadDocument(
        input.substr(0, 2) == "PK" ? package::Package::FromBytes(input, "fuzz.docx") : Wrap(input));
    const auto tables = document.Tables();
    if (!tables.empty() && !tables[0].rows.empty()) {
      document.DeleteRow(document::StoryKind::kMain, tables[0], 0);
    }
    const auto again = wordml::ReadDocument(package::Package::FromBytes(
        wordml::DocumentPackage(document).SaveToBytes({.compression_level = 1}), "again.docx"));
    again.Tables();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
