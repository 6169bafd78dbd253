"""Start-up: usage text, the two start lines, and every refusal of the
command line, byte for byte in the run log."""
import os
import resource
import unittest

from harness import START_LINES, InstallationTest, timed, untimed

FORMATS_LINE = ("Форматы /f: xls, doc (Excel и Word 97-2003, шаблоны <КОД>.xlt и <КОД>.doc); "
                "xlsx, docx (Excel и Word 2007 и новее, шаблоны <КОД>.xltx и <КОД>.dotx)")
MISSING_FORMAT = untimed("ОШИБКА! Формат выходного файла не указан! Допустимые форматы: xls,doc")


class UsageTest(InstallationTest):
    def test_empty_or_question_mark_show_usage_and_log_nothing(self):
        for args in ([], ["   "], ["/?"], ["-?"], ["--help"], ["-h"]):
            status, out, err = self.inst.run(*args)
            self.assertEqual(status, 0, args)
            lines = out.split("\n")
            self.assertEqual(lines[0], "")
            self.assertEqual(lines[1], "Конвертер XML-отчетов ВИРЕМ в файлы формата MS-Excel и MS-Word")
            self.assertEqual(lines[3], " " * 41 + "версия 1.10")
            self.assertIn("Командная строка: quorlex [xml-файл] /f:{xls|doc} [/v:{y|n}]", out)
            self.assertIsNone(self.inst.log_bytes(), args)

    def test_help_names_all_four_formats_after_the_usage_text(self):
        for args in (["--help"], ["-h"]):
            status, out, _ = self.inst.run(*args)
            self.assertEqual(status, 0, args)
            lines = out.split("\n")
            self.assertTrue(lines[-3].endswith("/f:{xls|doc} [/v:{y|n}]"), lines)
            self.assertEqual(lines[-2], FORMATS_LINE)
            self.assertEqual(lines[-1], "")
        for args in ([], ["/?"], ["-?"]):
            _, out, _ = self.inst.run(*args)
            self.assertNotIn("xlsx", out, args)

    def test_readme_lists_the_formats_help_names(self):
        with open(os.path.join(os.environ["QUORLEX_SOURCE_DIR"], "README.md"), encoding="utf-8") as f:
            readme = f.read()
        self.assertIn("quorlex [xml-файл] /f:{xls|doc|xlsx|docx} [/v:{y|n}]", readme)
        for fmt in ("xls", "doc", "xlsx", "docx"):
            self.assertIn(" " + fmt, FORMATS_LINE)
            self.assertIn("`" + fmt + "`", readme)

    def test_question_mark_after_a_space_is_an_argument(self):
        status, _, _ = self.inst.run(" /?")
        self.assertEqual(status, 2)
        self.assertLog(START_LINES + [MISSING_FORMAT])

    def test_version(self):
        status, out, _ = self.inst.run("--version")
        self.assertEqual((status, out), (0, "quorlex версия 1.10\n"))


