"""Every bundled example converted to a Word document package opens in
LibreOffice: its text, its tables, and the template's header and footer on
the printed pages; Word-made documents used as templates too."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import EXAMPLES, InstallationTest

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "docx")
REPORTS = sorted(f for f in os.listdir(EXAMPLES) if "~" in f and f.endswith(".xml"))


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, timeout=300, **kw)


@unittest.skipUnless(shutil.which("soffice") and shutil.which("pdftotext"), "needs LibreOffice and poppler")
class DocxReadersTest(InstallationTest):
    def setUp(self):
        super().setUp()
        self.profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, self.profile, True)

    def soffice(self, target, files):
        out = tempfile.mkdtemp(dir=self.profile)
        p = run(["soffice", "-env:UserInstallation=file://" + self.profile + "/user", "--headless",
                 "--convert-to", target, "--outdir", out] + files)
        self.assertEqual(p.returncode, 0, p.stderr)
        for f in files:
            base = os.path.splitext(os.path.basename(f))[0]
            self.assertTrue(os.path.exists(os.path.join(out, base + "." + target.split(":")[0])), (f, p.stdout, p.stderr))
        return out

    def convert_all(self):
        files = []
        for name in REPORTS:
            path = self.inst.copy_example(name)
            status, _, err = self.inst.run(path, "/f:docx")
            self.assertEqual(status, 0, (name, err))
            files.append(path[:-4] + ".docx")
        return files

    def test_reports_read_and_print(self):
        files = self.convert_all()
        text = self.soffice("txt:Text (encoded):UTF8", files)
        pdf = self.soffice("pdf", files)
        for f in files:
            base = os.path.splitext(os.path.basename(f))[0]
            with open(os.path.join(text, base + ".txt"), encoding="utf-8-sig") as txt:
                body = txt.read()
            self.assertIn("Отчет сформирован автоматически", body)  # the template's own text
            self.assertNotIn("Save As XLS", body)  # the button row went with the first table row
            p = run(["pdftotext", "-layout", os.path.join(pdf, base + ".pdf"), "-"])
            self.assertEqual(p.returncode, 0, p.stderr)
            pages = p.stdout.decode("utf-8").split("\f")
            code = base.split("~")[0]
            printed = [page for page in pages if page.strip()]
            self.assertTrue(printed)
            for page in printed:  # every page has the template's header and footer
                self.assertIn(code + ".", page)
                self.assertIn("Страница", page)

    def test_word_made_templates(self):
        files = []
        for fixture in sorted(os.listdir(FIXTURES)):
            shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", "DAYRUR.dotx"))
            path = self.inst.copy_example("DAYRUR~1.xml", "DAYRUR~" + os.path.splitext(fixture)[0] + ".xml")
            status, _, err = self.inst.run(path, "/f:docx")
            self.assertEqual(status, 0, (fixture, err))
            files.append(path[:-4] + ".docx")
        text = self.soffice("txt:Text (encoded):UTF8", files)
        for f in files:
            base = os.path.splitext(os.path.basename(f))[0]
            with open(os.path.join(text, base + ".txt"), encoding="utf-8-sig") as txt:
                body = txt.read()
            self.assertIn("ЕЖЕДНЕВНЫЙ ОТЧЕТ", body, f)
            self.assertNotIn("Save As XLS", body, f)


if __name__ == "__main__":
    unittest.main()
