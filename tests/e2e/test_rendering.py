"""Rendering and dispatch: what happens after start-up, up to the converter's
first step, and the reports that cannot be rendered."""
import concurrent.futures
import http.server
import os
import re
import resource
import shutil
import signal
import threading
import time
import unittest

from harness import START_LINES, STAMP, SOURCE_DIR, InstallationTest, timed, untimed
from workbook_check import all_texts, open_workbook

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

    def test_titles_beyond_the_16_bit_count_are_refused(self):
        entries = "".join("C%05d=Заголовок %d\n" % (i, i) for i in range(32767))
        ini = os.path.join(self.inst.dir, "quorlex.ini")
        path = self.inst.write("DAYRUR~1.xml", report())
        self.inst.write_settings("[TITLES]\n" + entries + "DAYRUR=Отчет\n")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToExcel) Слишком много записей в секции [TITLES] в файле " + ini))
        # 32,767 entries are the most the count holds: they are read.
        self.inst.write_settings("[TITLES]\n" + entries)
        status, _, err = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 0, err)

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


def cells(path):
    """Every non-empty cell text of every sheet of the workbook."""
    return [t for sheet in open_workbook(path).sheets() for t in all_texts(sheet)]


class SandboxTest(InstallationTest):
    """Rendering reads local regular files and nothing else."""

    def setUp(self):
        super().setUp()
        self.inst.write("page.xsl", STYLESHEET)

    def convert(self, body, name="DAYFEEGZP~1.xml", prolog="", href="page.xsl", fmt="xls"):
        path = self.inst.write(name, report(body, href=href, prolog=prolog))
        started = time.monotonic()
        status, _, err = self.inst.run(path, "/f:" + fmt, timeout=60)
        return status, err, path, time.monotonic() - started

    def test_xml_catalogs_reach_no_network(self):
        requests = []

        class Catalog(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                requests.append(self.path)
                body = ('<catalog xmlns="urn:oasis:names:tc:entity:xmlns:xml:catalog">'
                        '<system systemId="missing.dtd" uri="http://127.0.0.1:%d/remote.dtd"/>'
                        '</catalog>' % server.server_address[1]).encode()
                if self.path.endswith(".dtd"):
                    body = b'<!ENTITY remote "REMOTE TEXT">'
                self.send_response(200)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        server = http.server.HTTPServer(("127.0.0.1", 0), Catalog)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)
        pi = '<?oasis-xml-catalog catalog="http://127.0.0.1:%d/catalog.xml"?>\n' % server.server_address[1]
        # Read by document(): its DTD is missing, so a catalog would be asked.
        self.inst.write("data.xml", '<?xml version="1.0"?>\n' + pi +
                        '<!DOCTYPE d SYSTEM "missing.dtd">\n<d>local &remote;</d>')
        self.inst.write("page.xsl", STYLESHEET.replace(
            "<td>x</td>", "<td><xsl:value-of select=\"document('data.xml')/d\"/></td><td>x</td>"))
        status, err, path, _ = self.convert('<!DOCTYPE r [<!ENTITY e SYSTEM "missing.ent">]>\n<r>&e;</r>',
                                            prolog=pi)
        self.assertEqual(requests, [])
        self.assertNotIn("REMOTE TEXT", cells(path[:-4] + ".xls") if status == 0 else err)

    def check_refused(self, status, err, elapsed, expect):
        self.assertEqual(status, 1, err)
        self.assertLess(elapsed, 30)
        line = self.inst.log_lines()[-1]
        self.assertTrue(line.startswith("\t\t\tОШИБКА! "), line)
        self.assertIn(expect, line)
        self.assertEqual([f for f in os.listdir(self.inst.work) if f.endswith(".xls")], [])

    def test_stylesheet_that_is_a_fifo(self):
        fifo = os.path.join(self.inst.work, "fifo.xsl")
        os.mkfifo(fifo)
        status, err, _, elapsed = self.convert("<r/>", href="fifo.xsl")
        self.check_refused(status, err, elapsed, "Таблица стилей " + fifo + " не является обычным файлом")

    def test_document_of_a_device(self):
        self.inst.write("page.xsl", STYLESHEET.replace(
            "<td>x</td>", "<td><xsl:value-of select=\"string-length(document('/dev/zero'))\"/></td>"))
        status, err, path, elapsed = self.convert("<r/>")
        self.check_refused(status, err, elapsed, "Таблице стилей отчета " + path +
                           " запрещено чтение файла, не являющегося обычным (/dev/zero)")

    def test_entity_of_standard_input(self):
        status, err, path, elapsed = self.convert(
            "<r>&e;</r>", prolog='<!DOCTYPE r [<!ENTITY e SYSTEM "/dev/stdin">]>\n')
        self.check_refused(status, err, elapsed, "В отчете " + path +
                           " запрещено чтение файла, не являющегося обычным (/dev/stdin)")

    def test_import_of_a_fifo(self):
        os.mkfifo(os.path.join(self.inst.work, "lib.xsl"))
        self.inst.write("page.xsl", STYLESHEET.replace('<xsl:output', '<xsl:import href="lib.xsl"/><xsl:output'))
        status, err, _, elapsed = self.convert("<r/>")
        self.check_refused(status, err, elapsed, "не являющегося обычным (" +
                           os.path.join(self.inst.work, "lib.xsl") + ")")


