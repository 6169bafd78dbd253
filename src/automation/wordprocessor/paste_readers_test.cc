// Every Word 97-2003 fixture used as a template, with a page pasted at its
// start and the first row of the first table deleted, as the document
// conversion does: the independent readers must find the page's text first,
// in order, without that row, then the template's own text, and the
// template's headers and footers. Starts LibreOffice: labelled slow.

#include <gtest/gtest.h>

#include <fstream>

#include "automation/clipboard/clipboard.h"
#include "automation/testing/doc_readers.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/word97/reader.h"
#include "automation/word97/writer.h"
#include "automation/wordprocessor/page_paste.h"
#include "automation/wordprocessor/test_page.h"
#include "automation/wordprocessor/wordprocessor.h"
#include "platform/utf16.h"

namespace quorlex::automation::wordprocessor {
namespace {

using automation::testing::DocFixture;
using automation::testing::DocTestName;
using automation::testing::Reading;
using automation::testing::Squeeze;
using testing::TestCell;
using testing::TestPage;

// A page like a report: a heading, a paragraph, a table with a header row,
// a spanning cell and a nested table, and a closing paragraph.
page::Page ReportPage() {
  TestPage p;
  page::CharFormat heading;
  heading.bold = true;
  heading.size = 16;
  heading.font = "Arial";
  page::CharFormat strong;
  strong.bold = true;
  strong.color = 0x003399;
  page::TableCellFormat boxed;
  boxed.top = boxed.bottom = boxed.left =
      boxed.right = {page::BorderStyle::kThin, page::kAutoColor};
  const std::uint32_t box = p.Cell(boxed);
  boxed.background = 0xDDDDDD;
  const std::uint32_t shaded = p.Cell(boxed);
  auto cell = [&](const std::string& text, std::uint32_t format = 0) {
    return TestCell{{p.Text(text)}, 1, 1, format == 0 ? box : format};
  };
  const page::Block nested = p.TextTable({{"вложенная", "таблица"}});
  TestCell holder{{p.Text("Примечание"), nested}, 1, 1, box};
  TestCell total{{p.Paragraph({{"Итого", p.Char(strong)}})}, 2, 1, shaded};
  return p.Build({
      p.Paragraph({{"Отчет о проверке", p.Char(heading)}}, 1),
      p.Text("Клиент: Иванов И.И."),
      p.Table({{cell("Удаляемая строка", shaded), cell("Сумма", shaded), cell("Дата", shaded)},
               {cell("40817810000000000001"), cell("1 234,56"), cell("01.02.2024")},
               {total, cell("1 234,56")},
               {cell("Счет"), holder, cell("-")}}),
      p.Text("Конец страницы"),
  });
}

const char* const kPageText[] = {"Отчет о проверке", "Клиент: Иванов И.И.", "40817810000000000001",
                                 "1 234,56",         "01.02.2024",          "Итого",
                                 "Примечание",       "вложенная",           "таблица",
                                 "Конец страницы"};

class Conversion : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    original_ = DocFixture(GetParam());
    written_ = dir_.File(GetParam());
    template_ = word97::ReadDocument(original_);
    document::Document d = word97::ReadDocument(original_);
    InsertPage(d, 0, ReportPage());
    d.DeleteRow(document::StoryKind::kMain, d.Tables().at(0), 0);
    word97::WriteDocument(d, written_);
  }

  static void ExpectRead(const Reading& r, const std::string& what) {
    EXPECT_TRUE(r.ok) << what;
    EXPECT_EQ(r.problems, "") << what;
  }

  // The page's text, in order, at the start of what a reader gives.
  static void ExpectPageFirst(const std::string& text, std::size_t template_at) {
    std::size_t at = 0;
    for (const char* piece : kPageText) {
      const std::size_t found = text.find(piece, at);
      ASSERT_NE(found, std::string::npos) << piece << " in\n" << text;
      EXPECT_LT(found, template_at) << piece;
      at = found + std::string(piece).size();
    }
    EXPECT_EQ(text.find("Удаляемая"), std::string::npos) << "the deleted row is gone";
  }

  automation::testing::TempDir dir_;
  std::string original_;
  std::string written_;
  document::Document template_;
};

