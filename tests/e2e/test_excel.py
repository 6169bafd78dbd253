"""Reports converted to workbooks, checked with xlrd: sheets, rows, formats,
notes, wrapping and the run log."""
import os
import re
import resource
import shutil
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

from harness import EXAMPLES, START_LINES, InstallationTest, timed, untimed
from workbook_check import all_texts, column_width_chars, number_format, open_workbook, text, wraps

FIVE = "#,##0.00000"
FOUR = "#,##0.0000"


def read_example(name):
    with open(os.path.join(EXAMPLES, name), encoding="cp1251") as f:
        return f.read()


def example_tree(name):
    return ET.parse(os.path.join(EXAMPLES, name)).getroot()


class ConversionTest(InstallationTest):
    def convert(self, name, fmt="xls", source=None):
        path = self.inst.copy_example(source or name, name)
        status, _, err = self.inst.run(path, "/f:" + fmt)
        return status, err, path

    def converted(self, name, source=None):
        status, err, path = self.convert(name, source=source)
        self.assertEqual(status, 0, err)
        out = path[:-4] + ".xls"
        self.assertTrue(os.path.exists(out))
        return open_workbook(out), path, out

    def success_log(self, path, out, code, treated):
        lines = START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->xls)"),
            timed("   Загружен шаблон " + os.path.join(self.inst.dir, "template", code + ".xlt")),
            timed("   Данные занесены в буфер"),
            timed("   Данные из буфера занесены в книгу")]
        if treated:
            lines += [timed("   Дополнительная обработка ..."), timed("   Дополнительная обработка завершена")]
        return lines + [timed("   Книга сохранена"), timed("Конвертация выполнена: " + out)]

    def check_common(self, book):
        """No marker text is left, and each row's leftmost cell whose text is
        at least as long as its column is wide wraps."""
        for sheet in book.sheets():
            for t in all_texts(sheet):
                self.assertNotIn("SAVE AS", t.upper())
                self.assertNotEqual(t.strip().upper(), "PRINT")
            for r in range(1, sheet.nrows + 1):
                for c in range(1, sheet.ncols + 1):
                    if len(text(sheet, r, c)) >= column_width_chars(sheet, c):
                        self.assertTrue(wraps(book, sheet, r, c), (sheet.name, r, c))
                        break


