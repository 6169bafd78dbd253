"""Excel-made workbooks as templates of a per-client report: after the split
every name, conditional format, validation, hyperlink, page break, comment
and formula of every sheet points where Excel's copy of the data sheet
followed by its row deletions points it. Expected places are worked out by
hand below for one small report.

The report (code DAYREPO) pastes 15 rows of 7 columns at A1:
   1 bank line
   2 title, 3 date, 4 client "Клиент А" in G, 5 one deal
   6 title, 7 date, 8 client "Клиент Б" in G, 9-10 two deals
  11 title, 12 date, 13 client "Клиент В" in G, 14 one deal
  15 total
The split then (rows 1-based, on a template whose own cells end within the
page):
  - deletes row 1 of the data sheet, which becomes "Клиент А";
  - copies it for "Клиент Б" and deletes the copy's rows 1-4 and 10-14
    (its own block is rows 5-9), and copies it for "Клиент В" and deletes
    the copy's rows 1-9;
  - deletes rows 5-14 of the data sheet.
Copies go after the template's other sheets.
"""
import os
import shutil

import xlrd

from biff_references import Book
from harness import InstallationTest

TITLE = "Ежедневный отчет по сделкам РЕПО"
FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xls")

STYLESHEET = """<?xml version="1.0" encoding="windows-1251"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251"/>
  <xsl:template match="/report">
    <html><body><table>
      <tr><td>Банк</td><td/><td/><td/><td/><td/><td/></tr>
      <xsl:for-each select="client">
        <tr><td>%s</td><td/><td/><td/><td/><td/><td/></tr>
        <tr><td>на 07.12.2026</td><td/><td/><td/><td/><td/><td/></tr>
        <tr><td/><td/><td/><td/><td/><td/><td><xsl:value-of select="@name"/></td></tr>
        <xsl:for-each select="deal"><tr><td><xsl:value-of select="."/></td><td/><td/><td/><td/><td/><td/></tr></xsl:for-each>
      </xsl:for-each>
      <tr><td>Итого</td><td/><td/><td/><td/><td/><td/></tr>
    </table></body></html>
  </xsl:template>
</xsl:stylesheet>
""" % TITLE

REPORT = """<?xml version="1.0" encoding="windows-1251"?>
<?xml-stylesheet type="text/xsl" href="split.xsl"?>
<report>
  <client name="Клиент А"><deal>сделка 1</deal></client>
  <client name="Клиент Б"><deal>сделка 2</deal><deal>сделка 3</deal></client>
  <client name="Клиент В"><deal>сделка 4</deal></client>
</report>
"""

A, B, V = "'Клиент А'", "'Клиент Б'", "'Клиент В'"


class SplitTest(InstallationTest):
    def split(self, fixture):
        """The report converted with the fixture as its template: our own
        reading of the records, and xlrd's."""
        shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", "DAYREPO.xlt"))
        self.inst.write("split.xsl", STYLESHEET)
        path = self.inst.write("DAYREPO~1.xml", REPORT)
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        out = path[:-4] + ".xls"
        return Book(out), xlrd.open_workbook(out, formatting_info=True)

    def sheet(self, book, name):
        return book.sheets[book.sheet_names.index(name)]

    def xlrd_area(self, xbook, name, scope):
        """The area xlrd finds for a name: (sheet, first row, last row + 1, ...)."""
        for n in xbook.name_obj_list:
            if n.name == name and n.scope == scope:
                return n.area2d()[1:]
        return None


class PrintAreaTest(SplitTest):
    def test_print_area_of_each_client_sheet(self):
        book, xbook = self.split("SimpleWithPrintArea.xls")  # Sheet1!$A$1:$C$5
        self.assertEqual(book.sheet_names, ["Клиент А", "Sheet2", "Sheet3", "Клиент Б", "Клиент В"])
        # Row 1 deleted, then rows 5-14: A1:C4 stays.
        self.assertEqual(book.name("Print_Area", 0), [A + "!$A$1:$C$4"])
        # The copies lose rows 1-4 and 1-9, the whole area: #REF!, on the copy.
        self.assertEqual(book.name("Print_Area", 3), [B + "!#REF!"])
        self.assertEqual(book.name("Print_Area", 4), [V + "!#REF!"])
        self.assertEqual(self.xlrd_area(xbook, "Print_Area", 0), (0, 4, 0, 3))


class PrintTitlesTest(SplitTest):
    def test_titles_of_other_sheets_stay(self):
        book, _ = self.split("RepeatingRowsCols.xls")
        self.assertEqual(book.sheet_names, ["Клиент А", "Sheet2", "Sheet3", "Sheet4", "Клиент Б", "Клиент В"])
        self.assertEqual(book.name("Print_Titles", 1), ["Sheet2!$1:$1"])
        self.assertEqual(book.name("Print_Titles", 2), ["Sheet3!$A:$A"])
        self.assertEqual(book.name("Print_Titles", 3), ["Sheet4!$A:$B", "Sheet4!$2:$3"])
        # The data sheet had none: its copies have none.
        for s in (0, 4, 5):
            self.assertEqual(book.name_list(s), [])


