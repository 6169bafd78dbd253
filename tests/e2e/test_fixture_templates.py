"""Every Excel workbook of tests/fixtures/office/xls serves as the template of
a per-client report (DAYRUR: the data sheet copied once per client, rows
deleted from each copy) and of the report with a note and number formats
(RMSDAYCLR). Each result opens in xlrd, in Apache POI, in LibreOffice and
passes the record-level checks. Only what the conversion refuses by design
is refused: a BIFF4 file, and a template whose first sheet is a chart."""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import xlrd

from harness import InstallationTest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "checks"))
import written_files  # noqa: E402
import xls_records  # noqa: E402

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xls")
REFUSED = {
    "xlrd-biff4_no_format_no_window2.xls": "Книги Excel 4.0 и более ранних версий (BIFF4 и старше) не поддерживаются",
    "44010-SingleChart.xls": "Лист «Graph2» не является рабочим листом",
}
REPORTS = ("DAYRUR", "RMSDAYCLR")
JARS = [os.path.join("/usr/share/java", j + ".jar") for j in written_files.POI_JARS]
POI_CHECK = os.path.join(os.path.dirname(__file__), "..", "checks", "PoiCheck.java")


@unittest.skipUnless(shutil.which("soffice"), "needs LibreOffice")
class FixtureTemplatesTest(InstallationTest):
    def convert_all(self):
        """{output path: fixture name}; refusals checked on the way."""
        outputs = {}
        for name in sorted(os.listdir(FIXTURES)):
            if not name.endswith(".xls"):
                continue
            for code in REPORTS:
                shutil.copyfile(os.path.join(FIXTURES, name), os.path.join(self.inst.dir, "template", code + ".xlt"))
                stem = "%s~%s" % (code, os.path.splitext(name)[0].replace("~", "_"))
                report = self.inst.copy_example(code + "~1.xml", stem + ".xml")
                status, _, err = self.inst.run(report, "/f:xls")
                with self.subTest(template=name, report=code):
                    if name in REFUSED:
                        self.assertEqual(status, 1, err)
                        self.assertIn(REFUSED[name], err)
                        self.assertFalse(os.path.exists(report[:-3] + "xls"))
                    else:
                        self.assertEqual(status, 0, err)
                        outputs[report[:-3] + "xls"] = name
        return outputs

    def test_every_fixture_as_a_template(self):
        outputs = self.convert_all()
        self.assertGreaterEqual(len(outputs), 2 * (len(os.listdir(FIXTURES)) - len(REFUSED)) - 2)
        for path, name in outputs.items():
            with self.subTest(output=os.path.basename(path), check="xlrd"):
                log = io.StringIO()
                book = xlrd.open_workbook(path, formatting_info=True, logfile=log)
                self.assertGreaterEqual(book.nsheets, 1)
                self.assertEqual(log.getvalue().strip(), "", name)
            with self.subTest(output=os.path.basename(path), check="records"):
                problems = [p for p in xls_records.check_file(path) if p[0] not in xls_records.PENDING]
                self.assertEqual(problems, [], name)
        self.check_libreoffice(outputs)
        self.check_poi(outputs)

    def check_libreoffice(self, outputs):
        profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, profile, True)
        out = os.path.join(profile, "out")
        run = subprocess.run(["soffice", "-env:UserInstallation=file://" + profile + "/user", "--headless",
                              "--convert-to", "csv", "--outdir", out, *outputs], capture_output=True, timeout=1800)
        self.assertEqual(run.returncode, 0, run.stderr)
        for path, name in outputs.items():
            with self.subTest(output=os.path.basename(path), check="LibreOffice"):
                csv = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + ".csv")
                self.assertTrue(os.path.exists(csv), name)

    def check_poi(self, outputs):
        if not (shutil.which("java") and all(map(os.path.exists, JARS))):
            self.skipTest("needs Java and Apache POI")
        run = subprocess.run(["java", "-cp", ":".join(JARS), POI_CHECK, *outputs], capture_output=True, text=True,
                             timeout=1800)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)


if __name__ == "__main__":
    unittest.main()