TEST_P(Conversion, LibreOfficeReadsThePageThenTheTemplate) {
  const Reading before = automation::testing::LibreOfficeText(original_);
  const Reading after = automation::testing::LibreOfficeText(written_);
  ExpectRead(after, "written");
  const std::string text = Squeeze(after.text);
  const std::string own = Squeeze(before.text);
  ASSERT_GE(text.size(), own.size());
  EXPECT_EQ(text.substr(text.size() - own.size()), own) << "the template's text follows";
  ExpectPageFirst(text, text.size() - own.size());
}

TEST_P(Conversion, LibreOfficeKeepsTheTemplatesHeadersAndFooters) {
  const Reading after = automation::testing::LibreOfficePdfText(written_);
  ExpectRead(after, "written");
  const std::string text = Squeeze(after.text);
  // A PDF's text comes in the order it is laid out: table cells are
  // checked for being there, not for their order.
  for (const char* piece : kPageText)
    EXPECT_NE(text.find(piece), std::string::npos) << piece;
  EXPECT_EQ(text.find("Удаляемая"), std::string::npos);
  for (std::size_t s = 0; s < template_.sections.size(); ++s) {
    for (int kind = 0; kind < 6; ++kind) {
      const std::string header = Squeeze(platform::Utf16ToUtf8(
          template_.HeaderFooterText(s, static_cast<document::HeaderFooterKind>(kind))));
      // Fields (page numbers) show their result, not their code.
      if (header.empty() || header.find('\x13') != std::string::npos) continue;
      EXPECT_NE(text.find(header), std::string::npos) << header;
    }
  }
}

