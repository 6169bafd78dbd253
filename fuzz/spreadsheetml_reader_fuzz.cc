// The SpreadsheetML reader on arbitrary bytes: it must give a workbook or
// a quorlex::Error, never crash, hang or run away with memory. What it
// reads is edited as the conversion edits a workbook (a row deleted, the
// first sheet copied), written back and read again, so that the writer
// meets whatever the reader lets through.
//
// Input is a whole package (a zip file), or (so that mutations reach the
// markup without having to keep a zip file whole) a worksheet part itself,
// put into a package made here with a workbook part and a styles part.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/package/package.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/reader.h"
#include "automation/spreadsheetml/writer.h"
#include "platform/error.h"

namespace {

using namespace quorlex::automation;

constexpr std::string_view kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
    "<definedNames><definedName name=\"_xlnm.Print_Titles\" "
    "localSheetId=\"0\">Лист1!$1:$2</definedName>"
    "</definedNames></workbook>";
constexpr std::string_view kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"#,##0.00000\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"10\"/><name val=\"Arial\"/></font><font><b/><sz "
    "val=\"10\"/>"
    "<color theme=\"1\"/><name val=\"Arial\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
    "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "<xf numFmtId=\"164\" fontId=\"1\" fillId=\"1\" borderId=\"0\"><alignment wrapText=\"1\"/></xf>"
    "</cellXfs></styleSheet>";

package::Package Wrap(std::string_view sheet) {
  package::Package pkg;
  pkg.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  pkg.Write("/xl/workbook.xml", std::string(kWorkbook), spreadsheetml::content_type::kTemplate);
  pkg.Write("/xl/styles.xml", std::string(kStyles), spreadsheetml::content_type::kStyles);
  pkg.Write("/xl/worksheets/sheet1.xml", std::string(sheet),
            spreadsheetml::content_type::kWorksheet);
  pkg.RelationshipsOf("/").Add(spreadsheetml::relationship::kOfficeDocument, "xl/workbook.xml");
  pkg.RelationshipsOf("/xl/workbook.xml")
      .Add(spreadsheetml::relationship::kWorksheet, "worksheets/sheet1.xml");
  pkg.RelationshipsOf("/xl/workbook.xml").Add(spreadsheetml::relationship::kStyles, "styles.xml");
  return pkg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    auto book = spreadsheetml::ReadWorkbook(
        input.substr(0, 2) == "PK" ? package::Package::FromBytes(input, "fuzz.xlsx") : Wrap(input),
        "fuzz.xlsx");
    if (book->SheetCount() > 0 && book->SheetAt(0).IsWorksheet()) {
      book->DeleteRows(0, 0, 1);
      book->CopySheetRows(0, 0, 3, 0);
    }
    spreadsheetml::CheckLimits(*book);
    const auto again = spreadsheetml::ReadWorkbook(
        package::Package::FromBytes(
            spreadsheetml::WorkbookPackage(*book).SaveToBytes({.compression_level = 1}),
            "again.xlsx"),
        "again.xlsx");
    (void)again->SheetCount();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
