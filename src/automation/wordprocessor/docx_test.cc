// The object model over Word document packages: a .dotx or .docx template,
// the page pasted into it, its first table row deleted, saved as a package
// and read back.

#include <gtest/gtest.h>

#include <fstream>

#include "automation/clipboard/clipboard.h"
#include "automation/package/package.h"
#include "automation/testing/temp_dir.h"
#include "automation/wordml/reader.h"
#include "automation/wordprocessor/wordprocessor.h"
#include "platform/error.h"

namespace quorlex::automation::wordprocessor {
namespace {

using automation::testing::TempDir;

const std::string kTemplate = std::string(QUORLEX_SOURCE_DIR) + "/template/DAYRUR.dotx";

std::string Refusal(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.Description();
  }
  ADD_FAILURE() << "not refused";
  return {};
}

std::string MainPart(const std::string& path) {
  return package::Package::Open(path).Read("/word/document.xml");
}

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

TEST(DocxDocument, ThePageGoesInFrontOfTheTemplateAndTheFirstRowGoes) {
  TempDir dir;
  auto app = Application::Create();
  app->Documents().Add(kTemplate);
  Document& d = app->Documents().Item(1);
  clipboard::Clipboard::Process().SetHtml(
      "<html><head><style>td { border: 1px solid black }</style></head><body>"
      "<h1>Отчет</h1>"
      "<table><tr><td>Кнопки</td></tr>"
      "<tr><td rowspan=\"2\" style=\"background: #DDDDDD\">Клиент</td><td colspan=\"2\">"
      "<span style=\"font: bold 14pt Verdana; color: #FF0000\">Итого</span></td></tr>"
      "<tr><td>a &amp; b</td><td align=\"right\">1 234,56</td></tr></table></body></html>");
  d.Activate();
  app->Selection().Paste();
  d.Range(1, 1).Select();
  auto table = d.Tables().Item(1);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Rows().Count(), 3);
  table->Rows().Item(1).Delete();
  const std::string path = dir.File("out.docx");
  d.SaveAs(path, wdFormatXMLDocument);
  d.Close();

  const document::Document back = wordml::ReadDocumentFile(path);
  EXPECT_EQ(back.PlainText(),
            "Отчет\nКлиент\tИтого\t\t\ta & b\t1 234,56\t\t"
            "Отчет сформирован автоматически и не требует подписи.\n");
  const std::string xml = MainPart(path);
  EXPECT_FALSE(Has(xml, "Кнопки"));
  EXPECT_TRUE(Has(xml, "<w:vMerge w:val=\"restart\"/>")) << xml;
  EXPECT_TRUE(Has(xml, "<w:vMerge/>"));
  EXPECT_TRUE(Has(xml, "<w:gridSpan w:val=\"2\"/>"));
  EXPECT_TRUE(Has(xml, "w:fill=\"DDDDDD\""));
  EXPECT_TRUE(Has(xml, "<w:rFonts w:ascii=\"Verdana\""));
  EXPECT_TRUE(Has(xml, "<w:b/>"));
  EXPECT_TRUE(Has(xml, "<w:color w:val=\"FF0000\"/>"));
  EXPECT_TRUE(Has(xml, "<w:sz w:val=\"28\"/>"));
  EXPECT_TRUE(Has(xml, "<w:jc w:val=\"right\"/>"));
  EXPECT_TRUE(Has(xml, "<w:t>a &amp; b</w:t>"));
  EXPECT_TRUE(Has(xml, "<w:top w:val=\"single\" w:sz=\"4\""));
  EXPECT_TRUE(Has(xml, "<w:tblLayout w:type=\"fixed\"/>"));
  // The template's own paragraph follows as it was, with its section.
  EXPECT_TRUE(Has(xml, "<w:headerReference w:type=\"default\" r:id=\"rId2\"/>"));
  const package::Package written = package::Package::Open(path);
  EXPECT_TRUE(Has(written.Read("/word/fontTable.xml"), "w:name=\"Verdana\""));
  EXPECT_TRUE(written.Inconsistencies().empty());
}