class PerClientTest(ConversionTest):
    def test_dayrur_one_sheet_per_client(self):
        book, path, out = self.converted("DAYRUR~1.xml")
        self.assertLog(self.success_log(path, out, "DAYRUR", True))
        report = example_tree("DAYRUR~1.xml")
        clients = report.findall("client")
        self.assertEqual([s.name for s in book.sheets()], [c.get("name") for c in clients])
        title = "ЕЖЕДНЕВНЫЙ ОТЧЕТ ОБ ОПЕРАЦИЯХ ПО СЧЕТАМ КЛИЕНТОВ В РУБЛЯХ"
        for sheet, client in zip(book.sheets(), clients):
            self.assertEqual(text(sheet, 1, 1), title)
            self.assertEqual(text(sheet, 3, 7), client.get("name"))
            self.assertEqual(text(sheet, 4, 7), client.get("account"))  # 20 digits stay text
            # The client's operations, in order, and nobody else's.
            purposes = [op.text for op in client.findall("op")]
            column_j = [text(sheet, r, 10) for r in range(1, sheet.nrows + 1)]
            self.assertEqual([t for t in column_j if t in {p for c in clients for p in (o.text for o in c.findall("op"))}], purposes)
            self.assertEqual(sum(1 for t in all_texts(sheet) if t == title), 1)
        # Whatever follows the last block stays on the last sheet.
        self.assertTrue(any(t.startswith("Ответственный исполнитель") for t in all_texts(book.sheets()[-1])))
        self.check_common(book)

    def test_dayrepo_titles_match_without_regard_to_case(self):
        book, path, out = self.converted("DAYREPO~1.xml")
        names = [c.get("name") for c in example_tree("DAYREPO~1.xml").findall("client")]
        self.assertEqual([s.name for s in book.sheets()], names)
        for sheet in book.sheets():
            self.assertEqual(text(sheet, 1, 1), "Ежедневный отчет по сделкам РЕПО")
        self.check_common(book)

    def test_progress_lists_the_clients(self):
        path = self.inst.copy_example("DAYREPO~1.xml")
        status, _, err = self.inst.run(path, "/f:xls", "/v:y")
        self.assertEqual(status, 0, err)
        names = [c.get("name") for c in example_tree("DAYREPO~1.xml").findall("client")]
        self.assertIn("\n".join("Клиент: " + n for n in names) + "\n", err)

    def test_two_blocks_for_the_same_client_fail(self):
        # The same name as written, in another case, is the same client.
        report = read_example("DAYREPO~1.xml").replace("АО «Меридиан»", "ооо «вектор»")
        path = self.inst.write("DAYREPO~1.xml", report)
        self.inst.copy_example("DAYREPO~1.xml", "unused.xml")
        old = self.inst.write("DAYREPO~1.xls", "an older result")
        self.run_failing(path)
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Клиент «ооо «вектор»» встречается на странице отчета дважды"))
        self.assertFalse(os.path.exists(old))

    def convert_clients(self, names, verbose=False):
        report = read_example("DAYREPO~1.xml")
        for old, new in zip(("ООО «Вектор»", "АО «Меридиан»", "ИП Соколов А. Н."), names):
            report = report.replace('name="%s"' % old, 'name="%s"' % new.replace("'", "&apos;"))
        path = self.inst.write("DAYREPO~1.xml", report)
        self.inst.copy_example("DAYREPO~1.xml", "unused.xml")
        status, _, err = self.inst.run(path, "/f:xls", *(["/v:y"] if verbose else []))
        self.assertEqual(status, 0, err)
        return open_workbook(path[:-4] + ".xls"), err

    def test_client_names_that_are_no_sheet_names_are_made_into_one(self):
        names = ["Общество с ограниченной ответственностью «Вектор-Инвест»",
                 "Общество с ограниченной ответственностью «Вектор-Сервис»",
                 "ИП Соколов А/Н [филиал]"]
        book, err = self.convert_clients(names, verbose=True)
        sheets = ["Общество с ограниченной ответст", "Общество с ограниченной отв (2)", "ИП Соколов А_Н _филиал_"]
        self.assertEqual([s.name for s in book.sheets()], sheets)
        # The cells keep the whole name; the progress shows the sheet's.
        self.assertEqual([text(s, 3, 7) for s in book.sheets()], names)
        self.assertIn("\n".join("Клиент: " + n for n in sheets) + "\n", err)
        book, _ = self.convert_clients(["History", "", "'Ромашка'"])
        self.assertEqual([s.name for s in book.sheets()], ["History_", "Клиент 2", "Ромашка"])
        self.assertEqual([text(s, 3, 7) for s in book.sheets()], ["History", "", "'Ромашка'"])

    def convert_many_clients(self, names):
        """A DAYREPO report with one block per name, the example's three
        clients' deals used in turn."""
        report = read_example("DAYREPO~1.xml")
        start, end = report.index("  <client "), report.index("</report>")
        blocks = re.findall(r"  <client name=\"[^\"]*\"(.*?</client>\n)", report[start:end], re.S)
        body = "".join('  <client name="%s"%s' % (escape(n, {'"': "&quot;"}), blocks[i % len(blocks)])
                       for i, n in enumerate(names))
        path = self.inst.write("DAYREPO~1.xml", report[:start] + body + report[end:])
        self.inst.copy_example("DAYREPO~1.xml", "unused.xml")
        status, _, err = self.inst.run(path, "/f:xls", "/v:y")
        self.assertEqual(status, 0, err)
        return open_workbook(path[:-4] + ".xls"), err

    def test_every_forbidden_character_reserved_names_and_numbering(self):
        long = "Акционерное общество «Северная инвестиционная компания»"
        names = ['a:b?c*d\\e/f[g]h', "history", "HISTORY_", "''Ромашка'", long, long + " 2",
                 long + " 3", "А" * 30 + "'хвост", "Клиент 9", "", '"Кавычки" & <скобки>']
        sheets = ["a_b_c_d_e_f_g_h", "history_", "HISTORY_ (2)", "Ромашка", long[:31],
                  long[:27] + " (2)", long[:27] + " (3)", "А" * 30, "Клиент 9", "Клиент 10",
                  '"Кавычки" & <скобки>']
        book, err = self.convert_many_clients(names)
        self.assertEqual([s.name for s in book.sheets()], sheets)
        self.assertEqual([text(s, 3, 7) for s in book.sheets()], names)
        self.assertIn("\n".join("Клиент: " + n for n in sheets) + "\n", err)
        # A name made from an empty one may be taken too; sheet names are
        # taken in any case, Cyrillic ones included.
        book, _ = self.convert_many_clients(["клиент 2", "", "ЁЛКА_", "ёлка?"])
        self.assertEqual([s.name for s in book.sheets()], ["клиент 2", "Клиент 2 (2)", "ЁЛКА_", "ёлка_ (2)"])

    def test_a_title_in_row_1_starts_the_first_block(self):
        # Without the bank's header lines the first title row lands in row 1
        # once the button row above it is gone.
        xsl = read_example("dayrepo.xsl")
        xsl = xsl[:xsl.index('          <tr><td colspan="12" class="bank">')] + xsl[xsl.index("          <xsl:apply-templates select=\"client\"/>"):]
        self.inst.write("bare.xsl", xsl)
        report = read_example("DAYREPO~1.xml").replace('href="dayrepo.xsl"', 'href="bare.xsl"')
        names = [c.get("name") for c in example_tree("DAYREPO~1.xml").findall("client")]
        for clients in (3, 1):
            with self.subTest(clients=clients):
                body = report
                if clients == 1:
                    body = report[:report.index("  <client name=\"АО")] + report[report.index("</report>"):]
                path = self.inst.write("DAYREPO~1.xml", body)
                self.inst.copy_example("common.xsl")
                status, _, err = self.inst.run(path, "/f:xls")
                self.assertEqual(status, 0, err)
                book = open_workbook(path[:-4] + ".xls")
                self.assertEqual([s.name for s in book.sheets()], names[:clients])
                for sheet in book.sheets():
                    self.assertEqual(text(sheet, 1, 1), "Ежедневный отчет по сделкам РЕПО")

    def run_failing(self, path):
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertTrue(self.inst.log_lines()[-1].startswith("\t\t\tОШИБКА! (ConvertToExcel) "))
        self.assertFalse(os.path.exists(path[:-4] + ".xls"))
        return status, err, path


