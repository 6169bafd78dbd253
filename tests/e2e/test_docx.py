"""Reports converted to Word document packages (/f:docx) from <CODE>.dotx
templates: the run log, the document as python-docx reads it (first table
row gone, the template's header, footer, styles, pictures and page setup
kept), Word-made documents as templates, and the failures: stale output
removed, the result written whole or not at all, a stylesheet kept from
writing files."""
import os
import re
import shutil
import unittest
import zipfile

from harness import EXAMPLES, START_LINES, InstallationTest, timed, untimed
from package_output import PackageOutputCases

try:
    import docx
except ImportError:  # scripts/install-deps --test installs python3-docx
    docx = None

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "docx")
REPORTS = sorted(f for f in os.listdir(EXAMPLES) if "~" in f and f.endswith(".xml"))
DOCUMENT_TYPE = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"
PLAIN_PAGE = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><h1>Справка</h1><p>Без таблиц.</p></body></html></xsl:template>
</xsl:stylesheet>"""


def all_text(document):
    """Every paragraph's text, in the body and in its tables, nested ones too."""
    out = []

    def walk(container):
        for p in container.paragraphs:
            out.append(p.text)
        for t in container.tables:
            for row in t.rows:
                for cell in row.cells:
                    walk(cell)

    walk(document)
    return "\n".join(out)


def main_content_type(path):
    with zipfile.ZipFile(path) as z:
        types = z.read("[Content_Types].xml").decode("utf-8")
    m = re.search(r'PartName="/word/document.xml" ContentType="([^"]+)"', types)
    return m.group(1) if m else None


