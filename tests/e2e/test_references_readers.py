"""The split workbooks of test_references read by LibreOffice: converted to
.xlsx, whose XML shows names, print ranges, conditional formats, links,
page breaks and comments as text, they say what our own reading says."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from test_references import SplitTest


def xlsx_parts(path):
    with zipfile.ZipFile(path) as z:
        return {n: z.read(n).decode("utf-8") for n in z.namelist() if n.endswith(".xml")}


@unittest.skipUnless(shutil.which("soffice"), "needs LibreOffice")
class LibreOfficeReadsTheSplitTest(SplitTest):
    def libreoffice(self, fixture):
        """The split workbook converted to .xlsx by LibreOffice: its parts."""
        self.split(fixture)
        source = os.path.join(self.inst.work, "DAYREPO~1.xls")
        profile = tempfile.mkdtemp(prefix="quorlex-lo-")
        self.addCleanup(shutil.rmtree, profile, True)
        p = subprocess.run(["soffice", "-env:UserInstallation=file://" + profile + "/user", "--headless",
                            "--convert-to", "xlsx", "--outdir", profile, source], capture_output=True, timeout=300)
        self.assertEqual(p.returncode, 0, p.stderr)
        return xlsx_parts(os.path.join(profile, "DAYREPO~1.xlsx"))

    def names(self, parts):
        """(sheet number or "", name, formula) of each defined name."""
        found = []
        for attributes, value in re.findall(r'<definedName([^>]*)>([^<]*)</definedName>', parts["xl/workbook.xml"]):
            sheet = re.search(r'localSheetId="(\d+)"', attributes)
            found.append((sheet.group(1) if sheet else "", re.search(r' name="([^"]+)"', attributes).group(1), value))
        return found

    def test_print_areas(self):
        names = self.names(self.libreoffice("SimpleWithPrintArea.xls"))
        self.assertIn(("0", "_xlnm.Print_Area", "&apos;Клиент А&apos;!$A$1:$C$4"), names)
        lost = sorted(sheet for sheet, _, value in names if value == "#REF!")
        self.assertEqual(lost, ["3", "4"])

    def test_conditional_formats(self):
        parts = self.libreoffice("WithConditionalFormatting.xls")
        ranges = lambda n: re.findall(r'<conditionalFormatting sqref="([^"]+)"', parts["xl/worksheets/sheet%d.xml" % n])
        self.assertEqual(sorted(ranges(1)), ["A1:A4", "B1:B4"])
        self.assertEqual(sorted(ranges(4)), ["A1:A3", "B1:B2", "B4"])
        self.assertIn("<formula>$A$3&gt;5</formula>", parts["xl/worksheets/sheet4.xml"])
        self.assertEqual(ranges(5), [])

    def test_links_breaks_and_comments(self):
        parts = self.libreoffice("WithHyperlink.xls")
        self.assertEqual(re.findall(r'<hyperlink ref="([^"]+)"', parts["xl/worksheets/sheet1.xml"]), ["A4"])
        self.assertNotIn("<hyperlink ", parts["xl/worksheets/sheet4.xml"])
        parts = self.libreoffice("SimpleWithPageBreaks.xls")
        breaks = lambda n: re.findall(r'<rowBreaks[^>]*>(.*?)</rowBreaks>', parts["xl/worksheets/sheet%d.xml" % n])
        for n, row in ((1, 4), (4, 5), (5, 13)):
            self.assertRegex("".join(breaks(n)), r'<brk id="%d"' % row)
        parts = self.libreoffice("SimpleWithComments.xls")
        comments = [p for name, p in parts.items() if name.startswith("xl/comments")]
        self.assertEqual(len(comments), 1)
        self.assertEqual(re.findall(r'<comment ref="([^"]+)"', comments[0]), ["B1", "B2"])
