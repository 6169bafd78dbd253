"""Excel-made workbook packages as templates of a per-client report: after
the split, chart ranges, defined names, drawing anchors, conditional
formats, validations, hyperlinks and cell formulas in the package's parts
point where Excel's copy of the data sheet followed by its row deletions
points them, worked out by hand from the same report and the same steps as
the Excel 97-2003 reference tests (see test_references)."""
import os
import re
import shutil
import unittest
import zipfile

from harness import InstallationTest
from test_references import REPORT, SECOND_REPORT, SECOND_STYLESHEET, STYLESHEET
from xlsx_check import openpyxl

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xlsx")
A, B, V = "'Клиент А'", "'Клиент Б'", "'Клиент В'"
CLIENT_SHEETS = ["Клиент А", "Клиент Б", "Клиент В"]


class Package:
    """The parts of a written package, found the way its relationships
    find them."""

    def __init__(self, path):
        with zipfile.ZipFile(path) as z:
            self.parts = {n: z.read(n).decode("utf-8", "replace") for n in z.namelist()}
        workbook = self.parts["xl/workbook.xml"]
        rels = self.rels("xl/workbook.xml")
        self.sheet_names = []
        self.sheet_parts = {}
        for name, rid in re.findall(r'<sheet name="([^"]*)"[^>]*r:id="([^"]*)"', workbook):
            self.sheet_names.append(name)
            self.sheet_parts[name] = rels[rid]
        self.names = re.findall(r"<definedName ([^>]*)>([^<]*)</definedName>", workbook)

    def rels(self, part):
        folder, base = os.path.split(part)
        xml = self.parts.get(os.path.join(folder, "_rels", base + ".rels"), "")
        out = {}
        for rid, target in re.findall(r'Id="([^"]*)"[^>]*Target="([^"]*)"', xml) + [
                (i, t) for t, i in re.findall(r'Target="([^"]*)"[^>]*Id="([^"]*)"', xml)]:
            out[rid] = os.path.normpath(os.path.join(folder, target)).lstrip("/")
        return out

    def sheet(self, name):
        return self.parts[self.sheet_parts[name]]

    def name(self, text, local=None):
        """The formula of a defined name, local to sheet number `local`."""
        found = []
        for attributes, formula in self.names:
            if 'name="%s"' % text not in attributes:
                continue
            m = re.search(r'localSheetId="(\d+)"', attributes)
            if (int(m.group(1)) if m else None) == local:
                found.append(formula.replace("&apos;", "'"))
        return found

    def related(self, part, kind):
        rels_xml = self.parts.get(os.path.join(os.path.dirname(part), "_rels", os.path.basename(part) + ".rels"), "")
        targets = self.rels(part)
        return [targets[i] for i, t in re.findall(r'Id="([^"]*)"[^>]*Type="([^"]*)"', rels_xml) if t.endswith("/" + kind)]

    def anchors(self, sheet):
        """(from row, from row offset, to row, to row offset) of each anchor
        of the sheet's drawings."""
        out = []
        for drawing in self.related(self.sheet_parts[sheet], "drawing"):
            for a in re.findall(r"<xdr:twoCellAnchor.*?</xdr:twoCellAnchor>", self.parts[drawing], re.S):
                rows = [int(v) for v in re.findall(r"<xdr:row>(\d+)</xdr:row>", a)]
                offsets = [int(v) for v in re.findall(r"<xdr:rowOff>(\d+)</xdr:rowOff>", a)]
                out.append((rows[0], offsets[0], rows[1], offsets[1]))
        return out

    def chart_formulas(self, sheet):
        out = []
        for drawing in self.related(self.sheet_parts[sheet], "drawing"):
            for chart in self.related(drawing, "chart"):
                out += [f.replace("&apos;", "'") for f in re.findall(r"<c:f>([^<]*)</c:f>", self.parts[chart])]
        return out


@unittest.skipIf(openpyxl is None, "needs python3-openpyxl")
class PackageSplitTest(InstallationTest):
    def split(self, fixture):
        source = fixture if os.path.isabs(fixture) else os.path.join(FIXTURES, fixture)
        shutil.copy2(source, os.path.join(self.inst.dir, "template", "DAYREPO.xltx"))
        self.inst.write("split.xsl", STYLESHEET)
        path = self.inst.write("DAYREPO~1.xml", REPORT)
        status, _, err = self.inst.run(path, "/f:xlsx")
        self.assertEqual(status, 0, err)
        out = path[:-4] + ".xlsx"
        # An independent reader takes the whole package.
        self.book = openpyxl.load_workbook(out)
        return Package(out)


