"""Each bundled example as a browser draws it and as LibreOffice draws our
files of it: no word or number that the browser keeps on one line may break
across lines in our document, no text in our workbook may be cut at a
column edge, and no workbook row may be taller than its lines need.

The page is rendered with xsltproc and drawn by headless Chromium on the
template's paper; our .doc and .xls are drawn by LibreOffice; the texts are
compared through pdftotext -layout, cell edges found with PyMuPDF. The
pictures (Chromium's screenshot, every page of each PDF) are kept in
QUORLEX_ARTIFACTS_DIR/visual for a person to look at."""
import collections
import html.parser
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import fitz
import xlrd

import harness

# The paper of each example's templates (scripts/make-templates).
LANDSCAPE = {"DAYRUR": True, "DAYREPO": True, "RMSDAYCLR": True, "DAYFEEGZP": False,
             "FEE_ZID_1": False}
PAGE_STYLE = "<style>@page {{ size: A4 {0}; margin: 1.5cm 1cm 1.5cm 1.5cm }}</style>"
CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync"]
# A number the browser keeps on one line: digit groups, decimals.
GROUPED = re.compile(r"^-?\d{1,3}(?: \d{3})+(?:,\d+)?$")
# How far (points) a word's box may reach over a cell edge: antialiasing and
# the half-width of the line itself.
EDGE_TOLERANCE = 0.8


def run(args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, timeout=300, **kwargs)


def tokens(text):
    return set(text.split())


