"""Reports converted to Excel workbook packages (/f:xlsx) from <CODE>.xltx
templates, read with openpyxl: the run log, the same sheets, cells, number
formats, notes and wrapping as the Excel 97-2003 conversion of the same
report, Excel-made workbooks as templates (their sheets, charts and
comments kept, following the sheets the split makes), and the failures:
stale output removed, the result written whole or not at all, a
stylesheet kept from writing files."""
import os
import re
import shutil
import unittest
import zipfile

from harness import EXAMPLES, START_LINES, InstallationTest, timed, untimed
from package_output import PackageOutputCases
from workbook_check import all_texts as xls_texts
from workbook_check import number_format as xls_number_format
from workbook_check import open_workbook as open_xls
from workbook_check import text as xls_text
from workbook_check import wraps as xls_wraps
from xlsx_check import WORKBOOK_TYPE, main_content_type, number_format, open_workbook, openpyxl, text, wraps

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xlsx")
REPORTS = sorted(f for f in os.listdir(EXAMPLES) if "~" in f and f.endswith(".xml"))


class DispatchTest(InstallationTest):
    def test_missing_template_is_refused_like_the_xlt(self):
        path = self.inst.copy_example("DAYRUR~1.xml")
        template = os.path.join(self.inst.dir, "template", "DAYRUR.xltx")
        if os.path.exists(template):
            os.remove(template)
        old = self.inst.write("DAYRUR~1.xlsx", "an older result")
        status, _, err = self.inst.run(path, "/f: XlsX ")
        self.assertEqual(status, 1, err)
        self.assertLog(START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->XlsX)"),
            untimed("ОШИБКА! (ConvertToExcel) Не найден шаблон " + template)])
        self.assertFalse(os.path.exists(old))
        self.assertTrue(os.path.exists(path[:-4] + ".xml"))