class ChartRangeTest(PackageSplitTest):
    def test_chart_of_another_sheet_follows_the_data_sheets_rows(self):
        package = self.split("WithChart.xlsx")  # Sheet2's chart: Sheet1!$A$1:$A$6, $B$1:$B$6
        self.assertEqual(package.sheet_names, ["Клиент А", "Sheet2", "Sheet3", "Клиент Б", "Клиент В"])
        # Row 1 deleted (A1:A5), then rows 5-14: A1:A4 on the first client's sheet.
        self.assertEqual(package.chart_formulas("Sheet2"), [A + "!$A$1:$A$4", A + "!$B$1:$B$4"])
        for name in CLIENT_SHEETS:
            self.assertEqual(package.chart_formulas(name), [])
        chart = self.book["Sheet2"]._charts[0]
        self.assertEqual([s.val.numRef.f for s in chart.series], [A + "!$A$1:$A$4", A + "!$B$1:$B$4"])


class DefinedNameTest(PackageSplitTest):
    def test_workbook_names_of_the_data_sheet(self):
        package = self.split("WithVariousData.xlsx")  # AllANumbers: Sheet1!$A$2:$A$7
        # The data sheet: row 1, then rows 5-14 deleted.
        self.assertEqual(package.name("AllANumbers"), [A + "!$A$1:$A$4"])
        self.assertEqual(package.name("AllBStrings"), [A + "!$B$1:$B$4"])
        # Each copy takes a name of its own, cut as the copy is: Б keeps
        # rows 5-6 of A1:A6 (now 1-2), В loses the whole area.
        self.assertEqual(package.name("AllANumbers", 3), [B + "!$A$1:$A$2"])
        self.assertEqual(package.name("AllANumbers", 4), [V + "!#REF!"])
        # The properties list the workbook's own sheets and names.
        titles = re.findall(r"<vt:lpstr>([^<]*)</vt:lpstr>", package.parts["docProps/app.xml"])
        self.assertEqual(titles, ["Worksheets", "Named Ranges", "Клиент А", "Sheet2", "Sheet3", "Клиент Б", "Клиент В",
                                  "AllANumbers", "AllBStrings", B + "!AllANumbers", B + "!AllBStrings",
                                  V + "!AllANumbers", V + "!AllBStrings"])
        read = {(n.name, n.localSheetId): n.attr_text for n in self.book.defined_names.definedName}
        self.assertEqual(read[("AllANumbers", None)], A + "!$A$1:$A$4")
        self.assertEqual(read[("AllANumbers", 3)], B + "!$A$1:$A$2")

    def test_hyperlink_follows_its_row_or_goes_with_it(self):
        package = self.split("WithVariousData.xlsx")  # a link in C4
        self.assertEqual(re.findall(r'<hyperlink ref="([^"]*)"', package.sheet("Клиент А")), ["C3"])
        for name in ("Клиент Б", "Клиент В"):
            self.assertNotIn("<hyperlinks", package.sheet(name))
        self.assertEqual(self.book["Клиент А"]["C3"].hyperlink.target is not None, True)


class DrawingAnchorTest(PackageSplitTest):
    def test_picture_moves_shrinks_or_goes_with_its_rows(self):
        package = self.split("62629_toMerge.xlsx")  # rows 3-7 (0-based) of 5P_CM
        # Row 1 deleted: 2-6. The first sheet then loses rows 5-14: the
        # bottom edge falls in them and stops at their top.
        first, first_offset, last, last_offset = package.anchors("Клиент А")[0]
        self.assertEqual((first, first_offset, last, last_offset), (2, 57150, 4, 0))
        # Б loses rows 1-4: the top edge stops at row 0 and the rest moves up.
        first, first_offset, last, last_offset = package.anchors("Клиент Б")[0]
        self.assertEqual((first, first_offset, last), (0, 0, 2))
        # В loses rows 1-9, the whole picture.
        self.assertEqual(package.anchors("Клиент В"), [])
        # Each client's sheet has a drawing of its own.
        drawings = [package.related(package.sheet_parts[n], "drawing") for n in CLIENT_SHEETS]
        self.assertEqual(len({d[0] for d in drawings if d}), 3)