class PageText(html.parser.HTMLParser):
    """The words of a page as its markup holds them: what a browser breaks
    only at spaces (and, in a narrow column, after a hyphen)."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.words, self.skip = set(), 0

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style", "title"):
            self.skip += 1
        for name, value in attrs:
            if name == "value" and value:
                self.words |= tokens(value)

    def handle_endtag(self, tag):
        if tag in ("script", "style", "title"):
            self.skip -= 1

    def handle_data(self, data):
        if not self.skip:
            self.words |= tokens(data)

    def breakable(self):
        """The words, and the pieces a line break after a hyphen leaves."""
        out = set(self.words)
        for word in self.words:
            for k, c in enumerate(word[:-1]):
                if c == "-" and k > 0:
                    out |= {word[:k + 1], word[k + 1:]}
        return out


def fields(text):
    """The pieces of each line that pdftotext -layout sets apart by two or
    more spaces."""
    out = []
    for line in text.splitlines():
        out += [f.strip() for f in re.split(r" {2,}", line) if f.strip()]
    return out


class VisualComparison(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for tool in ("chromium", "soffice", "pdftotext", "pdftoppm", "xsltproc"):
            if shutil.which(tool) is None:
                raise unittest.SkipTest(tool + " is not installed")
        cls.inst = harness.Installation()
        cls.work = cls.inst.work
        cls.tmp = tempfile.mkdtemp(prefix="quorlex-visual-")
        artifacts = os.environ.get("QUORLEX_ARTIFACTS_DIR")
        cls.artifacts = os.path.join(artifacts, "visual") if artifacts else os.path.join(cls.tmp, "artifacts")
        shutil.rmtree(cls.artifacts, ignore_errors=True)
        os.makedirs(cls.artifacts)
        cls.codes = sorted(LANDSCAPE)
        for code in cls.codes:
            cls.inst.copy_example(code + "~1.xml")
        for code in cls.codes:
            for fmt in ("xls", "doc"):
                status, _, err = cls.inst.run(os.path.join(cls.work, code + "~1.xml"), "/f:" + fmt)
                assert status == 0, (code, fmt, err)
        cls.words = {}
        cls.browser = {code: cls.draw_in_browser(code) for code in cls.codes}
        cls.doc = cls.draw_in_office("doc")
        cls.xls = cls.draw_in_office("xls")
        cls.template_doc = cls.draw_templates()

    @classmethod
    def tearDownClass(cls):
        cls.inst.cleanup()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def draw_in_browser(cls, code):
        source = os.path.join(cls.work, code + "~1.xml")
        html = os.path.join(cls.tmp, code + ".html")
        run(["xsltproc", "-o", html, source])
        with open(html, "rb") as f:
            page = f.read()
        style = PAGE_STYLE.format("landscape" if LANDSCAPE[code] else "portrait").encode()
        page = page.replace(b"</head>", style + b"</head>", 1) if b"</head>" in page else style + page
        with open(html, "wb") as f:
            f.write(page)
        reader = PageText()
        reader.feed(page.decode("cp1251"))
        cls.words[code] = reader.breakable()
        profile = tempfile.mkdtemp(prefix="chromium-", dir=cls.tmp)
        pdf = os.path.join(cls.tmp, code + ".browser.pdf")
        common = CHROMIUM + ["--user-data-dir=" + profile]
        run(common + ["--print-to-pdf=" + pdf, "--no-pdf-header-footer", "file://" + html])
        run(common + ["--window-size=1400,1000",
                      "--screenshot=" + os.path.join(cls.artifacts, code + ".browser.png"),
                      "file://" + html])
        return run(["pdftotext", "-layout", pdf, "-"]).stdout.decode("utf-8")

    @classmethod
    def draw_in_office(cls, ext):
        out = os.path.join(cls.tmp, ext)
        profile = "file://" + os.path.join(cls.tmp, "lo-profile")
        run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
             "--outdir", out] + [os.path.join(cls.work, c + "~1." + ext) for c in cls.codes])
        drawn = {}
        for code in cls.codes:
            pdf = os.path.join(out, code + "~1.pdf")
            run(["pdftoppm", "-r", "80", "-png", pdf, os.path.join(cls.artifacts, code + "." + ext)])
            drawn[code] = (pdf, run(["pdftotext", "-layout", pdf, "-"]).stdout.decode("utf-8"))
        return drawn

    @classmethod
    def draw_templates(cls):
        """The text the document templates bring themselves (header, footer,
        closing note)."""
        out = os.path.join(cls.tmp, "templates")
        profile = "file://" + os.path.join(cls.tmp, "lo-profile")
        run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
             "--outdir", out] + [os.path.join(cls.inst.dir, "template", c + ".doc") for c in cls.codes])
        return {c: run(["pdftotext", "-layout", os.path.join(out, c + ".pdf"), "-"]).stdout.decode("utf-8")
                for c in cls.codes}

    def test_no_word_is_broken_in_the_document(self):
        for code in self.codes:
            with self.subTest(code):
                allowed = self.words[code] | tokens(self.template_doc[code])
                allowed |= {"1", "2", "3", "4", "5", "6", "7", "8", "9"}  # page numbers
                broken = sorted(tokens(self.doc[code][1]) - allowed)
                self.assertEqual(broken, [], "pieces of words in %s.doc" % code)

    def test_no_number_is_broken_in_the_document(self):
        for code in self.codes:
            with self.subTest(code):
                ours = collections.Counter(f for f in fields(self.doc[code][1]) if GROUPED.match(f))
                theirs = collections.Counter(f for f in fields(self.browser[code]) if GROUPED.match(f))
                missing = sorted((theirs - ours).elements())
                self.assertEqual(missing, [], "numbers broken in %s.doc" % code)

    def test_no_text_is_cut_at_a_column_edge_in_the_workbook(self):
        for code in self.codes:
            with self.subTest(code):
                cut = []
                for page in fitz.open(self.xls[code][0]):
                    edges = []
                    for drawing in page.get_drawings():
                        for item in drawing["items"]:
                            if item[0] == "l" and abs(item[1].x - item[2].x) < 0.1:
                                edges.append((item[1].x, min(item[1].y, item[2].y), max(item[1].y, item[2].y)))
                    for x0, y0, x1, y1, word, *_ in page.get_text("words"):
                        middle = (y0 + y1) / 2
                        for x, top, bottom in edges:
                            if top < middle < bottom and x0 < x - EDGE_TOLERANCE and x1 > x + EDGE_TOLERANCE:
                                cut.append(word)
                self.assertEqual(cut, [], "texts over a column edge in %s.xls" % code)

    def test_rows_are_as_tall_as_their_lines(self):
        for code in self.codes:
            with self.subTest(code):
                book = xlrd.open_workbook(os.path.join(self.work, code + "~1.xls"), formatting_info=True)
                for sheet in book.sheets():
                    default = sheet.default_row_height or 255
                    for r in range(sheet.nrows):
                        lines, one_line = 1, True
                        for c in range(sheet.row_len(r)):
                            cell = sheet.cell(r, c)
                            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                                continue
                            xf = book.xf_list[cell.xf_index]
                            font = book.font_list[xf.font_index]
                            if font.height != 200:
                                one_line = False  # a larger font: its own line height
                            if not xf.alignment.text_wrapped or cell.ctype != xlrd.XL_CELL_TEXT:
                                continue
                            lines = max(lines, cell.value.count("\n") + 1)
                            info = sheet.colinfo_map.get(c)
                            width = info.width / 256 if info else sheet.defcolwidth or 8
                            if "\n" in cell.value or len(cell.value) > width - 1:
                                one_line = False
                        info = sheet.rowinfo_map.get(r)
                        height = info.height if info else default
                        where = "%s row %d of %s" % (sheet.name, r + 1, code)
                        self.assertGreaterEqual(height, lines * 255, where)
                        if one_line:
                            self.assertLess(height, 2 * 255, where + ": one line, but taller")


if __name__ == "__main__":
    unittest.main()