LOOP = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template name="twice"><xsl:param name="n"/><xsl:if test="$n &gt; 0">
<xsl:call-template name="twice"><xsl:with-param name="n" select="$n - 1"/></xsl:call-template>
<xsl:call-template name="twice"><xsl:with-param name="n" select="$n - 1"/></xsl:call-template>
</xsl:if></xsl:template>
<xsl:template match="/"><html><body><table><tr><td>x</td></tr></table>
<xsl:call-template name="twice"><xsl:with-param name="n" select="64"/></xsl:call-template></body></html></xsl:template>
</xsl:stylesheet>"""

# One XPath expression that runs for ever on a report of 3,000 elements.
CUBIC = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template match="/"><xsl:variable name="n" select="//a"/><html><body>
<xsl:value-of select="count($n[count($n[count($n[count($n) &gt; 0]) &gt; 0]) &gt; 0])"/></body></html></xsl:template>
</xsl:stylesheet>"""


def settings_with(limits):
    with open(os.path.join(SOURCE_DIR, "config", "quorlex.ini"), encoding="cp1251") as f:
        text = f.read()
    text = re.sub(r"\[LIMITS\][^\[]*", "", text)
    return text + "\n[LIMITS]\n" + limits + "\n"


class TimeLimitTest(InstallationTest):
    def convert(self, stylesheet, limits, body="<r/>", old_output=True):
        self.inst.write_settings(settings_with(limits))
        self.inst.write("page.xsl", stylesheet)
        path = self.inst.write("DAYFEEGZP~1.xml", report(body))
        if old_output:
            self.inst.write("DAYFEEGZP~1.xls", "an older result")
        started = time.monotonic()
        status, _, err = self.inst.run(path, "/f:xls", timeout=120)
        return status, err, path, time.monotonic() - started

    def test_looping_stylesheets_stop_at_the_limit(self):
        ini = os.path.join(self.inst.dir, "quorlex.ini")
        for name, xsl, body in (("templates", LOOP, "<r/>"), ("xpath", CUBIC, "<r>" + "<a/>" * 3000 + "</r>")):
            with self.subTest(name):
                status, err, path, elapsed = self.convert(xsl, "render_seconds=2", body)
                self.assertEqual(status, 1, err)
                self.assertGreater(elapsed, 1.5)
                self.assertLess(elapsed, 60)
                self.assertEqual(self.inst.log_lines()[-1], untimed(
                    "ОШИБКА! Преобразование отчета " + path + " прервано: превышено ограничение "
                    "render_seconds=2 секции [LIMITS] в файле " + ini))
                self.assertFalse(os.path.exists(path[:-4] + ".xls"))

    def test_zero_means_no_limit_and_the_key_may_be_missing(self):
        for limits in ("render_seconds=0", "", "; нет ключа"):
            with self.subTest(limits):
                status, err, _, _ = self.convert(STYLESHEET, limits, old_output=False)
                self.assertEqual(status, 0, err)

    def test_a_value_that_is_not_a_whole_number_is_a_settings_error(self):
        ini = os.path.join(self.inst.dir, "quorlex.ini")
        for value in ("-1", "1.5", "abc", "", "10s"):
            with self.subTest(value):
                status, err, path, _ = self.convert(STYLESHEET, "render_seconds=" + value)
                self.assertEqual(status, 1, err)
                self.assertEqual(self.inst.log_lines()[-1], untimed(
                    "ОШИБКА! Недопустимое значение параметра render_seconds секции [LIMITS] в файле " +
                    ini + ": «" + value + "». Допустимые значения: целое число секунд от 0"))
                self.assertFalse(os.path.exists(path[:-4] + ".xls"))

    def test_documentation_matches(self):
        """The shipped settings file and the README give the key and its
        default, 300 seconds, and the program applies what they say."""
        with open(os.path.join(SOURCE_DIR, "config", "quorlex.ini"), encoding="cp1251") as f:
            shipped = f.read()
        self.assertRegex(shipped, r"(?m)^\[LIMITS\]\r?\n(;[^\n]*\n)*render_seconds=300\r?$")
        section = shipped[shipped.index("[LIMITS]"):]
        self.assertIn("; Время в секундах на разбор и преобразование отчета; 0 — без ограничения.", section)
        with open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8") as f:
            readme = " ".join(f.read().split())
        self.assertIn("`[LIMITS]` `render_seconds` in `quorlex.ini` bounds the wall-clock time of "
                      "parsing and transforming the report: default 300 seconds, `0` means no limit.", readme)
        self.assertIn("A value that is not a whole number from 0 up is a settings error.", readme)
        self.assertIn("`ОШИБКА! Недопустимое значение параметра render_seconds секции [LIMITS] в файле <ini>: «…». "
                      "Допустимые значения: целое число секунд от 0`", readme)
        # The shipped file converts a quick report; a value the README calls
        # invalid is refused with the line the README gives.
        self.inst.write("page.xsl", STYLESHEET)
        path = self.inst.write("DAYFEEGZP~1.xml", report())
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        self.inst.write_settings(shipped.replace("render_seconds=300", "render_seconds=5 минут"))
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! Недопустимое значение параметра render_seconds секции [LIMITS] в файле " +
            os.path.join(self.inst.dir, "quorlex.ini") + ": «5 минут». Допустимые значения: целое число секунд от 0"))