class RefusalTest(InstallationTest):
    def setUp(self):
        super().setUp()
        self.report = self.inst.write("DAYRUR~1.xml", "<r/>")

    def conversion_line(self, name, fmt):
        return timed("Конвертация файла:     " + name + " (xml->" + fmt + ")")

    def refused(self, *args, lines):
        status, _, err = self.inst.run(*args)
        self.assertEqual(status, 2, err)
        self.assertLog(START_LINES + lines)
        # Every error line of the log also reaches standard error.
        self.assertIn(lines[-1].lstrip("\t"), err)

    def test_missing_format_switch(self):
        self.refused(self.report, lines=[MISSING_FORMAT])

    def test_switches_are_case_sensitive(self):
        self.refused(self.report, "/F:xls", lines=[MISSING_FORMAT])

    def test_file_not_found(self):
        missing = os.path.join(self.inst.work, "nothing~1.xml")
        self.refused(missing, "/f:xls", lines=[
            self.conversion_line(missing, "xls"), untimed("ОШИБКА! Файл не найден: " + missing)])

    def test_name_with_space_is_quoted_in_messages_only(self):
        missing = os.path.join(self.inst.work, "my report~1.xml")
        self.refused(missing, "/f:xls", lines=[
            self.conversion_line(missing, "xls"), untimed('ОШИБКА! Файл не найден: "' + missing + '"')])

    def test_directories_and_patterns_are_not_files(self):
        os.makedirs(os.path.join(self.inst.work, "dir.xml"))
        for name in ("dir.xml", "dir.xml/", "*.xml", "DAYRUR~?.xml"):
            path = os.path.join(self.inst.work, name)
            if os.path.exists(self.inst.log_path):
                os.remove(self.inst.log_path)
            self.refused(path, "/f:xls", lines=[
                self.conversion_line(path, "xls"), untimed("ОШИБКА! Файл не найден: " + path)])

    def test_fifos_and_devices_are_not_files(self):
        # Neither blocks nor reads for ever: refused like a missing file.
        os.mkfifo(os.path.join(self.inst.work, "DAYRUR~2.xml"))
        os.symlink("/dev/zero", os.path.join(self.inst.work, "DAYRUR~3.xml"))
        for name in ("DAYRUR~2.xml", "DAYRUR~3.xml"):
            path = os.path.join(self.inst.work, name)
            if os.path.exists(self.inst.log_path):
                os.remove(self.inst.log_path)
            self.refused(path, "/f:xls", lines=[
                self.conversion_line(path, "xls"), untimed("ОШИБКА! Файл не найден: " + path)])

    def test_not_xml(self):
        path = self.inst.write("DAYRUR~1.txt", "<r/>")
        self.refused(path, "/f:xls", lines=[
            self.conversion_line(path, "xls"),
            untimed("ОШИБКА! Файл " + path + " не является файлом формата XML")])

    def test_xml_anywhere_in_the_name_passes(self):
        path = self.inst.write("report.xml.bak", "<r/>")
        self.refused(path, "/f:", lines=[self.conversion_line(path, ""), MISSING_FORMAT])

    def test_empty_format_is_reported_after_file_and_xml_tests(self):
        self.refused(self.report, "/f:", lines=[self.conversion_line(self.report, ""), MISSING_FORMAT])
        missing = os.path.join(self.inst.work, "x.xml")
        os.remove(self.inst.log_path)
        self.refused(missing, "/f:", lines=[
            self.conversion_line(missing, ""), untimed("ОШИБКА! Файл не найден: " + missing)])

    def test_bad_verbose_value_is_shown_lower_cased(self):
        self.refused(self.report, "/f:xls", "/v:Q", lines=[
            self.conversion_line(self.report, "xls"),
            untimed("ОШИБКА! Недопустимое значение параметра /v: (q) ! Допустимые значения: n,y")])

    def test_first_failing_test_is_reported(self):
        missing = os.path.join(self.inst.work, "x~1.xml")
        self.refused(missing, "/v:bad", "/f:xls", lines=[
            self.conversion_line(missing, "xls"), untimed("ОШИБКА! Файл не найден: " + missing)])

    def test_everything_from_the_first_redirect_is_ignored(self):
        self.refused(self.report, "/f:", ">", "out.txt", "/v:x", lines=[
            self.conversion_line(self.report, ""), MISSING_FORMAT])
        self.assertFalse(os.path.exists(os.path.join(self.inst.work, "out.txt")))

    def test_relative_names(self):
        # A plain relative name is found beside the program ...
        os.makedirs(os.path.join(self.inst.dir, "data"))
        with open(os.path.join(self.inst.dir, "data", "a.txt"), "w") as f:
            f.write("x")
        self.refused("data/a.txt", "/f:xls", lines=[
            self.conversion_line(os.path.join(self.inst.dir, "data/a.txt"), "xls"),
            untimed("ОШИБКА! Файл " + os.path.join(self.inst.dir, "data/a.txt") +
                    " не является файлом формата XML")])
        # ... while "./" and ".\" stay relative to the current directory.
        os.remove(self.inst.log_path)
        self.inst.write("b.txt", "x")
        self.refused(".\\b.txt", "/f:xls", lines=[
            self.conversion_line("./b.txt", "xls"),
            untimed("ОШИБКА! Файл ./b.txt не является файлом формата XML")])

    def test_empty_name_is_the_program_directory(self):
        self.refused("/f:xls", lines=[
            self.conversion_line(self.inst.dir + "/", "xls"),
            untimed("ОШИБКА! Файл не найден: " + self.inst.dir + "/")])

    def test_quotes_are_removed_from_the_name(self):
        self.refused('"' + self.report + '"', "/f:", lines=[
            self.conversion_line(self.report, ""), MISSING_FORMAT])


class RunLogTest(InstallationTest):
    def test_existing_log_keeps_earlier_runs(self):
        with open(self.inst.log_path, "wb") as f:
            f.write("прежний запуск\r\n".encode("cp1251"))
        self.inst.run("x.xml")
        self.assertEqual(self.inst.log_lines()[0], "прежний запуск")
        self.assertEqual(len(self.inst.log_lines()), 4)

    def test_a_line_torn_by_a_full_disk_stays_a_line_of_its_own(self):
        earlier = "прежний запуск\r\n".encode("cp1251")
        with open(self.inst.log_path, "wb") as f:
            f.write(earlier)
        missing = os.path.join(self.inst.work, "nothing~1.xml")

        # A file-size limit stands in for the full disk: the first line (three
        # TABs and CR LF) fits, the version line is cut after its date.
        def full_disk():
            resource.setrlimit(resource.RLIMIT_FSIZE, (len(earlier) + 5 + 10, resource.RLIM_INFINITY))

        status, _, err = self.inst.run(missing, "/f:xls", preexec_fn=full_disk)
        self.assertEqual(status, 2, err)
        status, _, err = self.inst.run(missing, "/f:xls")
        self.assertEqual(status, 2, err)
        lines = self.inst.log_lines()
        self.assertEqual(lines[:3], ["прежний запуск", "\t\t\t", lines[2][:10]])
        self.assertRegex(lines[2], r"^\d\d\.\d\d\.\d{4}$")
        self.assertLog(["прежний запуск", "\t\t\t", lines[2]] + START_LINES + [
            self.conversion_line(missing, "xls"), untimed("ОШИБКА! Файл не найден: " + missing)])

    def conversion_line(self, name, fmt):
        return timed("Конвертация файла:     " + name + " (xml->" + fmt + ")")

    def test_a_log_that_cannot_be_written_does_not_stop_the_run(self):
        os.makedirs(self.inst.log_path)  # a directory where the log file should be
        status, _, err = self.inst.run("x.xml")
        self.assertEqual(status, 2)
        self.assertIn("Формат выходного файла не указан", err)


if __name__ == "__main__":
    unittest.main()