class PageCleanupTest(ConversionTest):
    PAGE = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><table>
<tr><td></td><td>Заголовок</td><td></td><td></td></tr>
<tr><td></td><td></td><td></td><td>важные данные</td></tr>
<tr><td></td><td>Save As XLS</td><td></td><td>Print</td></tr>
<tr><td></td><td>итог</td><td></td><td>1 234</td></tr>
</table></body></html></xsl:template></xsl:stylesheet>"""

    def test_text_in_the_last_columns_counts_when_column_a_is_empty(self):
        shutil.copy2(os.path.join(self.inst.dir, "template", "DAYFEEGZP.xlt"),
                     os.path.join(self.inst.dir, "template", "PLAIN.xlt"))
        self.inst.write("plain.xsl", self.PAGE, encoding="utf-8")
        path = self.inst.write("PLAIN~1.xml", '<?xml-stylesheet type="text/xsl" href="plain.xsl"?><r/>')
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        sheet = open_workbook(path[:-4] + ".xls").sheet_by_index(0)
        rows = [[text(sheet, r, c) for c in range(1, 5)] for r in range(1, sheet.nrows + 1)]
        self.assertEqual(rows, [["", "Заголовок", "", ""], ["", "", "", "важные данные"], ["", "итог", "", "1234"]])


class EarlySizeTest(ConversionTest):
    def test_a_page_that_cannot_fit_one_sheet_fails_before_it_is_pasted(self):
        # A small report, a page of a million rows: refused at the paste.
        self.inst.write("a.xml", "<r>" + "<a/>" * 1000 + "</r>")
        xsl = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:variable name="a" select="document('a.xml')//a"/>
<xsl:template match="/"><html><body><table><xsl:for-each select="$a"><xsl:for-each select="$a">
<tr><td>1</td><td>2</td></tr></xsl:for-each></xsl:for-each></table></body></html></xsl:template></xsl:stylesheet>"""
        self.inst.write("big.xsl", xsl)
        path = self.inst.write("DAYFEEGZP~1.xml", '<?xml-stylesheet type="text/xsl" href="big.xsl"?><r/>')
        self.assertLess(sum(os.path.getsize(os.path.join(self.inst.work, f)) for f in ("DAYFEEGZP~1.xml", "big.xsl", "a.xml")), 8192)
        old = self.inst.write("DAYFEEGZP~1.xls", "older")

        def limit_memory():
            # The rendered page itself takes about 900 MB; a runaway beyond
            # it must not take the machine.
            resource.setrlimit(resource.RLIMIT_AS, (1500 << 20, 1500 << 20))

        status, _, err = self.inst.run(path, "/f:xls", preexec_fn=limit_memory, timeout=300)
        self.assertEqual(status, 1, err)
        lines = self.inst.log_lines()
        self.assertEqual(lines[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Число строк страницы отчета (1 000 000) больше, чем вмещает лист книги (65 536)"))
        # Refused straight after the copy: nothing was pasted.
        self.assertRegex(lines[-2], r"\t   Данные занесены в буфер$")
        self.assertFalse(os.path.exists(old))

    def test_columns_and_the_exact_limits(self):
        for rows, columns, expect in ((65536, 2, None), (65537, 2, "строк страницы отчета (65 537)"),
                                      (3, 257, "столбцов страницы отчета (257)"), (3, 256, None)):
            with self.subTest(rows=rows, columns=columns):
                self.inst.write("a.xml", "<r>" + "<a/>" * rows + "</r>")
                cells = "".join("<td>%d</td>" % c for c in range(columns))
                self.inst.write("page.xsl", """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><table><xsl:for-each select="document('a.xml')//a">
<tr>%s</tr></xsl:for-each></table></body></html></xsl:template></xsl:stylesheet>""" % cells)
                path = self.inst.write("DAYFEEGZP~1.xml", '<?xml-stylesheet type="text/xsl" href="page.xsl"?><r/>')
                status, _, err = self.inst.run(path, "/f:xls", timeout=300)
                if expect is None:
                    self.assertEqual(status, 0, err)
                else:
                    self.assertEqual(status, 1, err)
                    self.assertIn(expect, self.inst.log_lines()[-1])

    def test_a_split_page_may_be_longer_than_one_sheet(self):
        # 1,400 clients of 40 operations: about 70,000 page rows, 1,400 sheets.
        import subprocess
        import sys
        path = os.path.join(self.inst.work, "DAYRUR~1.xml")
        subprocess.run([sys.executable, os.path.join(os.path.dirname(EXAMPLES), "bench", "make_dayrur.py"),
                        "1400", "40", path], check=True)
        self.inst.copy_example("DAYRUR~1.xml", "unused.xml")
        status, _, err = self.inst.run(path, "/f:xls", timeout=300)
        self.assertEqual(status, 0, err)


class LongNameTest(ConversionTest):
    def test_names_up_to_the_longest_the_system_allows(self):
        for length in (248, 255):
            for fmt in ("xls", "doc"):
                with self.subTest(length=length, fmt=fmt):
                    name = "DAYFEEGZP~" + "д" * ((length - 14) // 2) + "x" * ((length - 14) % 2) + ".xml"
                    self.assertEqual(len(name.encode("utf-8")), length)
                    status, err, path = self.convert(name, fmt, source="DAYFEEGZP~1.xml")
                    self.assertEqual(status, 0, err)
                    self.assertTrue(os.path.exists(path[:-4] + "." + fmt))
                    self.assertEqual([f for f in os.listdir(self.inst.work) if f.startswith(".")], [])


class FixedCellsTest(ConversionTest):
    def test_rmsdayclr_formats_and_hidden_note(self):
        book, path, out = self.converted("RMSDAYCLR~1.xml")
        self.assertLog(self.success_log(path, out, "RMSDAYCLR", True))
        sheet = book.sheet_by_index(0)
        last = sheet.nrows
        for r in range(1, last + 1):
            for c in range(1, 20):
                if r <= sheet.nrows and c <= sheet.ncols:
                    want = r >= 7 and c in (10, 17)
                    self.assertEqual(number_format(book, sheet, r, c) == FIVE, want, (r, c))
        note = sheet.cell_note_map[(last - 1, 18)]
        self.assertEqual(note.text, "В расчете итогового РРР участвуют только положительные РРР по сделкам")
        self.assertFalse(note.show)
        self.assertEqual(len(sheet.cell_note_map), 1)
        self.assertEqual(text(sheet, 7, 10), "0.125")
        self.check_common(book)

    def test_dayfeegzp_four_cells(self):
        book, path, out = self.converted("DAYFEEGZP~1.xml")
        sheet = book.sheet_by_index(0)
        formats = {(r, c): number_format(book, sheet, r, c)
                   for r in range(1, sheet.nrows + 1) for c in range(1, sheet.ncols + 1)}
        self.assertEqual({k for k, v in formats.items() if v in (FOUR, FIVE)}, {(8, 5), (9, 5), (10, 5), (10, 8)})
        self.assertEqual(formats[(8, 5)], FOUR)
        self.assertEqual(formats[(10, 8)], FIVE)
        self.assertEqual(text(sheet, 8, 5), "1.25")
        self.check_common(book)

    def test_note_already_on_the_cell_fails(self):
        # A first conversion leaves its note on S<last>; used as the template
        # of a report one deal shorter, whose last row the deletion of the
        # button row brings onto that note, the note is refused.
        path = self.inst.copy_example("RMSDAYCLR~1.xml")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        last = open_workbook(path[:-4] + ".xls").sheet_by_index(0).nrows
        shutil.copy2(path[:-4] + ".xls", os.path.join(self.inst.dir, "template", "RMSDAYCLR.xlt"))
        report = read_example("RMSDAYCLR~1.xml")
        start = report.index("  <deal id=\"9001234590\"")
        self.inst.write("RMSDAYCLR~1.xml", report[:start] + report[report.index("</report>"):])
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertTrue(self.inst.log_lines()[-1].startswith("\t\t\tОШИБКА! (ConvertToExcel) "))
        self.assertIn("S%d" % (last - 1), self.inst.log_lines()[-1])
        self.assertFalse(os.path.exists(path[:-4] + ".xls"))


class SecondPartTest(ConversionTest):
    def test_second_part_on_the_second_sheet(self):
        book, path, out = self.converted("FEE_ZID_1~1.xml")
        self.assertLog(self.success_log(path, out, "FEE_ZID_1", True))
        first, second = book.sheets()
        self.assertEqual((first.name, second.name), ("Сводная", "Детализация"))
        title = "РАСЧЕТ ВОЗНАГРАЖДЕНИЯ ЗА ДОВЕРИТЕЛЬНОЕ УПРАВЛЕНИЕ"
        self.assertEqual(text(first, 1, 1), title)
        self.assertTrue(text(first, 2, 1).startswith("Часть 1."))
        self.assertEqual(text(second, 1, 1), title)
        self.assertEqual(text(second, 2, 1), "Часть 2. Расчет по дням")
        days = len(example_tree("FEE_ZID_1~1.xml").findall("contract/day"))
        self.assertEqual(second.nrows, 3 + days)
        self.assertFalse(any(t.startswith("Часть 2") for t in all_texts(first)))
        self.check_common(book)

    def test_progress_names_both_sheets(self):
        path = self.inst.copy_example("FEE_ZID_1~1.xml")
        status, _, err = self.inst.run(path, "/f:xls", "/v:y")
        self.assertEqual(status, 0, err)
        self.assertIn("Лист: Сводная\nЛист: Детализация\n", err)

    def test_one_sheet_template_fails(self):
        shutil.copy2(os.path.join(self.inst.dir, "template", "DAYFEEGZP.xlt"),
                     os.path.join(self.inst.dir, "template", "FEE_ZID_1.xlt"))
        path = self.inst.copy_example("FEE_ZID_1~1.xml")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertTrue(self.inst.log_lines()[-1].startswith("\t\t\tОШИБКА! (ConvertToExcel) "))
        self.assertFalse(os.path.exists(path[:-4] + ".xls"))


class TemplateTest(ConversionTest):
    FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xls")

    def use_template(self, fixture, code):
        shutil.copy2(os.path.join(self.FIXTURES, fixture), os.path.join(self.inst.dir, "template", code + ".xlt"))

    def test_chart_sheet_in_the_template_fails(self):
        self.use_template("44010-SingleChart.xls", "DAYFEEGZP")
        path = self.inst.copy_example("DAYFEEGZP~1.xml")
        old = self.inst.write("DAYFEEGZP~1.xls", "older")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertTrue(self.inst.log_lines()[-1].startswith("\t\t\tОШИБКА! (ConvertToExcel) "))
        self.assertFalse(os.path.exists(old))

    def test_excel_made_template_keeps_its_sheets_and_settings(self):
        self.use_template("12843-2.xls", "DAYFEEGZP")
        before = open_workbook(os.path.join(self.inst.dir, "template", "DAYFEEGZP.xlt"))
        book, _, out = self.converted("DAYFEEGZP~1.xml")
        self.assertEqual([s.name for s in book.sheets()], [s.name for s in before.sheets()])
        for old, new in zip(before.sheets()[1:], book.sheets()[1:]):
            self.assertEqual(all_texts(old), all_texts(new))
        first_old, first_new = before.sheet_by_index(0), book.sheet_by_index(0)
        for col, info in first_old.colinfo_map.items():
            self.assertEqual(first_new.colinfo_map[col].width, info.width)
        # The template's first row keeps text of its own, so the button row is
        # not blank and stays: the page sits one row lower than on an empty
        # sheet.
        rate_row = next(r for r in range(1, first_new.nrows + 1)
                        if text(first_new, r, 2) == "Ставка вознаграждения")
        self.assertEqual(text(first_new, rate_row, 5), "1.25")