class ConditionalFormatTest(PackageSplitTest):
    def formats(self, xml):
        return [(sqref, re.findall(r"<formula>([^<]*)</formula>", body))
                for sqref, body in re.findall(r'<conditionalFormatting sqref="([^"]*)">(.*?)</conditionalFormatting>', xml, re.S)]

    def test_formats_shrink_move_and_go(self):
        package = self.split("WithConditionalFormatting.xlsx")  # A1:A8, B9 ($A$8&gt;5), B1:B7
        # Row 1 deleted: A1:A7, B8 ($A$7), B1:B6; then rows 5-14 on the
        # first client's sheet, which take B8 with them.
        first = dict(self.formats(package.sheet("Клиент А")))
        self.assertEqual(first, {"A1:A4": ["3", "-3"], "B1:B4": ['"AAA"', '"A"', '"AAA"']})
        # Б loses rows 10-14 and 1-4: B8 is B4 and its formula names $A$3.
        copy = dict(self.formats(package.sheet("Клиент Б")))
        self.assertEqual(sorted(copy), ["A1:A3", "B1:B2", "B4"])
        self.assertEqual(copy["B4"], ["$A$3&gt;5"])
        self.assertNotIn("<conditionalFormatting", package.sheet("Клиент В"))
        self.assertEqual(sorted(str(r.sqref) for r in self.book["Клиент Б"].conditional_formatting),
                         ["A1:A3", "B1:B2", "B4"])


class ValidationTest(PackageSplitTest):
    def test_validations_keep_a_true_count(self):
        package = self.split("DataValidations-49244.xlsx")
        for name in CLIENT_SHEETS:
            xml = package.sheet(name)
            block = re.search(r'<dataValidations count="(\d+)"[^>]*>(.*?)</dataValidations>', xml, re.S)
            if block is None:
                continue
            self.assertEqual(int(block.group(1)), block.group(2).count("<dataValidation "))
            self.assertEqual(len(self.book[name].data_validations.dataValidation), int(block.group(1)))


class CellFormulaTest(PackageSplitTest):
    def test_formulas_name_the_sheets_by_their_new_names(self):
        package = self.split("45540_classic_Header.xlsx")
        data = package.sheet_names[0]
        self.assertEqual(data, "Клиент А")
        # Formulas on other sheets that named the data sheet name it by the
        # client's name, and none names a sheet that is gone.
        formulas = []
        for name in package.sheet_names:
            formulas += re.findall(r"<f[^>]*>([^<]*)</f>", package.sheet(name))
        self.assertTrue(formulas)
        self.assertFalse([f for f in formulas if "Profile of Class" in f])
        self.assertFalse([f for f in formulas if "\x01" in f])


