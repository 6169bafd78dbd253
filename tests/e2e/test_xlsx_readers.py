"""Every bundled example converted to an Excel workbook package opens in
LibreOffice with the cells openpyxl reads, Excel-made workbooks used as
templates too; and a single-sheet report of 200,000 rows, which an Excel
97-2003 workbook cannot hold, converts."""
import csv
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import EXAMPLES, InstallationTest, untimed
from xlsx_check import open_workbook, openpyxl, rows_of

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xlsx")
REPORTS = sorted(f for f in os.listdir(EXAMPLES) if "~" in f and f.endswith(".xml"))


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, timeout=600, **kw)


@unittest.skipUnless(shutil.which("soffice") and openpyxl is not None, "needs LibreOffice and python3-openpyxl")
class XlsxReadersTest(InstallationTest):
    def setUp(self):
        super().setUp()
        self.profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, self.profile, True)

    def first_sheets_as_csv(self, files):
        out = tempfile.mkdtemp(dir=self.profile)
        p = run(["soffice", "-env:UserInstallation=file://" + self.profile + "/user", "--headless",
                 "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", out] + files)
        self.assertEqual(p.returncode, 0, p.stderr)
        tables = {}
        for f in files:
            base = os.path.splitext(os.path.basename(f))[0]
            path = os.path.join(out, base + ".csv")
            self.assertTrue(os.path.exists(path), (f, p.stdout, p.stderr))
            with open(path, encoding="utf-8", newline="") as c:
                tables[f] = [row for row in csv.reader(c)]
        return tables

    def assertSameCells(self, lo_rows, sheet):
        """LibreOffice shows the texts openpyxl reads (numbers as formatted, so
        only texts are compared)."""
        mine = rows_of(sheet)
        theirs = [[v for v in row] for row in lo_rows]
        for r, row in enumerate(mine):
            for c, value in enumerate(row):
                # Numbers show as formatted and formulas as their values there.
                if value and not value.startswith("=") and not value.replace(".", "").replace("-", "").replace("E", "").isdigit():
                    self.assertEqual(theirs[r][c].strip(), value.strip(), (sheet.title, r + 1, c + 1))

    def test_reports_read_in_libreoffice(self):
        files = []
        for name in REPORTS:
            path = self.inst.copy_example(name)
            status, _, err = self.inst.run(path, "/f:xlsx")
            self.assertEqual(status, 0, (name, err))
            files.append(path[:-4] + ".xlsx")
        tables = self.first_sheets_as_csv(files)
        for f in files:
            self.assertSameCells(tables[f], open_workbook(f).worksheets[0])

    def test_excel_made_templates(self):
        files = []
        for fixture in sorted(os.listdir(FIXTURES)):
            if fixture == "chart_sheet.xlsx":
                continue  # its first sheet is a chart: refused
            shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", "DAYFEEGZP.xltx"))
            path = self.inst.copy_example("DAYFEEGZP~1.xml", "DAYFEEGZP~" + os.path.splitext(fixture)[0] + ".xml")
            status, _, err = self.inst.run(path, "/f:xlsx")
            self.assertEqual(status, 0, (fixture, err))
            files.append(path[:-4] + ".xlsx")
        tables = self.first_sheets_as_csv(files)
        for f in files:
            self.assertIn("Ставка вознаграждения", [v for row in tables[f] for v in row], f)
            self.assertSameCells(tables[f], open_workbook(f).worksheets[0])

    def test_two_hundred_thousand_rows(self):
        self.inst.write("a.xml", "<r>" + "<a/>" * 200000 + "</r>")
        self.inst.write("page.xsl", """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><table><xsl:for-each select="document('a.xml')//a">
<tr><td>строка <xsl:value-of select="position()"/></td><td><xsl:value-of select="position()"/></td></tr></xsl:for-each></table></body></html></xsl:template></xsl:stylesheet>""",
                       encoding="utf-8")
        path = self.inst.write("DAYFEEGZP~1.xml", '<?xml-stylesheet type="text/xsl" href="page.xsl"?><r/>')
        status, _, err = self.inst.run(path, "/f:xls", timeout=600)
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Число строк страницы отчета (200 000) больше, чем вмещает лист книги (65 536)"))
        self.assertFalse(os.path.exists(path[:-4] + ".xls"))
        status, _, err = self.inst.run(path, "/f:xlsx", timeout=600)
        self.assertEqual(status, 0, err)
        book = openpyxl.load_workbook(path[:-4] + ".xlsx", read_only=True)
        sheet = book.worksheets[0]
        rows = [r for r in sheet.iter_rows(values_only=True) if any(v is not None for v in r)]
        self.assertEqual(len(rows), 200000)
        self.assertEqual(rows[-1][:2], ("строка 200000", 200000))


if __name__ == "__main__":
    unittest.main()
