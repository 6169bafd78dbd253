"""LibreOffice reads the references of the split workbook packages where
test_xlsx_references works them out by hand: it opens each, and the copy it
saves names the same places (names, chart ranges, conditional formats,
drawing anchors). Every Excel-made package serves as a template of the
split and of the note, and each result holds together and opens."""
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


@unittest.skipUnless(shutil.which("soffice"), "needs LibreOffice")
class EveryFixtureSplitTest(PackageSplitTest):
    """Every Excel-made workbook package as the template of the per-client
    report (sheets copied and cut) and of the report with a note and number
    formats: each result holds together (every relationship reaches a part,
    names point at sheets that exist) and opens in openpyxl and in
    LibreOffice."""

    def test_every_fixture_as_a_template(self):
        from harness import EXAMPLES
        from test_xlsx_references import FIXTURES
        import openpyxl
        written = []
        for fixture in sorted(os.listdir(FIXTURES)):
            if fixture == "chart_sheet.xlsx":
                continue  # its first sheet is a chart: refused
            for code in ("DAYRUR", "RMSDAYCLR"):
                shutil.copy2(os.path.join(FIXTURES, fixture), os.path.join(self.inst.dir, "template", code + ".xltx"))
                example = [f for f in os.listdir(EXAMPLES) if f.startswith(code + "~") and f.endswith(".xml")][0]
                path = self.inst.copy_example(example, code + "~" + os.path.splitext(fixture)[0] + ".xml")
                status, _, err = self.inst.run(path, "/f:xlsx")
                self.assertEqual(status, 0, (fixture, code, err))
                out = path[:-4] + ".xlsx"
                written.append(out)
                openpyxl.load_workbook(out)
                with zipfile.ZipFile(out) as z:
                    names = set(z.namelist())
                    for rels in [n for n in names if n.endswith(".rels")]:
                        folder = os.path.dirname(os.path.dirname(rels))
                        xml = z.read(rels).decode("utf-8")
                        for target, mode in re.findall(r'Target="([^"]*)"(?: TargetMode="([^"]*)")?', xml):
                            if mode == "External":
                                continue
                            part = target.lstrip("/") if target.startswith("/") else \
                                os.path.normpath(os.path.join(folder, target)).replace("\\", "/")
                            self.assertIn(part, names, (fixture, code, rels, target))
                    workbook = z.read("xl/workbook.xml").decode("utf-8")
                    sheets = len(re.findall(r"<sheet ", workbook))
                    for local in re.findall(r'localSheetId="(\d+)"', workbook):
                        self.assertLess(int(local), sheets, (fixture, code))
                    tables = [re.search(r'displayName="([^"]*)"', z.read(n).decode("utf-8")).group(1).upper()
                              for n in names if n.startswith("xl/tables/")]
                    self.assertEqual(len(tables), len(set(tables)), (fixture, code))
        profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, profile, True)
        out_dir = os.path.join(profile, "out")
        p = subprocess.run(["soffice", "-env:UserInstallation=file://" + profile + "/user", "--headless",
                            "--convert-to", "ods", "--outdir", out_dir] + written, capture_output=True, timeout=900)
        self.assertEqual(p.returncode, 0, p.stderr)
        for f in written:
            self.assertTrue(os.path.exists(os.path.join(out_dir, os.path.basename(f)[:-5] + ".ods")), f)