@unittest.skipIf(openpyxl is None, "needs python3-openpyxl")
class SecondPartPackageTest(InstallationTest):
    """FEE_ZID_1 cuts the rows from its last title (row 4) to the last used
    row to the second sheet at A1 and deletes row 1 of the first."""

    def second_part(self, template):
        shutil.copy2(template, os.path.join(self.inst.dir, "template", "FEE_ZID_1.xltx"))
        self.inst.write("second.xsl", SECOND_STYLESHEET)
        path = self.inst.write("FEE_ZID_1~1.xml", SECOND_REPORT)
        status, _, err = self.inst.run(path, "/f:xlsx")
        self.assertEqual(status, 0, err)
        self.book = openpyxl.load_workbook(path[:-4] + ".xlsx")
        return Package(path[:-4] + ".xlsx")

    def test_chart_of_the_cut_rows_follows_them(self):
        package = self.second_part(os.path.join(FIXTURES, "WithChart.xlsx"))
        # Sheet1!$A$1:$A$6 is partly cut (rows 4-6): it stays, and loses row 1.
        self.assertEqual(package.chart_formulas("Sheet2"), ["Sheet1!$A$1:$A$5", "Sheet1!$B$1:$B$5"])

    def test_formats_validations_and_links_travel_with_the_cut_cells(self):
        # WithConditionalFormatting.xlsx (A1:A8, B9, B1:B7 on the data
        # sheet, cells down to row 9) with a validation of C4:C6 and C9
        # checked against $D$5, and a link in E5.
        template = os.path.join(self.inst.work, "Cut.xlsx")
        with zipfile.ZipFile(os.path.join(FIXTURES, "WithConditionalFormatting.xlsx")) as z_in, \
                zipfile.ZipFile(template, "w") as z_out:
            for item in z_in.infolist():
                data = z_in.read(item.filename).decode("utf-8", "surrogateescape")
                if item.filename == "xl/worksheets/sheet1.xml":
                    data = data.replace("<pageMargins", '<dataValidations count="1"><dataValidation type="whole" '
                                        'sqref="C4:C6 C9"><formula1>$D$5</formula1></dataValidation></dataValidations>'
                                        '<hyperlinks><hyperlink ref="E5" r:id="rIdLink"/></hyperlinks><pageMargins')
                if item.filename == "xl/worksheets/_rels/sheet1.xml.rels":
                    data = data.replace("</Relationships>", '<Relationship Id="rIdLink" Type="http://schemas.'
                                        'openxmlformats.org/officeDocument/2006/relationships/hyperlink" '
                                        'Target="http://example.com/" TargetMode="External"/></Relationships>')
                z_out.writestr(item, data.encode("utf-8", "surrogateescape"))
        package = self.second_part(template)
        first, second = package.sheet(package.sheet_names[0]), package.sheet(package.sheet_names[1])
        formats = lambda xml: re.findall(r'<conditionalFormatting sqref="([^"]*)"', xml)
        # Rows 4-9 cut to the second sheet, then row 1 of the first deleted.
        self.assertEqual(formats(first), ["A1:A2", "B1:B2"])
        self.assertEqual(formats(second), ["A1:A5", "B6", "B1:B4"])
        self.assertNotIn("<dataValidation", first)
        self.assertEqual(re.findall(r'<dataValidation [^>]*sqref="([^"]*)"', second), ["C1:C3 C6"])
        self.assertEqual(re.findall(r"<formula1>([^<]*)</formula1>", second), ["$D$2"])
        # The link, and the address it goes to.
        self.assertNotIn("<hyperlink", first)
        self.assertEqual(self.book.worksheets[1]["E2"].hyperlink.target, "http://example.com/")


@unittest.skipIf(openpyxl is None, "needs python3-openpyxl")
class OtherSheetTest(PackageSplitTest):
    def test_validations_and_links_of_another_sheet_follow_the_data_sheet(self):
        # WithChart.xlsx with a validation and a link on Sheet2 that name
        # the data sheet, and a formula in a cell of Sheet2.
        template = os.path.join(self.inst.work, "Referring.xlsx")
        with zipfile.ZipFile(os.path.join(FIXTURES, "WithChart.xlsx")) as z_in, zipfile.ZipFile(template, "w") as z_out:
            for item in z_in.infolist():
                data = z_in.read(item.filename)
                if item.filename == "xl/worksheets/sheet2.xml":
                    xml = data.decode("utf-8")
                    xml = xml.replace("<sheetData/>", '<sheetData><row r="2"><c r="B2"><f>SUM(Sheet1!B2:B6)+Sheet1!A6</f>'
                                      "<v>0</v></c></row></sheetData>")
                    xml = xml.replace("<pageMargins", '<dataValidations count="1"><dataValidation type="list" sqref="C3">'
                                      "<formula1>Sheet1!$A$2:$A$6</formula1></dataValidation></dataValidations>"
                                      '<hyperlinks><hyperlink ref="D4" location="Sheet1!B3" display="go"/></hyperlinks><pageMargins')
                    data = xml.encode("utf-8")
                z_out.writestr(item, data)
        package = self.split(template)
        xml = package.sheet("Sheet2")
        # Row 1, then rows 5-14 of the data sheet deleted: rows 2-6 are 1-4.
        self.assertEqual(re.findall(r"<formula1>([^<]*)</formula1>", xml), [A + "!$A$1:$A$4"])
        self.assertEqual(re.findall(r'location="([^"]*)"', xml), [A + "!B2"])
        self.assertEqual(re.findall(r"<f>([^<]*)</f>", xml), ["SUM(%s!B1:B4)+%s!#REF!" % (A, A)])
        self.assertEqual(self.book["Sheet2"]["B2"].value, "=SUM(%s!B1:B4)+%s!#REF!" % (A, A))