class ConditionalFormatTest(SplitTest):
    def test_formats_shrink_move_and_go(self):
        # A1:A8 (two rules without references), B9 when $A$8 > 5, B1:B7 (text rules).
        book, _ = self.split("WithConditionalFormatting.xls")
        self.assertEqual(book.sheet_names, ["Клиент А", "Sheet2", "Sheet3", "Клиент Б", "Клиент В"])
        # Row 1 deleted: A1:A7, B8 ($A$7), B1:B6. Rows 5-14 deleted: A1:A4, B8 goes, B1:B4.
        self.assertEqual([f[:2] for f in self.sheet(book, "Клиент А").formats],
                         [("$A$1:$A$4", [[], []]), ("$B$1:$B$4", [[], []])])
        # The copy of A1:A7, B8, B1:B6 loses rows 1-4.
        self.assertEqual([f[:2] for f in self.sheet(book, "Клиент Б").formats],
                         [("$A$1:$A$3", [[], []]), ("$B$4", [["$A$3"]]), ("$B$1:$B$2", [[], []])])
        self.assertEqual(self.sheet(book, "Клиент В").formats, [])


class ValidationTest(SplitTest):
    def test_empty_validation_comes_along(self):
        book, _ = self.split("dvEmpty.xls")
        for sheet in book.sheets:
            self.assertEqual(sheet.validation_count, 0)
            self.assertEqual(sheet.validations, [])


class HyperlinkTest(SplitTest):
    def test_link_follows_its_row(self):
        book, _ = self.split("WithHyperlink.xls")  # A5
        self.assertEqual(self.sheet(book, "Клиент А").hyperlinks, ["$A$4"])
        self.assertEqual(self.sheet(book, "Клиент Б").hyperlinks, [])
        self.assertEqual(self.sheet(book, "Клиент В").hyperlinks, [])


class NamesTest(SplitTest):
    def test_workbook_names_of_the_data_sheet(self):
        # nr_A1 = Sheet1!$A$1, nr_B2_D3 = Sheet1!$B$2:$D$3,
        # nr_OFFSET = OFFSET(Sheet1!$A$1, 3, Sheet1!$A$2); the workbook has a VBA project.
        book, _ = self.split("testNames.xls")
        self.assertEqual(book.sheet_names, ["Клиент А", "Клиент Б", "Клиент В"])
        self.assertEqual(book.name("nr_A1"), [A + "!#REF!"])
        self.assertEqual(book.name("nr_B2_D3"), [A + "!$B$1:$D$2"])
        self.assertEqual(book.name("nr_OFFSET"), [A + "!#REF!", A + "!$A$1"])
        # Each copy takes them as names of its own, pointing at itself, and
        # loses their rows with its rows 1-4 (1-9).
        for index, sheet in ((1, B), (2, V)):
            self.assertEqual(book.name("nr_A1", index), [sheet + "!#REF!"])
            self.assertEqual(book.name("nr_B2_D3", index), [sheet + "!#REF!"])
            self.assertEqual(book.name("nr_OFFSET", index), [sheet + "!#REF!", sheet + "!#REF!"])
        self.assertIsNone(book.name("crapName", 1))
        # With a VBA project the copies keep the data sheet's code name.
        self.assertEqual([s.code_name for s in book.sheets], ["Sheet1"] * 3)


class AutofilterTest(SplitTest):
    def test_filter_database_of_each_sheet(self):
        book, _ = self.split("SimpleWithAutofilter.xls")  # Sheet1!$A$1:$B$4
        self.assertEqual(book.name("_FilterDatabase", 0), [A + "!$A$1:$B$3"])
        self.assertEqual(book.name("_FilterDatabase", 3), [B + "!#REF!"])
        self.assertEqual(book.name("_FilterDatabase", 4), [V + "!#REF!"])


class PageBreakTest(SplitTest):
    def test_break_follows_its_row(self):
        # A break before row 24; the template's own formatted cells reach row
        # 23, so the data sheet ends at row 22 after row 1 went: the copy for
        # "Клиент Б" loses rows 10-22 and 1-4, the data sheet rows 5-22.
        book, _ = self.split("SimpleWithPageBreaks.xls")
        self.assertEqual(self.sheet(book, "Клиент А").row_breaks, [4])
        self.assertEqual(self.sheet(book, "Клиент Б").row_breaks, [5])
        self.assertEqual(self.sheet(book, "Клиент В").row_breaks, [13])
        for name in ("Клиент А", "Клиент Б", "Клиент В"):
            self.assertEqual(self.sheet(book, name).column_breaks, [5])