class StylesheetErrorTest(InstallationTest):
    """A version 1.0 stylesheet holding what XSLT 1.0 does not define fails
    the run instead of losing the instruction's data."""

    def check(self, files, expect, fmt="xls"):
        for name, content in files.items():
            self.inst.write(name, content)
        path = os.path.join(self.inst.work, "DAYFEEGZP~1.xml")
        old = self.inst.write("DAYFEEGZP~1." + fmt, "an older result")
        status, _, err = self.inst.run(path, "/f:" + fmt)
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed("ОШИБКА! Ошибка в таблице стилей " + expect))
        self.assertFalse(os.path.exists(old))

    def test_misspelled_instruction(self):
        xsl = STYLESHEET.replace("<td>x</td>", "<td>\n<xsl:valueof select=\"'x'\"/></td>")
        self.check({"DAYFEEGZP~1.xml": report(), "page.xsl": xsl},
                   os.path.join(self.inst.work, "page.xsl") + ": неизвестный элемент xsl:valueof (строка 4)")

    def test_misspelled_attribute_and_foreign_xsl_attribute(self):
        xsl = STYLESHEET.replace("<td>x</td>", "<td><xsl:value-of selct=\"'x'\"/></td>")
        self.check({"DAYFEEGZP~1.xml": report(), "page.xsl": xsl},
                   os.path.join(self.inst.work, "page.xsl") +
                   ": неизвестный атрибут selct элемента xsl:value-of (строка 3)", fmt="doc")
        xsl = STYLESHEET.replace("<td>x</td>", "<td xsl:align=\"left\">x</td>")
        self.check({"page.xsl": xsl}, os.path.join(self.inst.work, "page.xsl") +
                   ": неизвестный атрибут xsl:align элемента td (строка 3)")

    def test_in_an_imported_or_included_stylesheet(self):
        lib = ('<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n'
               '<xsl:template name="cell"><xsl:valueof select="\'x\'"/></xsl:template>\n</xsl:stylesheet>')
        for how in ("import", "include"):
            with self.subTest(how):
                xsl = STYLESHEET.replace("<xsl:output", '<xsl:%s href="lib.xsl"/><xsl:output' % how).replace(
                    "<td>x</td>", '<td><xsl:call-template name="cell"/></td>')
                self.check({"DAYFEEGZP~1.xml": report(), "page.xsl": xsl, "lib.xsl": lib},
                           os.path.join(self.inst.work, "lib.xsl") + ": неизвестный элемент xsl:valueof (строка 2)")

    def test_in_an_embedded_stylesheet(self):
        body = ('<!DOCTYPE r [<!ATTLIST xsl:stylesheet id ID #REQUIRED>]>\n<r>\n'
                '<xsl:stylesheet id="s" version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n'
                '<xsl:template match="/"><html><body><xsl:valueof select="1"/></body></html></xsl:template>\n'
                '</xsl:stylesheet></r>')
        path = os.path.join(self.inst.work, "DAYFEEGZP~1.xml")
        self.check({"DAYFEEGZP~1.xml": report(body, href="#s")},
                   path + ": неизвестный элемент xsl:valueof (строка 6)")

    def test_other_versions_keep_forwards_compatible_processing(self):
        xsl = STYLESHEET.replace('version="1.0"', 'version="2.0"').replace(
            "<td>x</td>", "<td><xsl:valueof select=\"'y'\"><xsl:fallback>запасной</xsl:fallback></xsl:valueof></td>")
        self.inst.write("page.xsl", xsl, encoding="utf-8")
        path = self.inst.write("DAYFEEGZP~1.xml", report())
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        self.assertIn("запасной", cells(path[:-4] + ".xls"))

    def test_compile_error(self):
        xsl = STYLESHEET.replace("<td>x</td>", "<td><xsl:value-of/></td>")
        self.inst.write("page.xsl", xsl)
        path = self.inst.write("DAYFEEGZP~1.xml", report())
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertIn("ОШИБКА! Ошибка в таблице стилей " + os.path.join(self.inst.work, "page.xsl"),
                      self.inst.log_lines()[-1])
        # Embedded in the report, the error names the report.
        body = ('<!DOCTYPE r [<!ATTLIST xsl:stylesheet id ID #REQUIRED>]>\n<r>\n'
                '<xsl:stylesheet id="s" version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n'
                '<xsl:template match="/"><html><body><xsl:value-of/></body></html></xsl:template>\n'
                '</xsl:stylesheet></r>')
        path = self.inst.write("DAYFEEGZP~1.xml", report(body, href="#s"))
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        line = self.inst.log_lines()[-1]
        self.assertTrue(line.startswith(untimed("ОШИБКА! Ошибка во встроенной таблице стилей отчета " + path + ": ")), line)
        self.assertIn("xsl:value-of", line)


