"""Reading the workbook packages quorlex writes with an independent reader
(openpyxl), in the terms the workbook tests check with xlrd."""
import re
import zipfile

try:
    import openpyxl
except ImportError:  # scripts/install-deps --test installs python3-openpyxl
    openpyxl = None

WORKBOOK_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"


def open_workbook(path):
    return openpyxl.load_workbook(path)


def text(sheet, row, col):
    """The cell's value as the xls tests read it (1-based): numbers as an
    English CStr shows them, empty cells as ""."""
    if row > sheet.max_row or col > sheet.max_column:
        return ""
    v = sheet.cell(row, col).value
    if v is None:
        return ""
    if isinstance(v, bool):
        return str(int(v))
    if isinstance(v, (int, float)):
        if v == int(v) and abs(v) < 1e15:
            return str(int(v))
        return repr(float(v)).replace("e+", "E+").replace("e-", "E-")
    return str(v)


def rows_of(sheet):
    """Every row's texts, trailing empty cells and rows left out."""
    out = []
    for r in range(1, sheet.max_row + 1):
        row = [text(sheet, r, c) for c in range(1, sheet.max_column + 1)]
        while row and row[-1] == "":
            row.pop()
        out.append(row)
    while out and not out[-1]:
        out.pop()
    return out


def number_format(sheet, row, col):
    return sheet.cell(row, col).number_format


def wraps(sheet, row, col):
    return bool(sheet.cell(row, col).alignment.wrap_text)


def main_content_type(path):
    with zipfile.ZipFile(path) as z:
        types = z.read("[Content_Types].xml").decode("utf-8")
    m = re.search(r'PartName="/xl/workbook.xml" ContentType="([^"]+)"', types)
    return m.group(1) if m else None
