"""Every bundled example converted to a workbook and to a document opens in
the independent readers: LibreOffice, Gnumeric's ssconvert and xlrd for the
workbooks; LibreOffice, antiword, wvText and catdoc for the documents."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import EXAMPLES, InstallationTest
from workbook_check import open_workbook, text

REPORTS = sorted(f for f in os.listdir(EXAMPLES) if "~" in f and f.endswith(".xml"))


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, timeout=300, **kw)


@unittest.skipUnless(shutil.which("soffice"), "needs LibreOffice")
class ReadersTest(InstallationTest):
    def setUp(self):
        super().setUp()
        self.profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, self.profile, True)
        self.converted = {}
        for name in REPORTS:
            path = self.inst.copy_example(name)
            for fmt in ("xls", "doc"):
                status, _, err = self.inst.run(path, "/f:" + fmt)
                self.assertEqual(status, 0, (name, fmt, err))
                self.converted.setdefault(fmt, []).append(path[:-3] + fmt)

    def soffice(self, target, files):
        out = tempfile.mkdtemp(dir=self.profile)
        p = run(["soffice", "-env:UserInstallation=file://" + self.profile + "/user", "--headless",
                 "--convert-to", target, "--outdir", out] + files)
        self.assertEqual(p.returncode, 0, p.stderr)
        return out

    def test_workbooks(self):
        files = self.converted["xls"]
        out = self.soffice("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1", files)
        for f in files:
            book = open_workbook(f)
            base = os.path.splitext(os.path.basename(f))[0]
            # LibreOffice writes one CSV per sheet: <name>-<sheet>.csv.
            sheets = [c for c in os.listdir(out) if c.startswith(base)]
            self.assertEqual(len(sheets), book.nsheets, (f, sheets))
            with open(os.path.join(out, sorted(sheets)[0]), encoding="utf-8") as csv:
                first = csv.read()
            self.assertTrue(first.strip(), f)
            p = run(["ssconvert", f, os.path.join(out, base + ".gnumeric.csv")])
            self.assertEqual(p.returncode, 0, p.stderr)
            self.assertNotIn(b"CRITICAL", p.stderr)
            self.assertNotIn(b"WARNING", p.stderr.upper())
        # Values agree: the first sheet's A1 as LibreOffice reads it.
        book = open_workbook(files[0])
        self.assertTrue(text(book.sheet_by_index(0), 1, 1))

    def test_workbook_from_an_excel_made_template(self):
        fixtures = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xls")
        shutil.copy2(os.path.join(fixtures, "12843-2.xls"),
                     os.path.join(self.inst.dir, "template", "DAYFEEGZP.xlt"))
        path = self.inst.copy_example("DAYFEEGZP~1.xml", "DAYFEEGZP~2.xml")
        status, _, err = self.inst.run(path, "/f:xls")
        self.assertEqual(status, 0, err)
        out = self.soffice("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                           [path[:-4] + ".xls"])
        self.assertEqual(len(os.listdir(out)), open_workbook(path[:-4] + ".xls").nsheets)

    def test_documents(self):
        files = self.converted["doc"]
        out = self.soffice("txt:Text (encoded):UTF8", files)
        for f in files:
            base = os.path.splitext(os.path.basename(f))[0]
            with open(os.path.join(out, base + ".txt"), encoding="utf-8-sig") as txt:
                body = txt.read()
            self.assertIn("Отчет сформирован автоматически", body)  # the template's own text
            self.assertNotIn("Save As XLS", body)  # the button row went with the first table row
            for reader in (["antiword", "-m", "UTF-8.txt", f], ["catdoc", "-d", "utf-8", f]):
                p = run(reader)
                self.assertEqual(p.returncode, 0, (reader, p.stderr))
                self.assertTrue(p.stdout.strip(), reader)
            p = run(["wvText", f, os.path.join(out, base + ".wv.txt")])
            self.assertEqual(p.returncode, 0, p.stderr)


if __name__ == "__main__":
    unittest.main()