class UnescapedTextTest(InstallationTest):
    """Text written with disable-output-escaping is the page's markup, in the
    workbook and in the document alike."""

    XSL = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="%s"/>
<xsl:template match="/"><html><body><table>
<tr><td>кнопки</td></tr>
<tr><td>a<xsl:text disable-output-escaping="yes">&amp;nbsp;</xsl:text>b</td>
<td><xsl:value-of select="/r/b" disable-output-escaping="yes"/></td></tr>
<tr><td><xsl:text disable-output-escaping="yes">&lt;i&gt;</xsl:text>курсив<xsl:text disable-output-escaping="yes">&lt;/i&gt;</xsl:text></td>
<td>x &amp;nbsp; &lt;b&gt;y&lt;/b&gt;</td></tr>
</table></body></html></xsl:template>
</xsl:stylesheet>"""

    def convert(self, method, fmt):
        self.inst.write("page.xsl", self.XSL % method, encoding="utf-8")
        path = self.inst.write("DAYFEEGZP~1.xml", report("<r><b>&lt;b&gt;жирный&lt;/b&gt;</b></r>"))
        status, _, err = self.inst.run(path, "/f:" + fmt)
        self.assertEqual(status, 0, err)
        return path[:-4] + "." + fmt

    def test_workbook(self):
        for method in ("html", "xml"):
            with self.subTest(method):
                out = self.convert(method, "xls")
                book = open_workbook(out)
                sheet = book.sheet_by_index(0)
                found = {}
                for r in range(sheet.nrows):
                    for c in range(sheet.ncols):
                        if sheet.cell_value(r, c):
                            font = book.font_list[book.xf_list[sheet.cell_xf_index(r, c)].font_index]
                            found[sheet.cell_value(r, c)] = font
                self.assertIn("a\xa0b", found)
                self.assertEqual(found["жирный"].weight, 700)
                self.assertTrue(found["курсив"].italic)
                # Escaped text stays text.
                self.assertIn("x &nbsp; <b>y</b>", found)

    def test_document(self):
        import test_word
        for method in ("html", "xml"):
            with self.subTest(method):
                body = test_word.document_text(self.convert(method, "doc"))
                self.assertIn("a\xa0b", body)
                self.assertIn("жирный", body)
                self.assertIn("курсив", body)
                self.assertNotIn("<b>жирный", body)
                self.assertNotIn("&nbsp;", body.replace("x &nbsp; <b>y</b>", ""))
                self.assertIn("x &nbsp; <b>y</b>", body)


class FailedRunTest(InstallationTest):
    """Once the command line is accepted and the format names a conversion,
    a run that fails or is interrupted leaves no output file behind, not even
    an older one, and never touches the input."""

    def setUp(self):
        super().setUp()
        self.inst.write("page.xsl", STYLESHEET)

    def older(self, name):
        return self.inst.write(name, "an older result")

    def test_rendering_failures_remove_the_older_output(self):
        cases = (("xls", report(href="nope.xsl"), "Не найдена таблица стилей"),
                 ("doc", report("<r><a></r>"), "Ошибка разбора отчета"),
                 ("xls", report(prolog='<!DOCTYPE r SYSTEM "http://192.0.2.1/r.dtd">\n'), "обращение к сети"),
                 ("xlsx", report(href="nope.xsl"), "Не найдена таблица стилей"),
                 ("docx", report(href="nope.xsl"), "Не найдена таблица стилей"))
        for fmt, content, expect in cases:
            with self.subTest(expect):
                path = self.inst.write("DAYFEEGZP~1.xml", content)
                old = self.older("DAYFEEGZP~1." + fmt)
                status, _, err = self.inst.run(path, " /f:" + fmt.upper() + " ")
                self.assertEqual(status, 1, err)
                self.assertIn(expect, self.inst.log_lines()[-1])
                self.assertFalse(os.path.exists(old))
                self.assertTrue(os.path.exists(path))

    def test_the_input_is_never_removed(self):
        path = self.inst.write("DAYFEEGZP~1.xml.xls", report(href="nope.xsl"))
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 1, err)
        self.assertTrue(os.path.exists(path))

    def test_refusals_and_unknown_formats_touch_no_file(self):
        path = self.inst.write("DAYFEEGZP~1.xml", report(href="nope.xsl"))
        old = self.older("DAYFEEGZP~1.xls")
        status, _, _ = self.inst.run(path, "/f:xls", "/v:q")
        self.assertEqual(status, 2)
        status, _, _ = self.inst.run(path, "/f:pdf")
        self.assertEqual(status, 1)
        self.assertTrue(os.path.exists(old))

    def test_out_of_memory_while_rendering(self):
        big = STYLESHEET.replace("<tr><td>x</td></tr>", '<xsl:for-each select="//a"><tr><td><xsl:value-of select="."/></td></tr></xsl:for-each>')
        self.inst.write("page.xsl", big)
        path = self.inst.write("DAYFEEGZP~1.xml", report("<r>" + "<a>текст</a>" * 300000 + "</r>"))
        old = self.older("DAYFEEGZP~1.xls")

        def limit_memory():
            resource.setrlimit(resource.RLIMIT_AS, (150 << 20, 150 << 20))

        status, _, err = self.inst.run(path, "/f:xls", preexec_fn=limit_memory)
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed("ОШИБКА! Недостаточно памяти"))
        self.assertFalse(os.path.exists(old))

    def started(self, path, fmt="xls"):
        process = self.inst.start(path, "/f:" + fmt)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process

    def wait_for_handler(self, process, sig):
        """Waits until the run has logged its start and catches the signal."""
        deadline = time.monotonic() + 30
        while True:
            self.assertIsNone(process.poll())
            self.assertLess(time.monotonic(), deadline)
            with open("/proc/%d/status" % process.pid) as f:
                caught = int(re.search(r"SigCgt:\s*([0-9a-f]+)", f.read()).group(1), 16)
            if caught >> (sig - 1) & 1 and "Конвертация файла".encode("cp1251") in (self.inst.log_bytes() or b""):
                return
            time.sleep(0.01)

    def test_signals_during_rendering(self):
        self.inst.write_settings(settings_with("render_seconds=0"))
        self.inst.write("page.xsl", LOOP)
        path = self.inst.write("DAYFEEGZP~1.xml", report())
        for fmt, sig in (("xls", signal.SIGTERM), ("xls", signal.SIGINT), ("xls", signal.SIGHUP),
                         ("doc", signal.SIGTERM), ("doc", signal.SIGHUP)):
            with self.subTest(fmt=fmt, signal=sig.name):
                old = self.older("DAYFEEGZP~1." + fmt)
                if os.path.exists(self.inst.log_path):
                    os.remove(self.inst.log_path)
                process = self.started(path, fmt)
                self.wait_for_handler(process, sig)
                process.send_signal(sig)
                _, err = process.communicate(timeout=30)
                self.assertEqual(process.returncode, 1)
                line = "ОШИБКА! Конвертация прервана сигналом " + sig.name
                self.assertEqual(self.inst.log_lines()[-1], untimed(line))
                self.assertIn(line, err.decode())
                self.assertFalse(os.path.exists(old))
                self.assertTrue(os.path.exists(path))

    def test_signal_while_saving_removes_the_temporary_file(self):
        big = STYLESHEET.replace("<tr><td>x</td></tr>", '<xsl:for-each select="//a"><tr><td><xsl:value-of select="."/></td><td>и еще</td></tr></xsl:for-each>')
        self.inst.write("page.xsl", big, encoding="utf-8")
        path = self.inst.write("DAYFEEGZP~1.xml", report("<r>" + "<a>текст и еще текст</a>" * 60000 + "</r>"))
        before = set(os.listdir(self.inst.work))
        # The temporary file lives for a few milliseconds: the run is stopped
        # the moment it appears, and tried again if it was missed.
        for attempt in range(10):
            process = self.started(path)
            hidden = []
            while process.poll() is None and not hidden:
                hidden = [f for f in set(os.listdir(self.inst.work)) - before if f.startswith(".")]
            if hidden and process.poll() is None:
                process.send_signal(signal.SIGSTOP)
                if set(os.listdir(self.inst.work)) & set(hidden):
                    break
                process.send_signal(signal.SIGCONT)
            process.communicate(timeout=60)
            for f in set(os.listdir(self.inst.work)) - before:
                os.remove(os.path.join(self.inst.work, f))
        else:
            self.fail("the temporary file was never caught")
        process.send_signal(signal.SIGTERM)
        process.send_signal(signal.SIGCONT)
        process.communicate(timeout=30)
        self.assertEqual(process.returncode, 1)
        self.assertEqual(set(os.listdir(self.inst.work)), before)
        self.assertEqual(self.inst.log_lines()[-1], untimed("ОШИБКА! Конвертация прервана сигналом SIGTERM"))


class TornLineTest(InstallationTest):
    def test_a_line_cut_by_a_full_disk_is_completed_when_the_disk_allows(self):
        earlier = "прежний запуск\r\n".encode("cp1251")
        with open(self.inst.log_path, "wb") as f:
            f.write(earlier)
        self.inst.write_settings(settings_with("render_seconds=3"))
        self.inst.write("page.xsl", LOOP)
        path = self.inst.write("DAYFEEGZP~1.xml", report())
        # A file-size limit stands in for the full disk: the line naming the
        # report is cut after its time stamp ...
        cut = len(earlier) + len("\t\t\t\r\n") + len("01.01.2026 00:00:00\t") + len(
            "Конвертер XML-отчетов ВИРЕМ в файлы формата MS-Excel и MS-Word, версия 1.10\r\n") + 20
        limit = (cut, resource.RLIM_INFINITY)
        process = self.inst.start(path, "/f:xls", preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, limit))
        self.addCleanup(lambda: process.poll() is None and process.kill())
        deadline = time.monotonic() + 30
        while os.path.getsize(self.inst.log_path) < cut:
            self.assertIsNone(process.poll())
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.01)
        # ... and the disk has room again while the report is rendered.
        resource.prlimit(process.pid, resource.RLIMIT_FSIZE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        process.communicate(timeout=60)
        self.assertEqual(process.returncode, 1)
        self.assertLog(["прежний запуск"] + START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->xls)"),
            untimed("ОШИБКА! Преобразование отчета " + path + " прервано: превышено ограничение "
                    "render_seconds=3 секции [LIMITS] в файле " + os.path.join(self.inst.dir, "quorlex.ini"))])


class MessageTest(InstallationTest):
    """Every message is one Russian line; libraries' texts follow ours."""

    def run_failing(self, files, fmt="xls"):
        for name, content in files.items():
            self.inst.write(name, content)
        path = os.path.join(self.inst.work, "DAYFEEGZP~1.xml")
        status, _, err = self.inst.run(path, "/f:" + fmt)
        self.assertEqual(status, 1, err)
        return self.inst.log_lines()[-1], path

    def test_library_messages_stay_on_one_line_and_name_no_option(self):
        xsl = STYLESHEET.replace("<xsl:template match", '<xsl:template name="r"><xsl:call-template name="r"/></xsl:template><xsl:template match').replace(
            "<td>x</td>", '<td><xsl:call-template name="r"/></td>')
        line, path = self.run_failing({"page.xsl": xsl, "DAYFEEGZP~1.xml": report()})
        self.assertTrue(line.startswith(untimed("ОШИБКА! Ошибка преобразования отчета " + path + ": ")), line)
        self.assertIn("слишком глубокая рекурсия шаблонов", line)
        self.assertNotIn("xsltMaxDepth", line)
        deep = "<a>" * 300 + "</a>" * 300
        line, path = self.run_failing({"DAYFEEGZP~1.xml": report("<r>" + deep + "</r>")})
        self.assertEqual(line, untimed("ОШИБКА! Ошибка разбора отчета " + path +
                                       " (строка 3): слишком глубокая вложенность элементов (более 256 уровней)"))

    def test_forbidden_access_messages_are_grammatical(self):
        line, path = self.run_failing({"page.xsl": STYLESHEET, "DAYFEEGZP~1.xml": report(
            prolog='<!DOCTYPE r SYSTEM "http://192.0.2.1/r.dtd">\n')})
        self.assertEqual(line, untimed("ОШИБКА! В отчете " + path + " запрещено обращение к сети (http://192.0.2.1/r.dtd)"))
        xsl = '<!DOCTYPE xsl:stylesheet SYSTEM "http://192.0.2.1/s.dtd">\n' + STYLESHEET
        line, _ = self.run_failing({"page.xsl": xsl, "DAYFEEGZP~1.xml": report()})
        self.assertEqual(line, untimed("ОШИБКА! В таблице стилей " + os.path.join(self.inst.work, "page.xsl") +
                                       " запрещено обращение к сети (http://192.0.2.1/s.dtd)"))
        target = os.path.join(self.inst.work, "stolen.txt")
        xsl = STYLESHEET.replace('<xsl:stylesheet ', '<xsl:stylesheet xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl" ').replace(
            "<html>", '<exsl:document href="' + target + '" method="text">x</exsl:document><html>')
        line, _ = self.run_failing({"page.xsl": xsl})
        self.assertEqual(line, untimed("ОШИБКА! Таблице стилей отчета " + path + " запрещена запись файла (" + target + ")"))

    def damaged_template(self, offset, byte, fmt, expect):
        for ext in ("xlt", "doc"):
            shutil.copy2(os.path.join(SOURCE_DIR, "template", "DAYFEEGZP." + ext),
                         os.path.join(self.inst.dir, "template", "DAYFEEGZP." + ext))
        template = os.path.join(self.inst.dir, "template", "DAYFEEGZP." + ("xlt" if fmt == "xls" else "doc"))
        with open(template, "rb") as f:
            data = bytearray(f.read())
        if offset is None:
            offset = data.index(bytes([0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00]))
        elif offset < 0:  # from the start of the document's FIB
            offset = data.index(bytes([0xEC, 0xA5])) - offset
        data[offset] = byte
        with open(template, "wb") as f:
            f.write(data)
        line, _ = self.run_failing({"page.xsl": STYLESHEET, "DAYFEEGZP~1.xml": report()}, fmt)
        self.assertEqual(line, untimed(expect.replace("<T>", template)))

    def test_damaged_templates_are_described_in_russian(self):
        self.damaged_template(None, 0x0A, "xls", "ОШИБКА! (ConvertToExcel) Файл <T> поврежден (no BOF record)")
        self.damaged_template(30, 0x40, "xls", "ОШИБКА! (ConvertToExcel) Файл <T> поврежден: "
                              "заголовок не читается (Unreasonable block sizes)")
        self.damaged_template(30, 0x40, "doc", "ОШИБКА! (ConvertToWord) Шаблон <T> не является документом Word 97-2003")
        # The high byte of the document's text length (ccpText of the FIB).
        self.damaged_template(-(0x4C + 3), 0x7F, "doc", "ОШИБКА! (ConvertToWord) Шаблон <T> поврежден: "
                              "длины частей текста больше самого текста")


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