@unittest.skipIf(docx is None, "needs python3-docx")
class DocxTest(PackageOutputCases, InstallationTest):
    FORMAT = "docx"
    TRAP = "ConvertToWord"

    def convert(self, name="DAYRUR~1.xml", expect=0):
        path = self.inst.copy_example(name)
        status, _, err = self.inst.run(path, "/f:docx")
        self.assertEqual(status, expect, err)
        return path, path[:-4] + ".docx"

    def leftovers(self):
        return sorted(f for f in os.listdir(self.inst.work) if not f.endswith((".xml", ".xsl", ".docx")))

    def test_success_log_and_document(self):
        path, out = self.convert()
        self.assertLog(START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->docx)"),
            timed("   Загружен шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.dotx")),
            timed("   Данные занесены в буфер"),
            timed("   Данные из буфера занесены в документ"),
            timed("   Документ сохранен"),
            timed("Конвертация выполнена: " + out)])
        self.assertEqual(main_content_type(out), DOCUMENT_TYPE)
        d = docx.Document(out)
        body = all_text(d)
        self.assertNotIn("Save As XLS", body)  # the button row went with the first table row
        self.assertIn("ЕЖЕДНЕВНЫЙ ОТЧЕТ", body)
        # The page comes first, the template's closing paragraph after it.
        self.assertEqual(d.paragraphs[-1].text, "Отчет сформирован автоматически и не требует подписи.")
        section = d.sections[0]
        self.assertIn("DAYRUR.", section.header.paragraphs[0].text)
        self.assertIn("Страница", section.footer.paragraphs[0].text)
        self.assertGreater(section.page_width, section.page_height)  # landscape, as the template
        self.assertEqual(self.leftovers(), [])

    def test_every_report_with_the_shipped_templates(self):
        for name in REPORTS:
            with self.subTest(name):
                _, out = self.convert(name)
                d = docx.Document(out)
                body = all_text(d)
                self.assertNotIn("Save As XLS", body)
                self.assertIn("Отчет сформирован автоматически", body)
                self.assertTrue(d.tables and len(d.tables[0].rows) > 1)
                code = name.split("~")[0]
                self.assertTrue(d.sections[0].header.paragraphs[0].text.startswith(code + "."))
                # The same rows as the Word 97-2003 conversion of the same page.
                doc_status, _, err = self.inst.run(out[:-5] + ".xml", "/f:doc")
                self.assertEqual(doc_status, 0, err)

    def test_the_doc_conversion_keeps_its_log(self):
        path, _ = self.convert()
        status, _, err = self.inst.run(path, "/f:doc")
        self.assertEqual(status, 0, err)
        lines = self.inst.log_lines()[-5:]
        self.assertTrue(lines[0].endswith("   Загружен шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.doc")))
        self.assertTrue(lines[-1].endswith("Конвертация выполнена: " + path[:-4] + ".doc"))

    def use_template(self, fixture, code="DAYRUR"):
        shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", code + ".dotx"))

    def test_word_made_documents_as_templates(self):
        for fixture in sorted(os.listdir(FIXTURES)):
            with self.subTest(fixture):
                self.use_template(fixture)
                _, out = self.convert()
                template = docx.Document(os.path.join(FIXTURES, fixture))
                d = docx.Document(out)
                self.assertEqual(main_content_type(out), DOCUMENT_TYPE)
                body = all_text(d)
                self.assertNotIn("Save As XLS", body)
                self.assertIn("ЕЖЕДНЕВНЫЙ ОТЧЕТ", body)
                # The template's own text follows the page, its tables whole.
                for p in template.paragraphs:
                    if p.text.strip():
                        self.assertIn(p.text, body)
                self.assertEqual([len(t.rows) for t in d.tables[1:]], [len(t.rows) for t in template.tables])
                # Headers and footers, styles and pictures stay.
                for mine, theirs in zip(d.sections, template.sections):
                    self.assertEqual([p.text for p in mine.header.paragraphs], [p.text for p in theirs.header.paragraphs])
                    self.assertEqual([p.text for p in mine.footer.paragraphs], [p.text for p in theirs.footer.paragraphs])
                    self.assertEqual(mine.page_width, theirs.page_width)
                    self.assertEqual(mine.orientation, theirs.orientation)
                self.assertEqual([s.name for s in d.styles], [s.name for s in template.styles])
                with zipfile.ZipFile(os.path.join(FIXTURES, fixture)) as z:
                    kept = [n for n in z.namelist() if n.startswith(("word/media/", "word/header", "word/footer", "word/footnotes", "customXml/"))
                            and "_rels/" not in n]
                with zipfile.ZipFile(out) as z:
                    for n in kept:
                        self.assertIn(n, z.namelist())
                        self.assertEqual(z.read(n), zipfile.ZipFile(os.path.join(FIXTURES, fixture)).read(n), n)

    def test_template_table_loses_its_first_row_when_the_page_has_none(self):
        self.use_template("TestTableColumns.docx", "PLAIN")
        self.inst.write("plain.xsl", PLAIN_PAGE, encoding="utf-8")
        path = self.inst.write("PLAIN~1.xml", '<?xml-stylesheet type="text/xsl" href="plain.xsl"?><r/>')
        status, _, err = self.inst.run(path, "/f:docx")
        self.assertEqual(status, 0, err)
        template = docx.Document(os.path.join(FIXTURES, "TestTableColumns.docx"))
        d = docx.Document(path[:-4] + ".docx")
        self.assertEqual(len(d.tables[0].rows), len(template.tables[0].rows) - 1)
        self.assertEqual(len(d.tables[1].rows), len(template.tables[1].rows))
        self.assertEqual(d.paragraphs[0].text, "Справка")

    def test_missing_template_removes_an_older_output(self):
        os.remove(os.path.join(self.inst.dir, "template", "DAYRUR.dotx"))
        path = self.inst.copy_example("DAYRUR~1.xml")
        old = self.inst.write("DAYRUR~1.docx", "an older result")
        status, _, err = self.inst.run(path, "/f:docx")
        self.assertEqual(status, 1, err)
        self.assertEqual(self.inst.log_lines()[-1], untimed(
            "ОШИБКА! (ConvertToWord) Не найден шаблон " + os.path.join(self.inst.dir, "template", "DAYRUR.dotx")))
        self.assertFalse(os.path.exists(old))
        # The .doc template beside it is not taken instead.
        self.assertTrue(os.path.exists(os.path.join(self.inst.dir, "template", "DAYRUR.doc")))

    def refused_template(self, content, expect):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.dotx"), "wb") as f:
            f.write(content)
        path = self.inst.copy_example("DAYRUR~1.xml")
        old = self.inst.write("DAYRUR~1.docx", "an older result")
        status, _, err = self.inst.run(path, "/f:docx")
        self.assertEqual(status, 1, err)
        line = self.inst.log_lines()[-1]
        self.assertTrue(line.startswith(untimed("ОШИБКА! (ConvertToWord) ")), line)
        self.assertIn(expect, line)
        self.assertFalse(os.path.exists(old))
        self.assertEqual(self.leftovers(), [])

    def test_not_a_package_is_refused(self):
        self.refused_template(b"plain text, not a document", "не является")

    def test_a_workbook_package_is_refused(self):
        with open(os.path.join(FIXTURES, "..", "xlsx", sorted(os.listdir(os.path.join(FIXTURES, "..", "xlsx")))[0]), "rb") as f:
            self.refused_template(f.read(), "не является документом Word")

    def test_a_word_97_document_under_the_template_name_is_refused(self):
        with open(os.path.join(self.inst.dir, "template", "DAYRUR.doc"), "rb") as f:
            self.refused_template(f.read(), "Word 97-2003")

    def test_damaged_main_part_is_refused(self):
        src = os.path.join(self.inst.dir, "template", "DAYRUR.dotx")
        with zipfile.ZipFile(src) as z:
            parts = {n: z.read(n) for n in z.namelist()}
        parts["word/document.xml"] = parts["word/document.xml"][:-40]
        broken = os.path.join(self.inst.root, "broken.dotx")
        with zipfile.ZipFile(broken, "w") as z:
            for n, b in parts.items():
                z.writestr(n, b)
        with open(broken, "rb") as f:
            self.refused_template(f.read(), "поврежден")

    def test_stylesheet_writing_a_file_makes_no_document(self):
        target = os.path.join(self.inst.work, "stolen.txt")
        self.inst.write("page.xsl", """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
 xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:output method="html"/><xsl:template match="/"><exsl:document href=\"""" + target + """\" method="text">x</exsl:document>
<html><body><table><tr><td>x</td></tr></table></body></html></xsl:template></xsl:stylesheet>""")
        path = self.inst.write("DAYRUR~1.xml", '<?xml-stylesheet type="text/xsl" href="page.xsl"?><r/>')
        old = self.inst.write("DAYRUR~1.docx", "an older result")
        status, _, err = self.inst.run(path, "/f:docx")
        self.assertEqual(status, 1, err)
        self.assertIn("запись файла", self.inst.log_lines()[-1])
        self.assertFalse(os.path.exists(target))
        if os.path.exists(old):  # removed, or left as it was: never a new document
            with open(old, "rb") as f:
                self.assertEqual(f.read(), b"an older result")


if __name__ == "__main__":
    unittest.main()