TEST_P(Conversion, AntiwordWvTextAndCatdocReadIt) {
  const Reading antiword = automation::testing::Antiword(written_);
  ExpectRead(antiword, "antiword");
  ExpectPageFirst(Squeeze(antiword.text), std::string::npos);
  const Reading wv = automation::testing::WvText(written_);
  ExpectRead(wv, "wvText");
  ExpectPageFirst(Squeeze(wv.text), std::string::npos);
  const Reading catdoc = automation::testing::Catdoc(written_);
  ExpectRead(catdoc, "catdoc");
  EXPECT_NE(catdoc.text.find("40817810000000000001"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Templates, Conversion,
                         ::testing::ValuesIn(automation::testing::kWordFixtures), DocTestName);

TEST(Conversion, APageWithoutATableTakesTheFirstRowOfTheTemplatesTable) {
  automation::testing::TempDir dir;
  document::Document d = word97::ReadDocument(DocFixture("simple-table.doc"));
  TestPage p;
  InsertPage(d, 0, p.Build({p.Text("Только текст")}));
  d.DeleteRow(document::StoryKind::kMain, d.Tables().at(0), 0);
  const std::string path = dir.File("out.doc");
  word97::WriteDocument(d, path);
  const Reading lo = automation::testing::LibreOfficeText(path);
  ASSERT_TRUE(lo.ok);
  EXPECT_EQ(lo.text.rfind("Только текст\n", 0), 0u) << lo.text;
  EXPECT_EQ(lo.text.find("Cell 1,1"), std::string::npos);
  EXPECT_NE(lo.text.find("Cell 2,1"), std::string::npos);
  const Reading antiword = automation::testing::Antiword(path);
  EXPECT_EQ(antiword.text.find("Cell 1,1"), std::string::npos);
  EXPECT_NE(antiword.text.find("Cell 2,3"), std::string::npos);
}

// The whole way the conversion takes: a page on the clipboard, pasted by
// the object model into a template, first row of the first table deleted,
// saved.
TEST(Conversion, ThroughTheClipboardAndTheObjectModel) {
  automation::testing::TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("ThreeColHeadFoot.doc"));
  clipboard::Clipboard::Process().SetHtml(R"(<html><head><style>
      table.report td { border: 1px solid #000; font: 9pt Arial }
      th { background: #DDDDDD; font-weight: bold }
      .num { text-align: right }
    </style></head><body>
    <table><tr><td><button>Печать</button></td></tr></table>
    <h2>Отчет за 07.12.2026</h2>
    <ul><li>первый пункт</li><li>второй пункт</li></ul>
    <table class="report" border="1">
      <thead><tr><th>Счет</th><th>Сумма</th><th>Примечание</th></tr></thead>
      <tr><td rowspan="2">40702810000000000001</td><td class="num">1 234,56</td>
          <td><table border="1"><tr><td>вложенная</td><td>таблица</td></tr></table></td></tr>
      <tr><td class="num">7,00</td><td>строка<br>вторая строка</td></tr>
      <tr><td colspan="2">Итого</td><td class="num">1 241,56</td></tr>
    </table>
    <p>Конец страницы</p></body></html>)");
  d.Activate();
  app->Selection().Paste();
  d.Range(1, 1).Select();
  d.Tables().Item(1)->Rows().Item(1).Delete();  // the button bar
  const std::string path = dir.File("report.doc");
  d.SaveAs(path);
  d.Close();

  const Reading lo = automation::testing::LibreOfficeText(path);
  ASSERT_TRUE(lo.ok);
  const std::string text = Squeeze(lo.text);
  std::size_t at = 0;
  for (const char* piece :
       {"Отчет за 07.12.2026", "первый пункт", "второй пункт", "Счет", "Сумма", "Примечание",
        "40702810000000000001", "1 234,56", "вложенная", "таблица", "7,00", "строка",
        "вторая строка", "Итого", "1 241,56", "Конец страницы", "This is a sample word document"}) {
    const std::size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << " in\n" << text;
    at = found;
  }
  EXPECT_EQ(text.find("Печать"), std::string::npos);
  const Reading html = automation::testing::LibreOfficeHtml(path);
  EXPECT_NE(html.text.find("rowspan"), std::string::npos);
  EXPECT_NE(html.text.find("colspan"), std::string::npos);
  EXPECT_GE(automation::testing::Count(html.text, "<table"), 2u) << "the nested table";
  const Reading pdf = automation::testing::LibreOfficePdfText(path);
  EXPECT_NE(pdf.text.find("First header column!"), std::string::npos);
  EXPECT_NE(pdf.text.find("Footer Left"), std::string::npos);
  for (const auto& reading :
       {automation::testing::Antiword(path), automation::testing::WvText(path)}) {
    EXPECT_TRUE(reading.ok);
    EXPECT_EQ(reading.problems, "");
    EXPECT_NE(reading.text.find("40702810000000000001"), std::string::npos);
  }
}

// Fields and bookmarks of the template stay on their text when the page
// goes in front of it; those of a deleted row go with the row.
TEST(Conversion, FieldsAndBookmarksMoveWithTheirText) {
  automation::testing::TempDir dir;
  const std::string html = dir.File("fields.html");
  {
    std::ofstream out(html);
    out << "<html><head><meta charset=\"utf-8\"></head><body>"
           "<p><a name=\"mark1\">Закладка</a> и <a href=\"http://example.com/\">ссылка</a>.</p>"
           "<table border=\"1\"><tr><td><a href=\"http://example.org/\">в строке</a></td>"
           "<td>один</td></tr><tr><td>вторая</td><td><a href=\"http://example.net/\">ещё</a>"
           "</td></tr></table><p>После <a href=\"http://example.com/after\">последняя</a>.</p>"
           "</body></html>";
  }
  const std::string source = dir.File("fields.doc");
  ASSERT_TRUE(automation::testing::LibreOfficeWordFromHtml(html, source));
  document::Document d = word97::ReadDocument(source);
  TestPage p;
  InsertPage(d, 0, p.Build({p.Text("Вставка первая"), p.Text("Вставка вторая")}));
  d.DeleteRow(document::StoryKind::kMain, d.Tables().at(0), 0);
  const std::string path = dir.File("out.doc");
  word97::WriteDocument(d, path);

  const Reading exported = automation::testing::LibreOfficeHtml(path);
  ASSERT_TRUE(exported.ok);
  const std::string& out = exported.text;
  EXPECT_NE(out.find("<a href=\"http://example.com/\">ссылка</a>"), std::string::npos) << out;
  EXPECT_NE(out.find("<a href=\"http://example.com/after\">последняя</a>"), std::string::npos);
  EXPECT_NE(out.find("<a href=\"http://example.net/\">"), std::string::npos);
  EXPECT_EQ(out.find("example.org"), std::string::npos) << "the deleted row's link is gone";
  EXPECT_NE(out.find("name=\"mark1\""), std::string::npos) << "the bookmark is kept";
  const Reading text = automation::testing::LibreOfficeText(path);
  EXPECT_EQ(text.text.rfind("Вставка первая\nВставка вторая\nЗакладка и ссылка.", 0), 0u)
      << text.text;
  const Reading antiword = automation::testing::Antiword(path);
  EXPECT_TRUE(antiword.ok);
  EXPECT_EQ(antiword.problems, "");
}

}  // namespace
}  // namespace quorlex::automation::wordprocessor