TEST(DocxDocument, ARowWithOneLineAllRoundSaysItOnce) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(kTemplate);
  clipboard::Clipboard::Process().SetHtml(
      "<html><head><style>td { border: 1px solid black }</style></head><body>"
      "<table><tr><td>a</td><td>b</td></tr>"
      "<tr><td style=\"border-top: 2px solid black\">c</td><td>d</td></tr></table></body></html>");
  app->Selection().Paste();
  d.SaveAs(dir.File("rows.docx"));
  const std::string xml = MainPart(dir.File("rows.docx"));
  const std::size_t second = xml.find("<w:tr>", xml.find("<w:tr>") + 1);
  ASSERT_NE(second, std::string::npos);
  const std::string first_row = xml.substr(xml.find("<w:tr>"), second - xml.find("<w:tr>"));
  EXPECT_TRUE(Has(first_row, "<w:tblPrEx><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\""))
      << first_row;
  EXPECT_TRUE(Has(first_row, "<w:insideV w:val=\"single\" w:sz=\"4\""));
  EXPECT_FALSE(Has(first_row, "<w:tcBorders>"));
  // A cell with a line of its own: every cell of the row says its lines.
  const std::string second_row = xml.substr(second, xml.find("</w:tr>", second) - second);
  EXPECT_FALSE(Has(second_row, "<w:tblPrEx>"));
  EXPECT_TRUE(Has(second_row, "<w:tcBorders><w:top w:val=\"single\" w:sz=\"12\""));
}

TEST(DocxDocument, SavedInItsOwnFormatUnlessAnotherIsAsked) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(kTemplate);
  EXPECT_EQ(Refusal([&] { d.SaveAs(dir.File("a.doc"), wdFormatDocument); }),
            "Документ, созданный из файла Word 2007 или новее, сохраняется только в формате "
            "Word 2007 или новее");
  EXPECT_FALSE(std::ifstream(dir.File("a.doc")).good());
  d.SaveAs(dir.File("b.docx"));
  std::ifstream file(dir.File("b.docx"), std::ios::binary);
  char signature[2] = {};
  file.read(signature, 2);
  EXPECT_EQ(std::string(signature, 2), "PK");
  EXPECT_EQ(d.FullName(), dir.File("b.docx"));
  Refusal([&] { d.SaveAs(dir.File("c.docx"), 7); });
}

TEST(DocxDocument, APasteInsideAParagraphKeepsTheFormatOfBothHalves) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(kTemplate);
  clipboard::Clipboard::Process().SetHtml("<html><body><p>X</p></body></html>");
  d.Range(5, 5).Select();  // after "Отчет"
  app->Selection().Paste();
  const std::string path = dir.File("split.docx");
  d.SaveAs(path);
  EXPECT_EQ(wordml::ReadDocumentFile(path).PlainText(),
            "Отчет\nX\n сформирован автоматически и не требует подписи.\n");
  const std::string xml = MainPart(path);
  // The template's run properties (italic, 8 pt) on both halves.
  const std::string run = "<w:r><w:rPr><w:i/><w:sz w:val=\"16\"/></w:rPr><w:t";
  const std::size_t first = xml.find(run);
  ASSERT_NE(first, std::string::npos) << xml;
  EXPECT_NE(xml.find(run, first + 1), std::string::npos) << xml;
}

TEST(DocxDocument, PackagesThatAreNoWordDocumentsAreRefused) {
  auto app = Application::Create();
  const std::string workbook = std::string(QUORLEX_FIXTURES_DIR) + "/xlsx/SampleSS.xlsx";
  EXPECT_EQ(Refusal([&] { app->Documents().Add(workbook); }),
            "Шаблон " + workbook + " не является документом Word");
  TempDir dir;
  std::ofstream(dir.File("zip.dotx"), std::ios::binary) << "PK\x03\x04 and nothing else";
  EXPECT_NE(Refusal([&] { app->Documents().Add(dir.File("zip.dotx")); }).find(dir.File("zip.dotx")),
            std::string::npos);
}

}  // namespace
}  // namespace quorlex::automation::wordprocessor
