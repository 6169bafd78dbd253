"""Reading the workbooks quorlex writes with an independent reader (xlrd,
with formatting information), in the terms the tests check."""
import math

import xlrd


def open_workbook(path):
    return xlrd.open_workbook(path, formatting_info=True, on_demand=False)


def text(sheet, row, col):
    """The cell's value as the converter reads it (1-based row and column):
    numbers as an English CStr shows them, empty cells as ""."""
    if row > sheet.nrows or col > sheet.ncols:
        return ""
    cell = sheet.cell(row - 1, col - 1)
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        v = cell.value
        if v == int(v) and abs(v) < 1e15:
            return str(int(v))
        return repr(v).replace("e+", "E+").replace("e-", "E-")
    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return ""
    return str(cell.value)


def number_format(book, sheet, row, col):
    xf = book.xf_list[sheet.cell_xf_index(row - 1, col - 1)]
    return book.format_map[xf.format_key].format_str


def wraps(book, sheet, row, col):
    xf = book.xf_list[sheet.cell_xf_index(row - 1, col - 1)]
    return bool(xf.alignment.text_wrapped)


def column_width_chars(sheet, col):
    """Width of a column in characters of the standard font, as the
    spreadsheet's ColumnWidth reports it."""
    info = sheet.colinfo_map.get(col - 1)
    units = info.width if info is not None else sheet.defcolwidth * 256 + 256 if sheet.defcolwidth else 2340
    if info is None and sheet.standardwidth is not None:
        units = sheet.standardwidth
    pixels = math.floor(units / 256 * 7 + 0.5)
    if pixels <= 5:
        return 0.0 if pixels <= 0 else round(pixels / 12 * 100) / 100
    return round((pixels - 5) / 7 * 100) / 100


def all_texts(sheet):
    return [text(sheet, r, c) for r in range(1, sheet.nrows + 1) for c in range(1, sheet.ncols + 1)]
