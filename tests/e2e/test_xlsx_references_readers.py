"""LibreOffice reads the references of the split workbook packages where
test_xlsx_references works them out by hand: it opens each, and the copy it
saves names the same places (names, chart ranges, conditional formats,
drawing anchors)."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from test_xlsx_references import PackageSplitTest


@unittest.skipUnless(shutil.which("soffice"), "needs LibreOffice")
class LibreOfficeReferencesTest(PackageSplitTest):
    def resaved(self, fixture):
        """The split with `fixture` as template, saved again by LibreOffice:
        its parts by name."""
        self.split(fixture)
        written = os.path.join(self.inst.work, "DAYREPO~1.xlsx")
        profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, profile, True)
        out = os.path.join(profile, "out")
        p = subprocess.run(["soffice", "-env:UserInstallation=file://" + profile + "/user", "--headless",
                            "--convert-to", "xlsx", "--outdir", out, written], capture_output=True, timeout=600)
        self.assertEqual(p.returncode, 0, p.stderr)
        with zipfile.ZipFile(os.path.join(out, "DAYREPO~1.xlsx")) as z:
            return {n: z.read(n).decode("utf-8", "replace").replace("&apos;", "'") for n in z.namelist()}

    def test_names(self):
        parts = self.resaved("WithVariousData.xlsx")
        names = re.findall(r'<definedName [^>]*?(?:localSheetId="(\d+)" )?name="([^"]*)"[^>]*>([^<]*)<',
                           parts["xl/workbook.xml"])
        self.assertEqual(sorted((n, local, f.lower()) for local, n, f in names), [
            ("AllANumbers", "", "'клиент а'!$a$1:$a$4"),
            ("AllANumbers", "3", "'клиент б'!$a$1:$a$2"),
            ("AllANumbers", "4", "'клиент в'!#ref!"),
            ("AllBStrings", "", "'клиент а'!$b$1:$b$4"),
            ("AllBStrings", "3", "'клиент б'!$b$1:$b$2"),
            ("AllBStrings", "4", "'клиент в'!#ref!")])

    def test_chart_ranges(self):
        parts = self.resaved("WithChart.xlsx")
        formulas = [f for n, xml in parts.items() if n.startswith("xl/charts/chart")
                    for f in re.findall(r"<c:f>([^<]*)</c:f>", xml) if "!" in f]
        self.assertEqual(formulas, ["'Клиент А'!$A$1:$A$4", "'Клиент А'!$B$1:$B$4"])

    def test_conditional_formats(self):
        parts = self.resaved("WithConditionalFormatting.xlsx")
        found = sorted(tuple(sorted(re.findall(r'<conditionalFormatting sqref="([^"]*)"', xml)))
                       for n, xml in parts.items() if n.startswith("xl/worksheets/sheet"))
        self.assertEqual(found, [(), (), (), ("A1:A3", "B1:B2", "B4"), ("A1:A4", "B1:B4")])

    def test_drawing_anchors(self):
        parts = self.resaved("62629_toMerge.xlsx")
        drawings = sorted([int(r) for r in re.findall(r"<xdr:row>(\d+)</xdr:row>", xml)]
                          for n, xml in parts.items() if re.fullmatch(r"xl/drawings/drawing\d+\.xml", n))
        # The first sheet's picture keeps its top at row 2 and ends where the
        # deleted rows began; Б's starts at row 0; В has none.
        self.assertEqual(len(drawings), 2)
        self.assertEqual([d[0] for d in drawings], [0, 2])
        self.assertTrue(all(d[1] <= 4 for d in drawings), drawings)