@unittest.skipIf(openpyxl is None, "needs python3-openpyxl")
class XlsxTest(PackageOutputCases, InstallationTest):
    FORMAT = "xlsx"
    TRAP = "ConvertToExcel"

    def convert(self, name="DAYRUR~1.xml", fmt="xlsx", expect=0, source=None):
        path = self.inst.copy_example(source or name, name)
        status, _, err = self.inst.run(path, "/f:" + fmt)
        self.assertEqual(status, expect, err)
        return path, path[:-4] + "." + fmt

    def leftovers(self):
        return sorted(f for f in os.listdir(self.inst.work) if not f.endswith((".xml", ".xsl", ".xlsx", ".xls")))

    def use_template(self, fixture, code):
        shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", code + ".xltx"))

    def test_success_log_and_workbook(self):
        path, out = self.convert()
        self.assertLog(START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->xlsx)"),
            timed("   Загружен шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.xltx")),
            timed("   Данные занесены в буфер"),
            timed("   Данные из буфера занесены в книгу"),
            timed("   Дополнительная обработка ..."),
            timed("   Дополнительная обработка завершена"),
            timed("   Книга сохранена"),
            timed("Конвертация выполнена: " + out)])
        self.assertEqual(main_content_type(out), WORKBOOK_TYPE)
        book = open_workbook(out)
        for sheet in book.worksheets:
            self.assertEqual(text(sheet, 1, 1), "ЕЖЕДНЕВНЫЙ ОТЧЕТ ОБ ОПЕРАЦИЯХ ПО СЧЕТАМ КЛИЕНТОВ В РУБЛЯХ")
            # The template's page setup, header, footer and column widths on every client's sheet.
            self.assertIn("DAYRUR", sheet.oddHeader.left.text or sheet.oddHeader.center.text or "")
            self.assertEqual(sheet.page_setup.orientation, "landscape")
            self.assertAlmostEqual(sheet.column_dimensions["J"].width, 46.08, places=1)
        self.assertEqual(self.leftovers(), [])

    def assertSameAsXls(self, xlsx_path, xls_path):
        """Sheets, texts, number formats, wrapping and notes as the Excel
        97-2003 conversion of the same report has them."""
        mine, theirs = open_workbook(xlsx_path), open_xls(xls_path)
        self.assertEqual(mine.sheetnames, [s.name for s in theirs.sheets()])
        for sheet, old in zip(mine.worksheets, theirs.sheets()):
            for r in range(1, old.nrows + 1):
                for c in range(1, old.ncols + 1):
                    self.assertEqual(text(sheet, r, c), xls_text(old, r, c), (sheet.title, r, c))
                    if xls_text(old, r, c):
                        self.assertEqual(number_format(sheet, r, c), xls_number_format(theirs, old, r, c), (sheet.title, r, c))
                        self.assertEqual(wraps(sheet, r, c), xls_wraps(theirs, old, r, c), (sheet.title, r, c))
            notes = {(cell.row - 1, cell.column - 1): cell.comment.text for row in sheet.iter_rows() for cell in row if cell.comment}
            self.assertEqual(notes, {k: n.text for k, n in old.cell_note_map.items()})

    def test_every_report_with_the_shipped_templates(self):
        for name in REPORTS:
            with self.subTest(name):
                path, out = self.convert(name)
                status, _, err = self.inst.run(path, "/f:xls")
                self.assertEqual(status, 0, err)
                self.assertSameAsXls(out, path[:-4] + ".xls")
                for sheet in open_workbook(out).worksheets:
                    for row in sheet.iter_rows():
                        for cell in row:
                            self.assertNotIn("SAVE AS", str(cell.value or "").upper())

    def test_hidden_note_is_a_legacy_comment_with_its_shape(self):
        _, out = self.convert("RMSDAYCLR~1.xml")
        sheet = open_workbook(out).worksheets[0]
        notes = [cell for row in sheet.iter_rows() for cell in row if cell.comment]
        self.assertEqual(len(notes), 1)
        self.assertEqual(notes[0].comment.text, "В расчете итогового РРР участвуют только положительные РРР по сделкам")
        self.assertEqual(notes[0].column, 19)
        with zipfile.ZipFile(out) as z:
            vml = [n for n in z.namelist() if n.endswith(".vml")]
            self.assertEqual(len(vml), 1)
            shape = z.read(vml[0]).decode("utf-8")
        self.assertIn('ObjectType="Note"', shape)
        self.assertIn("visibility:hidden", shape)
        self.assertNotIn("<x:Visible", shape)

    def test_the_xls_conversion_keeps_its_log(self):
        path, _ = self.convert()
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        lines = self.inst.log_lines()[-3:]
        self.assertTrue(lines[-1].endswith("Конвертация выполнена: " + path[:-4] + ".xls"))
        self.assertTrue(self.inst.log_lines()[-7].endswith("   Загружен шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.xlt")))

    def test_excel_made_workbooks_as_templates(self):
        for fixture in sorted(os.listdir(FIXTURES)):
            with self.subTest(fixture):
                self.use_template(fixture, "DAYFEEGZP")
                template = openpyxl.load_workbook(os.path.join(FIXTURES, fixture))
                first = template.worksheets[0]
                if fixture == "chart_sheet.xlsx":
                    # A chart sheet first: the conversion's last step selects
                    # a cell of the first sheet, as for an Excel 97-2003 template.
                    self.convert("DAYFEEGZP~1.xml", expect=1)
                    self.assertIn("не является рабочим листом", self.inst.log_lines()[-1])
                    continue
                path, out = self.convert("DAYFEEGZP~1.xml")
                self.assertEqual(main_content_type(out), WORKBOOK_TYPE)
                book = open_workbook(out)
                self.assertEqual(book.sheetnames, template.sheetnames)
                texts = [text(book.worksheets[0], r, c) for r in range(1, 40) for c in range(1, 10)]
                self.assertIn("Ставка вознаграждения", texts)
                for old, new in zip(template.worksheets[1:], book.worksheets[1:]):
                    self.assertEqual([[c.value for c in row] for row in old.iter_rows()],
                                     [[c.value for c in row] for row in new.iter_rows()])
                for letter, dim in first.column_dimensions.items():
                    if dim.customWidth:
                        self.assertAlmostEqual(book.worksheets[0].column_dimensions[letter].width, dim.width, places=2)
                self.assertEqual(book.worksheets[0].oddHeader.center.text, first.oddHeader.center.text)
                with zipfile.ZipFile(os.path.join(FIXTURES, fixture)) as z:
                    kept = [n for n in z.namelist() if n.startswith(("xl/theme/", "xl/media/", "xl/charts/chart", "customXml/"))
                            and "_rels/" not in n]
                    originals = {n: z.read(n) for n in kept}
                with zipfile.ZipFile(out) as z:
                    for n in kept:
                        self.assertIn(n, z.namelist())
                        if not n.startswith("xl/charts/"):
                            self.assertEqual(z.read(n), originals[n], n)

    def split_with(self, fixture):
        self.use_template(fixture, "DAYRUR")
        _, out = self.convert()
        clients = [c.get("name") for c in __import__("xml.etree.ElementTree", fromlist=["x"]).parse(
            os.path.join(EXAMPLES, "DAYRUR~1.xml")).getroot().findall("client")]
        template = openpyxl.load_workbook(os.path.join(FIXTURES, fixture))
        book = open_workbook(out)
        # Each client's sheet is a copy of the template's first; its other sheets stay.
        self.assertEqual([n for n in book.sheetnames if n in clients], clients)
        self.assertEqual([n for n in book.sheetnames if n not in clients], template.sheetnames[1:])
        return book, template, clients, out

    def test_split_keeps_charts_with_their_sheets(self):
        book, template, clients, out = self.split_with("WithChart.xlsx")
        with zipfile.ZipFile(out) as z:
            charts = {n: z.read(n) for n in z.namelist() if n.startswith("xl/charts/chart")}
        with zipfile.ZipFile(os.path.join(FIXTURES, "WithChart.xlsx")) as z:
            template_charts = {n: z.read(n) for n in z.namelist() if n.startswith("xl/charts/chart")}
        # The chart is on the template's second sheet, which the split leaves
        # alone: it stays there, drawn from the same cells of the first
        # sheet, now the first client's, less the rows the split deleted
        # (row 1 and those after the first client's block).
        self.assertEqual(charts.keys(), template_charts.keys())
        first_rows = book[clients[0]].max_row
        for name, xml in template_charts.items():
            ranges = re.findall(r"<c:f>([^<]*)</c:f>", charts[name].decode("utf-8"))
            self.assertEqual(len(ranges), len(re.findall(r"<c:f>", xml.decode("utf-8"))))
            for r in ranges:
                m = re.fullmatch(r"'%s'!\$([A-Z])\$1:\$\1\$(\d+)" % clients[0], r)
                self.assertTrue(m, r)
                self.assertLessEqual(int(m.group(2)), min(5, first_rows))
        for name in template.sheetnames:
            self.assertEqual(len(book[name]._charts) if name in book.sheetnames else None,
                             len(template[name]._charts) if name != template.sheetnames[0] else None)
        for name in clients:
            self.assertEqual(len(book[name]._charts), 0)

    def test_split_copies_comments_with_their_sheets(self):
        book, template, clients, _ = self.split_with("SimpleWithComments.xlsx")
        old = {(c.row, c.column): c.comment.text for row in template.worksheets[0].iter_rows() for c in row if c.comment}
        self.assertTrue(old)
        # The page pasted over the template's cells keeps the notes that were there, on the first client's rows.
        first = {(c.row, c.column): c.comment.text for row in book.worksheets[0].iter_rows() for c in row if c.comment}
        self.assertTrue(set(first.values()) <= set(old.values()))

    def test_missing_template_removes_an_older_output(self):
        os.remove(os.path.join(self.inst.dir, "template", "DAYRUR.xltx"))
        path = self.inst.copy_example("DAYRUR~1.xml")
        old = self.inst.write("DAYRUR~1.xlsx", "an older result")
        status, _, err = self.inst.run(path, "/f:xlsx")
        self.assertEqual(status, 1, err)
        self.assertFalse(os.path.exists(old))
        self.assertTrue(os.path.exists(os.path.join(self.inst.dir, "template", "DAYRUR.xlt")))

    def refused_template(self, content, expect):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.xltx"), "wb") as f:
            f.write(content)
        path = self.inst.copy_example("DAYRUR~1.xml")
        old = self.inst.write("DAYRUR~1.xlsx", "an older result")
        status, _, err = self.inst.run(path, "/f:xlsx")
        self.assertEqual(status, 1, err)
        line = self.inst.log_lines()[-1]
        self.assertTrue(line.startswith(untimed("ОШИБКА! (ConvertToExcel) ")), line)
        self.assertIn(expect, line)
        self.assertFalse(os.path.exists(old))
        self.assertEqual(self.leftovers(), [])

    def test_a_document_package_is_refused(self):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.dotx"), "rb") as f:
            self.refused_template(f.read(), "не является книгой Excel")

    def test_an_excel_97_workbook_under_the_template_name_is_refused(self):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.xlt"), "rb") as f:
            self.refused_template(f.read(), "Excel 97-2003")

    def test_damaged_sheet_is_refused(self):
        src = os.path.join(self.inst.dir, "template", "DAYRUR.xltx")
        with zipfile.ZipFile(src) as z:
            parts = {n: z.read(n) for n in z.namelist()}
        parts["xl/worksheets/sheet1.xml"] = parts["xl/worksheets/sheet1.xml"][:-40]
        broken = os.path.join(self.inst.root, "broken.xltx")
        with zipfile.ZipFile(broken, "w") as z:
            for n, b in parts.items():
                z.writestr(n, b)
        with open(broken, "rb") as f:
            self.refused_template(f.read(), "sheet1.xml")

    def test_stylesheet_writing_a_file_makes_no_workbook(self):
        target = os.path.join(self.inst.work, "stolen.txt")
        self.inst.write("page.xsl", """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
 xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:output method="html"/><xsl:template match="/"><exsl:document href=\"""" + target + """\" method="text">x</exsl:document>
<html><body><table><tr><td>x</td></tr></table></body></html></xsl:template></xsl:stylesheet>""")
        path = self.inst.write("DAYRUR~1.xml", '<?xml-stylesheet type="text/xsl" href="page.xsl"?><r/>')
        old = self.inst.write("DAYRUR~1.xlsx", "an older result")
        status, _, err = self.inst.run(path, "/f:xlsx")
        self.assertEqual(status, 1, err)
        self.assertIn("запись файла", self.inst.log_lines()[-1])
        self.assertFalse(os.path.exists(target))
        self.assertFalse(os.path.exists(old))


if __name__ == "__main__":
    unittest.main()
