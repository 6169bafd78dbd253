"""Reports converted to Word documents: the run log of a success, the first
table row removed wherever the first table comes from, and the failures."""
import os
import shutil
import subprocess

from harness import START_LINES, InstallationTest, timed, untimed

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "doc")


def document_text(path):
    return subprocess.run(["catdoc", "-d", "utf-8", path], capture_output=True, check=True,
                          timeout=60).stdout.decode("utf-8")


class WordTest(InstallationTest):
    def test_success_log_and_document(self):
        path = self.inst.copy_example("DAYRUR~1.xml")
        out = path[:-4] + ".doc"
        status, _, err = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 0, err)
        self.assertLog(START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->doc)"),
            timed("   Загружен шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.doc")),
            timed("   Данные занесены в буфер"),
            timed("   Данные из буфера занесены в документ"),
            timed("   Документ сохранен"),
            timed("Конвертация выполнена: " + out)])
        body = document_text(out)
        self.assertNotIn("Save As XLS", body)
        self.assertLess(body.index("ЕЖЕДНЕВНЫЙ ОТЧЕТ"), body.index("Отчет сформирован автоматически"))

    def test_template_table_loses_its_first_row_when_the_page_has_none(self):
        shutil.copy2(os.path.join(FIXTURES, "simple-table.doc"), os.path.join(self.inst.dir, "template", "PLAIN.doc"))
        self.inst.write("plain.xsl", """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><h1>Справка</h1><p>Без таблиц.</p></body></html></xsl:template>
</xsl:stylesheet>""", encoding="utf-8")
        path = self.inst.write("PLAIN~1.xml", '<?xml-stylesheet type="text/xsl" href="plain.xsl"?><r/>')
        status, _, err = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 0, err)
        body = document_text(path[:-4] + ".doc")
        self.assertIn("Без таблиц.", body)
        self.assertNotIn("Cell 1,1", body)
        self.assertIn("Cell 2,1", body)

    def refused_template(self, fixture, expect):
        shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", "DAYRUR.doc"))
        path = self.inst.copy_example("DAYRUR~1.xml")
        old = self.inst.write("DAYRUR~1.doc", "an older result")
        status, _, err = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 1, err)
        line = self.inst.log_lines()[-1]
        self.assertTrue(line.startswith(untimed("ОШИБКА! (ConvertToWord) ")), line)
        self.assertIn(expect, line)
        self.assertFalse(os.path.exists(old))
        self.assertEqual(sorted(f for f in os.listdir(self.inst.work) if f.endswith(".doc")), [])

    def test_word6_template_is_refused(self):
        self.refused_template("Word6.doc", "Word 6")

    def test_encrypted_template_is_refused(self):
        self.refused_template("PasswordProtected.doc", "зашифрован")

    def test_not_a_document_is_refused(self):
        shutil.copy2(os.path.join(self.inst.dir, "template", "DAYRUR.xlt"), os.path.join(self.inst.dir, "template", "X.doc"))
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.doc"), "wb") as f:
            f.write(b"plain text, not a document")
        path = self.inst.copy_example("DAYRUR~1.xml")
        status, _, _ = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 1)
        self.assertTrue(self.inst.log_lines()[-1].startswith(untimed("ОШИБКА! (ConvertToWord) ")))