class ThreeDimensionalTest(SplitTest):
    def test_names_of_every_sheet(self):
        book, _ = self.split("3dFormulas.xls")
        self.assertEqual(book.sheet_names, ["Клиент А", "S2", "Sh3", "Клиент Б", "Клиент В"])
        whole = "!$A$1:$IV$65536"
        self.assertEqual(book.name("Print_Area", 0), [A + whole])
        self.assertEqual(book.name("Print_Area", 1), ["S2" + whole])
        self.assertEqual(book.name("Print_Area", 2), ["Sh3" + whole])
        self.assertEqual(book.name("Print_Area", 3), [B + whole])
        self.assertEqual(book.name("Print_Area", 4), [V + whole])
        self.assertEqual(book.name_list(3), ["Print_Area", "Sheet_Title"])


class CommentTest(SplitTest):
    def test_comments_stay_on_their_cells(self):
        book, _ = self.split("SimpleWithComments.xls")  # B1, B2, B3
        self.assertEqual(self.sheet(book, "Клиент А").notes, [(0, 1), (1, 1)])
        self.assertEqual(self.sheet(book, "Клиент Б").notes, [])
        self.assertEqual(self.sheet(book, "Клиент В").notes, [])


class SharedFormulaTest(SplitTest):
    def test_formulas_outside_the_page(self):
        # DY2:DY8 share =DZ2 (same row), H12 is =$A11*2; the sheet's own cells
        # reach row 32770, so every copy keeps all rows after its block.
        book, _ = self.split("SharedFormulaTest.xls")
        data, b, v = (self.sheet(book, n) for n in ("Клиент А", "Клиент Б", "Клиент В"))
        # DY2:DY5 are rows 1-4 of the data sheet now; the rest went with rows 5-14.
        self.assertEqual({k: f for k, f in data.formulas.items() if k[1] == 128},
                         {(r, 128): ["DZ%d" % (r + 1)] for r in range(4)})
        self.assertEqual({k: f for k, f in b.formulas.items() if k[1] == 128},
                         {(r, 128): ["DZ%d" % (r + 1)] for r in range(3)})
        # H12 reaches the last copy as its H2, reading A1.
        self.assertEqual(v.formulas[(1, 7)], ["$A1"])


SECOND_TITLE = "Расчет вознаграждения за доверительное управление"
SECOND_STYLESHEET = """<?xml version="1.0" encoding="windows-1251"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251"/>
  <xsl:template match="/report">
    <html><body><table>
      <tr><td>Банк</td><td/><td/></tr>
      <xsl:for-each select="part">
        <tr><td>%s</td><td/><td/></tr>
        <xsl:for-each select="line"><tr><td><xsl:value-of select="."/></td><td/><td/></tr></xsl:for-each>
      </xsl:for-each>
    </table></body></html>
  </xsl:template>
</xsl:stylesheet>
""" % SECOND_TITLE

SECOND_REPORT = """<?xml version="1.0" encoding="windows-1251"?>
<?xml-stylesheet type="text/xsl" href="second.xsl"?>
<report>
  <part><line>часть 1</line></part>
  <part><line>часть 2</line><line>итого</line></part>
</report>
"""


class SecondPartTest(SplitTest):
    """FEE_ZID_1 pastes 6 rows (bank line, title, a line, title, two lines),
    cuts rows 4-6 to the second sheet at A1 and deletes row 1 of the first."""

    def second_part(self, fixture):
        shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", "FEE_ZID_1.xlt"))
        self.inst.write("second.xsl", SECOND_STYLESHEET)
        path = self.inst.write("FEE_ZID_1~1.xml", SECOND_REPORT)
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        return Book(path[:-4] + ".xls")

    def test_names_of_pasted_over_rows_are_lost(self):
        book = self.second_part("RepeatingRowsCols.xls")
        # Sheet2 repeats $1:$1, which the paste replaced; the others stay.
        self.assertEqual(book.name("Print_Titles", 1), ["Sheet2!#REF!"])
        self.assertEqual(book.name("Print_Titles", 2), ["Sheet3!$A:$A"])
        self.assertEqual(book.name("Print_Titles", 3), ["Sheet4!$A:$B", "Sheet4!$2:$3"])

    def test_area_partly_cut_stays(self):
        book = self.second_part("SimpleWithPrintArea.xls")  # Sheet1!$A$1:$C$5
        # Rows 4-6 cut (A1:C5 only partly): it stays; row 1 deleted: A1:C4.
        self.assertEqual(book.name("Print_Area", 0), ["Sheet1!$A$1:$C$4"])
