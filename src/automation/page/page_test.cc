#include "automation/page/page.h"

#include <gtest/gtest.h>

#include <string>

#include "automation/page/page_dump.h"

namespace quorlex::automation::page {
namespace {

std::string Dump(std::string_view html) { return DumpPage(ParsePage(html)); }

// The format of the run holding `text`.
const CharFormat& FormatOf(const Page& page, std::string_view text) {
  for (const Run& run : page.runs) {
    if (page.Text(run).find(text) != std::string_view::npos) return page.char_formats[run.format];
  }
  ADD_FAILURE() << "no run holds " << text;
  return page.char_formats[0];
}

// The cell whose text starts with `text`.
const Cell& CellOf(const Page& page, std::string_view text) {
  for (const Cell& cell : page.cells) {
    for (const Block& b : page.Blocks(cell)) {
      if (b.kind == Block::Kind::kParagraph && page.Text(page.ParagraphOf(b)).starts_with(text))
        return cell;
    }
  }
  ADD_FAILURE() << "no cell holds " << text;
  return page.cells.at(0);
}

TEST(PageWhiteSpace, CollapsesAndTrimsAsABrowserShows) {
  EXPECT_EQ(Dump("<p>  a \n\t b  <b> c </b>d </p>"), "P \"a b c d\"\n");
  EXPECT_EQ(Dump("<p> x </p><p>   </p><div></div>"), "P \"x\"\n");
  EXPECT_EQ(Dump("<p>a&nbsp;&nbsp;b&nbsp;</p>"), "P \"a\u00A0\u00A0b\u00A0\"\n");
  EXPECT_EQ(Dump("<span>a</span><span> b</span>"), "P \"a b\"\n");
}

TEST(PageWhiteSpace, LineBreaksStayInsideTheParagraph) {
  EXPECT_EQ(Dump("<p>a <br> b</p>"), "P \"a\\nb\"\n");
  EXPECT_EQ(Dump("<p>a<br></p>"), "P \"a\"\n");          // the last break shows no line
  EXPECT_EQ(Dump("<p>a<br><br></p>"), "P \"a\\n\"\n");   // one empty line
  EXPECT_EQ(Dump("<p><br></p>x"), "P \"\"\nP \"x\"\n");  // a line of its own
}

TEST(PageWhiteSpace, PreKeepsSpacesAndLines) {
  EXPECT_EQ(Dump("<pre>\n  x  \n y\n</pre>"), "P \"  x  \\n y\"\n");
  EXPECT_EQ(Dump("<div style='white-space:pre-line'>  a   b \n c</div>"), "P \"a b\\nc\"\n");
  EXPECT_EQ(Dump("<div style='white-space:nowrap'>  a   b \n c</div>"), "P \"a b c\"\n");
  EXPECT_EQ(Dump("<p>a <span style='white-space:pre'>  b</span></p>"), "P \"a   b\"\n");
}

TEST(PageHidden, HiddenContentGivesNothing) {
  const char* html =
      R"(<html><head><title>T</title><style>.h{display:none} .v{visibility:hidden}</style>
    <script>var x = "<p>no</p>";</script></head><body>
    a<script>document.write('no')</script><noscript>no</noscript><template><p>no</p></template>
    <span class=h>no</span><span class="v">no<span style="visibility:visible">yes</span></span>
    <div hidden>no</div><input type=hidden value=no><span style="display:none"><b>no</b></span>b
    </body></html>)";
  const Page page = ParsePage(html);
  EXPECT_EQ(DumpPage(page), "P \"a yes b\"\n");
  EXPECT_EQ(page.title, "T");
}

TEST(PageControls, ControlsGiveTheirValues) {
  EXPECT_EQ(Dump("<button> Send <b>now</b> </button>"), "P \"Send now\"\n");
  EXPECT_EQ(
      Dump("a<input value=\"12,5\">b<input type=checkbox value=x><input type=password value=ab>"),
      "P \"a12,5b\u2022\u2022\"\n");
  EXPECT_EQ(Dump("<select><option>one<option selected> two  2 <option>three</select>"),
            "P \"two 2\"\n");
  EXPECT_EQ(Dump("<select><optgroup><option>first</option></optgroup><option>second</select>"),
            "P \"first\"\n");
  EXPECT_EQ(Dump("<select><option label=\"Shown\" selected>content</select>"), "P \"Shown\"\n");
  // A style block inside a select box applies to the whole page.
  EXPECT_EQ(Dump("<select><option>a<style>p{color:red}</style><option selected>b</select>"),
            "P \"b\"\n");
  EXPECT_EQ(Dump("<textarea>\nline1\n  line2</textarea>"), "P \"line1\\n  line2\"\n");
  EXPECT_EQ(Dump("<img src=x.png alt=\"Logo\"> text"), "P \"Logo text\"\n");
}

TEST(PageBlocks, ListsHeadingsAndBlocksMakeParagraphs) {
  EXPECT_EQ(Dump("<h2>Head</h2>Text<ul><li>one<li>two<div>more</div><ol start=3><li>x<li "
                 "value=7>y<li>z</ol></ul>"),
            "P [h2] \"Head\"\n"
            "P \"Text\"\n"
            "P [ul 1.1*] \"one\"\n"
            "P [ul 1.2*] \"two\"\n"
            "P [ul 1.2] \"more\"\n"
            "P [ol 2.3*] \"x\"\n"
            "P [ol 2.7*] \"y\"\n"
            "P [ol 2.8*] \"z\"\n");
  EXPECT_EQ(Dump("<span>a<div>b</div>c</span>"), "P \"a\"\nP \"b\"\nP \"c\"\n");
  EXPECT_EQ(Dump("<center>c</center><p align=right>r</p><div style='text-align:justify'>j</div>"),
            "P [center] \"c\"\nP [right] \"r\"\nP [justify] \"j\"\n");
  EXPECT_EQ(Dump("<span style='display:block'>a</span><div style='display:inline'>b</div>c"),
            "P \"a\"\nP \"bc\"\n");
}

TEST(PageEncoding, TheInputIsUtf8WhateverTheMetaSays) {
  const Page page = ParsePage(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
      "<meta charset=\"windows-1251\"></head><body>Привет, мир! Ёж</body></html>");
  EXPECT_EQ(DumpPage(page), "P \"Привет, мир! Ёж\"\n");
}

TEST(PageEncoding, InvalidBytesReadAsReplacementCharacters) {
  const std::string html = std::string("<p>a\xFF") + '\0' + "b\xD0</p>";
  EXPECT_EQ(Dump(html), "P \"a\uFFFD\uFFFDb\uFFFD\"\n");
  EXPECT_EQ(Dump(""), "");
  // The parser takes the text before its implied <p> apart; none is lost.
  EXPECT_EQ(Dump("<<<>>>&&&;"), "P \"<<<\"\nP \">>>&&&;\"\n");
}

TEST(PageTables, RowsCellsSpansAndTextAround) {
  // The colspan of c runs into the place r's rowspan holds and is cut short.
  EXPECT_EQ(Dump("before<table><caption>Cap</caption><tr><th>h<td rowspan=2>r</tr><tr><td "
                 "colspan=3>c</table>after"),
            "P \"before\"\n"
            "P [center] \"Cap\"\n"
            "T columns=2\n"
            "  R\n"
            "    C column=0 th\n"
            "      P [center] \"h\"\n"
            "    C column=1 rowspan=2\n"
            "      P \"r\"\n"
            "  R\n"
            "    C column=0\n"
            "      P \"c\"\n"
            "P \"after\"\n");
}

TEST(PageTables, HeadFirstFootLastAndLooseTextBeforeTheTable) {
  EXPECT_EQ(Dump("<table>loose<tfoot><tr><td>f</tfoot><tbody><tr><td>b</tbody><thead><tr><td>h</"
                 "thead></table>"),
            "P \"loose\"\n"
            "T columns=1\n"
            "  R head\n"
            "    C column=0\n"
            "      P \"h\"\n"
            "  R\n"
            "    C column=0\n"
            "      P \"b\"\n"
            "  R\n"
            "    C column=0\n"
            "      P \"f\"\n");
  // Cells without a row form one.
  EXPECT_EQ(Dump("<table><td>a<td>b</table>"),
            "T columns=2\n  R\n    C column=0\n      P \"a\"\n    C column=1\n      P \"b\"\n");
}

TEST(PageTables, HiddenCellsRowsAndTablesAreGone) {
  EXPECT_EQ(Dump("<table><tr><td>a<td style='display:none'>b<td>c<tr hidden><td>d<tr><td>e</table>"
                 "<table style='display:none'><tr><td>f</table>"),
            "T columns=2\n"
            "  R\n"
            "    C column=0\n"
            "      P \"a\"\n"
            "    C column=1\n"
            "      P \"c\"\n"
            "  R\n"
            "    C column=0\n"
            "      P \"e\"\n");
  // A cell under visibility:hidden keeps its place and shows nothing.
  EXPECT_EQ(Dump("<table><tr><td style='visibility:hidden'>x<td>y</table>"),
            "T columns=2\n  R\n    C column=0\n    C column=1\n      P \"y\"\n");
}

TEST(PageWhiteSpace, ControlCharactersAndLineEndings) {
  EXPECT_EQ(Dump("<p>a\x01"
                 "b\x7F c</p>"),
            "P \"ab c\"\n");
  EXPECT_EQ(Dump("<pre>a\r\nb\rc\td</pre>"), "P \"a\\nb\\nc\\td\"\n");
  EXPECT_EQ(Dump("<li>loose item</li><dl><dt>term<dd>meaning</dl>"),
            "P [ul 1.1*] \"loose item\"\nP \"term\"\nP \"meaning\"\n");
}

TEST(PageTables, NestedTablesStayInTheirCell) {
  EXPECT_EQ(Dump("<table><tr><td>x<table><tr><td>in</table>y</td></tr></table>"),
            "T columns=1\n"
            "  R\n"
            "    C column=0\n"
            "      P \"x\"\n"
            "      T columns=1\n"
            "        R\n"
            "          C column=0\n"
            "            P \"in\"\n"
            "      P \"y\"\n");
}

TEST(PageTables, DeepNestingIsFlattened) {
  std::string html;
  for (int i = 0; i < 80; ++i)
    html += "<table><tr><td>" + std::to_string(i);
  const Page page = ParsePage(html);
  EXPECT_EQ(page.tables.size(), 64u);
  // The innermost kept cell holds the rest as paragraphs.
  const Cell& inner = CellOf(page, "63");
  EXPECT_EQ(inner.block_count, 17u);
  // Past 256 open elements, text is kept without its structure.
  html.clear();
  for (int i = 0; i < 120; ++i)
    html += "<table><tr><td>" + std::to_string(i);
  EXPECT_EQ(CellOf(ParsePage(html), "63").block_count, 22u);

  EXPECT_NO_THROW(ParsePage(std::string(100000, '<') + "div>" + std::string(50000, 'x')));
  std::string divs;
  for (int i = 0; i < 20000; ++i)
    divs += "<div><span>";
  divs += "deep<br>text";
  EXPECT_EQ(Dump(divs), "P \"deep\\ntext\"\n");
}

TEST(PageStyle, CascadeBySpecificityOrderImportanceAndStyleAttributes) {
  const Page page = ParsePage(R"(<style>
      td { color: red; font-weight: bold }
      .c { color: green }
      td.c { color: blue }
      #i { color: #010203 }
      .late { color: red } .late { color: olive }
      .imp { color: purple !important }
      table td.desc { font-style: italic }
      tr > td.child { text-decoration: underline }
      body > td.child { text-decoration: line-through }
    </style>
    <table><tr><td>plain<td class=c>classed<td class="C" id=I>ided<td class=late>later
      <td class=imp style="color: yellow">important<td style="color:#102030; font-weight:normal">inline
      <td class="desc child">descendant</table>)");
  EXPECT_EQ(FormatOf(page, "plain").color, 0xFF0000u);
  EXPECT_TRUE(FormatOf(page, "plain").bold);
  EXPECT_EQ(FormatOf(page, "classed").color, 0x0000FFu);
  EXPECT_EQ(FormatOf(page, "ided").color, 0x010203u);
  EXPECT_EQ(FormatOf(page, "later").color, 0x808000u);
  EXPECT_EQ(FormatOf(page, "important").color, 0x800080u);
  EXPECT_EQ(FormatOf(page, "inline").color, 0x102030u);
  EXPECT_FALSE(FormatOf(page, "inline").bold);
  EXPECT_TRUE(FormatOf(page, "descendant").italic);
  EXPECT_TRUE(FormatOf(page, "descendant").underline);
  EXPECT_FALSE(FormatOf(page, "descendant").strike);
}

TEST(PageStyle, InheritanceSizesAndDecorations) {
  const Page page = ParsePage(R"(<style>
      body { font: 10pt Verdana, sans-serif; color: #333333 }
      .big { font-size: 150% } .em { font-size: 2em } .px { font-size: 16px }
    </style><body>
      body<div class=big>big<span class=em>em</span></div><span class=px>px</span>
      <h1>h1</h1><small>small</small><font size=5 face="Georgia, serif" color=red>font</font>
      <u>under<span style="text-decoration:none">still</span></u><s>struck</s><sup>up</sup>
      <a href="x">link</a><a name=y>anchor</a><th>no table</th>
    </body>)");
  EXPECT_EQ(FormatOf(page, "body").font, "Verdana");
  EXPECT_EQ(FormatOf(page, "body").size, 10);
  EXPECT_EQ(FormatOf(page, "body").color, 0x333333u);
  EXPECT_EQ(FormatOf(page, "big").size, 15);
  EXPECT_EQ(FormatOf(page, "em").size, 30);
  EXPECT_EQ(FormatOf(page, "px").size, 12);
  EXPECT_EQ(FormatOf(page, "h1").size, 20);
  EXPECT_TRUE(FormatOf(page, "h1").bold);
  EXPECT_EQ(FormatOf(page, "font").size, 18);
  EXPECT_EQ(FormatOf(page, "font").font, "Georgia");
  EXPECT_EQ(FormatOf(page, "font").color, 0xFF0000u);
  EXPECT_TRUE(FormatOf(page, "still").underline);  // lines go through descendants
  EXPECT_TRUE(FormatOf(page, "struck").strike);
  EXPECT_EQ(FormatOf(page, "up").position, VerticalPosition::kSuperscript);
  EXPECT_TRUE(FormatOf(page, "link").underline);
  EXPECT_EQ(FormatOf(page, "link").color, 0x0000EEu);
  EXPECT_FALSE(FormatOf(page, "anchor").underline);

  // No size anywhere: the page leaves it to the sheet.
  EXPECT_EQ(ParsePage("x").char_formats.at(0).size, 0);
}

TEST(PageStyle, PseudoClassesThatAPageUses) {
  const Page page = ParsePage(R"(<style>
      tr:nth-child(even) td { color: blue } td:first-child { font-weight: bold } a:link { color: red }
    </style><table><tr><td>r1c1<td>r1c2<tr><td>r2c1<td>r2c2</table><a href=#>go</a>)");
  EXPECT_EQ(FormatOf(page, "r1c2").color, kAutoColor);
  EXPECT_EQ(FormatOf(page, "r2c2").color, 0x0000FFu);
  EXPECT_TRUE(FormatOf(page, "r1c1").bold);
  EXPECT_FALSE(FormatOf(page, "r1c2").bold);
  EXPECT_EQ(FormatOf(page, "go").color, 0xFF0000u);
}

TEST(PageStyle, RepeatedElementsAreStyledByWhereTheyStand) {
  // Rows and cells repeat with equal markup; their styles still follow
  // their ancestors, their position and their table.
  const Page page = ParsePage(R"(<style>
      .a td { color: red } .b td { color: blue } tr:nth-child(3n) td { font-weight: bold }
      x-foo { color: green } x-bar { color: olive }
    </style>
    <table class=a><tr><td>a1<tr><td>a2<tr><td>a3</table>
    <table class=b><tr><td>b1<tr><td>b2<tr><td>b3</table>
    <table border=1><tr><td>framed</table><table><tr><td>bare</table>
    <x-foo>foo</x-foo><x-bar>olive</x-bar>)");
  for (const char* text : {"a1", "a2", "a3"})
    EXPECT_EQ(FormatOf(page, text).color, 0xFF0000u) << text;
  for (const char* text : {"b1", "b2", "b3"})
    EXPECT_EQ(FormatOf(page, text).color, 0x0000FFu) << text;
  EXPECT_FALSE(FormatOf(page, "a2").bold);
  EXPECT_TRUE(FormatOf(page, "a3").bold);
  EXPECT_TRUE(FormatOf(page, "b3").bold);
  EXPECT_EQ(page.cell_formats[CellOf(page, "framed").format].top.style, BorderStyle::kThin);
  EXPECT_EQ(page.cell_formats[CellOf(page, "bare").format].top.style, BorderStyle::kNone);
  EXPECT_EQ(FormatOf(page, "foo").color, 0x008000u);
  EXPECT_EQ(FormatOf(page, "olive").color, 0x808000u);
}

TEST(PageStyle, AStyleBlockAfterContentStillAppliesToAllOfIt) {
  const Page page = ParsePage(
      "<p class=x>early</p><style>.x { color: red } body { font-size: 8pt }</style><p "
      "class=x>late</p>");
  EXPECT_EQ(FormatOf(page, "early").color, 0xFF0000u);
  EXPECT_EQ(FormatOf(page, "early").size, 8);
  EXPECT_EQ(FormatOf(page, "late").color, 0xFF0000u);
  // In the body before any content: html and body are restyled.
  const Page second = ParsePage(
      "<body class=b><style>.b { color: green } html { font-size: 9pt }</style>text</body>");
  EXPECT_EQ(FormatOf(second, "text").color, 0x008000u);
  EXPECT_EQ(FormatOf(second, "text").size, 9);
  // Print-only styles do not apply.
  const Page third = ParsePage("<style media=print>p { color: red }</style><p>screen</p>");
  EXPECT_EQ(FormatOf(third, "screen").color, kAutoColor);
}

TEST(PageStyle, CellFormatsFromAttributesAndRules) {
  const Page page = ParsePage(R"(<style>
      .money { mso-number-format: "\#\,\#\#0\.00"; text-align: right }
      td.box { border: 2px dashed #00FF00; border-left: 3px solid; color: #123456 }
    </style>
    <table border=1 bgcolor=silver>
      <tr bgcolor="#FFFF00" valign=top align=center><td>rowbg<td bgcolor=red>own<td class=money nowrap>1,5</tr>
      <tbody style="mso-number-format:'\@'"><tr><td>text<td class=box width=50% height=20>box</tr></tbody>
    </table>)");
  const auto& f = [&](std::string_view text) -> const TableCellFormat& {
    return page.cell_formats[CellOf(page, text).format];
  };
  EXPECT_EQ(f("rowbg").background, 0xFFFF00u);
  EXPECT_EQ(f("rowbg").vertical, VerticalAlignment::kTop);
  EXPECT_EQ(f("rowbg").horizontal, HorizontalAlignment::kCenter);
  EXPECT_EQ(f("rowbg").top.style, BorderStyle::kThin);
  EXPECT_EQ(f("own").background, 0xFF0000u);
  EXPECT_EQ(f("1,5").number_format, "#,##0.00");
  EXPECT_EQ(f("1,5").horizontal, HorizontalAlignment::kRight);
  EXPECT_TRUE(f("1,5").nowrap);
  EXPECT_EQ(f("text").background, 0xC0C0C0u);  // the table's shows through
  EXPECT_EQ(f("text").number_format, "@");
  EXPECT_EQ(f("text").vertical, VerticalAlignment::kDefault);
  EXPECT_EQ(f("box").top.style, BorderStyle::kDashed);
  EXPECT_EQ(f("box").top.color, 0x00FF00u);
  EXPECT_EQ(f("box").left.style, BorderStyle::kThick);
  EXPECT_EQ(f("box").left.color, 0x123456u);  // currentColor
  EXPECT_EQ(f("box").width.unit, Length::Unit::kPercent);
  EXPECT_EQ(f("box").width.value, 50);
  EXPECT_EQ(f("box").height.value, 15);
  const TableFormat& table = page.table_formats[page.tables.at(0).format];
  EXPECT_EQ(table.top.style, BorderStyle::kThin);
  EXPECT_EQ(table.background, 0xC0C0C0u);
}

TEST(PageStyle, BorderWidthsMapToThinMediumAndThick) {
  const Page page = ParsePage(R"(<table><tr>
      <td style="border:1px solid">a<td style="border:.5pt solid">b<td style="border:2px solid">c
      <td style="border:3px solid">d<td style="border:medium solid">e<td style="border:1px dotted">f
      <td style="border:thick double red">g<td style="border:0 solid">h<td style="border:1px none">i</table>)");
  const auto top = [&](std::string_view t) {
    return page.cell_formats[CellOf(page, t).format].top;
  };
  EXPECT_EQ(top("a").style, BorderStyle::kThin);
  EXPECT_EQ(top("b").style, BorderStyle::kThin);
  EXPECT_EQ(top("c").style, BorderStyle::kMedium);
  EXPECT_EQ(top("d").style, BorderStyle::kThick);
  EXPECT_EQ(top("e").style, BorderStyle::kMedium);
  EXPECT_EQ(top("f").style, BorderStyle::kDotted);
  EXPECT_EQ(top("g").style, BorderStyle::kDouble);
  EXPECT_EQ(top("g").color, 0xFF0000u);
  EXPECT_EQ(top("h").style, BorderStyle::kNone);
  EXPECT_EQ(top("i").style, BorderStyle::kNone);
}

TEST(PageModel, FormatsAreSharedAndTextIsContiguous) {
  std::string html = "<style>.n{color:red}</style><table>";
  for (int i = 0; i < 1000; ++i)
    html += "<tr><td class=n>" + std::to_string(i) + "<td>x <b>y</b> z</tr>";
  html += "</table>";
  const Page page = ParsePage(html);
  EXPECT_EQ(page.cells.size(), 2000u);
  EXPECT_LE(page.char_formats.size(), 3u);
  EXPECT_LE(page.cell_formats.size(), 2u);
  EXPECT_EQ(page.Text(page.ParagraphOf(page.Blocks(page.cells[1])[0])), "x y z");
  EXPECT_EQ(page.Runs(page.ParagraphOf(page.Blocks(page.cells[1])[0])).size(), 3u);
}

}  // namespace
}  // namespace quorlex::automation::page
