"""Rendering and dispatch: what happens after start-up, up to the converter's
first step, and the reports that cannot be rendered."""
import concurrent.futures
import os
import re
import unittest

from harness import START_LINES, STAMP, InstallationTest, timed, untimed

STYLESHEET = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template match="/"><html><body><table><tr><td>x</td></tr></table></body></html></xsl:template>
</xsl:stylesheet>"""


def report(body="<r/>", href="page.xsl", prolog=""):
    return ('<?xml version="1.0" encoding="windows-1251"?>\n' + prolog +
            '<?xml-stylesheet type="text/xsl" href="' + href + '"?>\n' + body)


class DispatchTest(InstallationTest):
    def setUp(self):
        super().setUp()
        self.inst.write("page.xsl", STYLESHEET)

    def start(self, path, fmt):
        return START_LINES + [timed("Конвертация файла:     " + path + " (xml->" + fmt + ")")]

    def test_unknown_format_converts_nothing_and_logs_nothing_more(self):
        path = self.inst.write("DAYRUR~1.xml", report())
        status, _, err = self.inst.run(path, "/f:pdf")
        self.assertEqual(status, 1)
        self.assertIn("pdf", err)
        self.assertLog(self.start(path, "pdf"))
        self.assertEqual(sorted(os.listdir(self.inst.work)), ["DAYRUR~1.xml", "page.xsl"])

    def test_identification_refusals_reach_the_converters_traps(self):
        cases = [
            ("report.xml", "xls", "ОШИБКА! (ConvertToExcel) Недопустимое имя файла с отчетом: отсутствует тэг '~'"),
            ("~1.xml", " Xls ", "ОШИБКА! (ConvertToExcel) Неизвестный тип отчета"),
            ("NOPE~1.xml", "doc", "ОШИБКА! (ConvertToWord) Не найден шаблон " +
             os.path.join(self.inst.dir, "template", "NOPE.doc")),
            ("nope~1.xml", "XLS", "ОШИБКА! (ConvertToExcel) Не найден шаблон " +
             os.path.join(self.inst.dir, "template", "NOPE.xlt")),
        ]
        for name, fmt, line in cases:
            with self.subTest(name=name):
                if os.path.exists(self.inst.log_path):
                    os.remove(self.inst.log_path)
                path = self.inst.write(name, report())
                status, _, err = self.inst.run(path, "/f:" + fmt)
                self.assertEqual(status, 1)
                self.assertLog(self.start(path, fmt.strip(" ")) + [untimed(line)])
                self.assertIn(line, err)

    def test_refusal_removes_an_older_output_file(self):
        path = self.inst.write("NOPE~1.xml", report())
        old = self.inst.write("NOPE~1.xls", "an older result")
        status, _, _ = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1)
        self.assertFalse(os.path.exists(old))

    def test_output_path_equal_to_input_is_refused_and_input_kept(self):
        path = self.inst.write("DAYRUR~1.xml.xls", report())
        status, _, _ = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1)
        self.assertTrue(os.path.exists(path))
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Имя выходного файла совпадает с именем входного файла: " + path))

    def test_broken_titles_stop_the_conversion(self):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.xlt"), "w") as f:
            f.write("x")
        self.inst.write_settings("[TEMPLATES]\npath=.\\template\n")
        path = self.inst.write("DAYRUR~1.xml", report())
        self.inst.run(path, "/f:xls")
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Ошибка чтения секции [TITLES] в файле " +
            os.path.join(self.inst.dir, "quorlex.ini")))
        self.inst.write_settings("[TITLES]\nDAYRUR=Отчет\nплохая строка\n")
        self.inst.run(path, "/f:xls")
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Неверный формат параметра: плохая строка секции [TITLES] в файле " +
            os.path.join(self.inst.dir, "quorlex.ini")))

    def test_verbose_without_display_prints_the_window_texts(self):
        path = self.inst.write("report.xml", report())
        status, _, err = self.inst.run(path, "/f:xls", "/v:Y")
        self.assertEqual(status, 1)
        self.assertIn("преобразование файла " + path + "...\nзагрузка файла...\n", err)
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertNotIn("загрузка файла", err)


class RenderingFailureTest(InstallationTest):
    """A report that cannot be rendered ends with one error line, exit status
    1, no output file and nothing written anywhere."""

    def check_fails(self, files, expect):
        for name, content in files.items():
            self.inst.write(name, content)
        before = sorted(os.listdir(self.inst.work))
        path = os.path.join(self.inst.work, "DAYRUR~1.xml")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        lines = self.inst.log_lines()
        self.assertEqual(len(lines), 4, lines)
        self.assertTrue(lines[3].startswith("\t\t\tОШИБКА! "), lines[3])
        self.assertIn(expect, lines[3])
        self.assertEqual(sorted(os.listdir(self.inst.work)), before)
        self.assertEqual(sorted(os.listdir(self.inst.dir)), ["quorlex", "quorlex.ini", "quorlex.log", "template"])

    def test_no_stylesheet(self):
        self.check_fails({"DAYRUR~1.xml": "<?xml version='1.0'?><r/>"}, "не указана таблица стилей")

    def test_missing_stylesheet(self):
        self.check_fails({"DAYRUR~1.xml": report(href="nope.xsl")}, "Не найдена таблица стилей")

    def test_broken_stylesheet(self):
        self.check_fails({"DAYRUR~1.xml": report(), "page.xsl": STYLESHEET.replace("</xsl:template>", "")},
                         "таблиц")

    def test_malformed_xml(self):
        self.check_fails({"DAYRUR~1.xml": report("<r><a></r>"), "page.xsl": STYLESHEET}, "Ошибка разбора отчета")

    def test_external_dtd_on_the_network(self):
        self.check_fails({"DAYRUR~1.xml": report(prolog='<!DOCTYPE r SYSTEM "http://192.0.2.1/r.dtd">\n'),
                          "page.xsl": STYLESHEET}, "обращение к сети")

    def test_external_entity_on_the_network(self):
        self.check_fails({"DAYRUR~1.xml": report("<r>&e;</r>", prolog='<!DOCTYPE r [<!ENTITY e SYSTEM "http://192.0.2.1/e">]>\n'),
                          "page.xsl": STYLESHEET}, "обращение к сети")

    def test_stylesheet_writing_a_file(self):
        target = os.path.join(self.inst.work, "stolen.txt")
        xsl = STYLESHEET.replace('<xsl:stylesheet ', '<xsl:stylesheet xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl" ').replace(
            "<html>", '<exsl:document href="' + target + '" method="text">x</exsl:document><html>')
        self.check_fails({"DAYRUR~1.xml": report(), "page.xsl": xsl}, "запись файла")
        self.assertFalse(os.path.exists(target))

    def test_stylesheet_reading_the_network(self):
        xsl = STYLESHEET.replace("<td>x</td>", "<td><xsl:value-of select=\"document('http://192.0.2.1/x.xml')\"/></td>")
        self.check_fails({"DAYRUR~1.xml": report(), "page.xsl": xsl}, "обращение к сети")


class ConcurrencyTest(InstallationTest):
    def test_fifty_concurrent_runs_leave_only_whole_lines(self):
        paths = [self.inst.write("R%02d~1.xml" % i, report()) for i in range(50)]
        self.inst.write("page.xsl", STYLESHEET)
        with concurrent.futures.ThreadPoolExecutor(max_workers=50) as pool:
            results = list(pool.map(lambda p: self.inst.run(p, "/f:xls"), paths))
        self.assertTrue(all(status == 1 for status, _, _ in results))
        lines = self.inst.log_lines()
        self.assertEqual(len(lines), 50 * 4)
        version = START_LINES[1]
        converting = re.compile(STAMP + "Конвертация файла:     .*R\\d\\d~1\\.xml \\(xml->xls\\)")
        refused = re.compile("\t\t\tОШИБКА! \\(ConvertToExcel\\) Не найден шаблон .*/template/R\\d\\d\\.xlt")
        for line in lines:
            self.assertTrue(line == "\t\t\t" or version.fullmatch(line) or converting.fullmatch(line)
                            or refused.fullmatch(line), repr(line))
        self.assertEqual(sum(1 for l in lines if refused.fullmatch(l)), 50)


if __name__ == "__main__":
    unittest.main()
