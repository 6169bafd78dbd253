#!/usr/bin/python3
"""Independent view of an .xls file through xlrd, for the engine's tests.

  xls_check.py dump FILE            prints what xlrd sees, as JSON
  xls_check.py compare BEFORE AFTER exits 1 and prints the differences
                                    when AFTER lost anything BEFORE had
  xls_check.py values FILE          prints sheet<TAB>row<TAB>col<TAB>value lines
  xls_check.py fixture-values FILE  the same for a file someone else wrote,
                                    whose warnings are no fault of ours

Any warning xlrd writes while reading counts as a failure.
"""
import io
import json
import sys

import xlrd


def open_book(path, warnings_ok=False):
    log = io.StringIO()
    book = xlrd.open_workbook(path, formatting_info=True, logfile=log, verbosity=0,
                              on_demand=False)
    text = log.getvalue()
    if text.strip() and not warnings_ok:
        raise SystemExit("xlrd wrote warnings for %s:\n%s" % (path, text))
    return book


def rgb(book, index):
    return book.colour_map.get(index)


def describe_xf(book, xf_index):
    xf = book.xf_list[xf_index]
    font = book.font_list[xf.font_index]
    fmt = book.format_map.get(xf.format_key)
    b = xf.border
    return {
        "format": fmt.format_str if fmt else None,
        "font": [font.name, font.height, font.bold, font.italic, font.underline_type,
                 font.struck_out, rgb(book, font.colour_index)],
        "fill": [xf.background.fill_pattern,
                 rgb(book, xf.background.pattern_colour_index) if xf.background.fill_pattern else None,
                 rgb(book, xf.background.background_colour_index) if xf.background.fill_pattern > 1 else None],
        "border": [b.left_line_style, b.top_line_style, b.right_line_style, b.bottom_line_style,
                   rgb(book, b.left_colour_index) if b.left_line_style else None,
                   rgb(book, b.top_colour_index) if b.top_line_style else None,
                   rgb(book, b.right_colour_index) if b.right_line_style else None,
                   rgb(book, b.bottom_colour_index) if b.bottom_line_style else None],
        "align": [xf.alignment.hor_align, xf.alignment.vert_align, xf.alignment.text_wrapped,
                  xf.alignment.rotation, xf.alignment.indent_level],
        "protection": [xf.protection.cell_locked, xf.protection.formula_hidden],
    }


def dump(path):
    book = open_book(path)
    out = {"sheets": [], "names": []}
    for name in book.name_obj_list:
        out["names"].append([name.name, name.scope, name.hidden, name.builtin,
                             name.formula_text if hasattr(name, "formula_text") else None,
                             repr(name.raw_formula)])
    for sheet in book.sheets():
        s = {"name": sheet.name, "visibility": sheet.visibility, "nrows": sheet.nrows,
             "ncols": sheet.ncols, "cells": {}, "merged": sorted(sheet.merged_cells),
             "colinfo": {}, "rowinfo": {}, "notes": {}, "links": [],
             "defcolwidth": sheet.defcolwidth, "standardwidth": sheet.standardwidth,
             "default_row_height": sheet.default_row_height,
             "show_grid_lines": sheet.show_grid_lines,
             "split": [sheet.horz_split_pos, sheet.vert_split_pos],
             "page_breaks": [sheet.horizontal_page_breaks, sheet.vertical_page_breaks]}
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                s["cells"]["%d,%d" % (r, c)] = [cell.ctype, cell.value, describe_xf(book, cell.xf_index)]
        for c, info in sheet.colinfo_map.items():
            s["colinfo"][str(c)] = [info.width, info.hidden, info.outline_level,
                                    describe_xf(book, info.xf_index)]
        for r, info in sheet.rowinfo_map.items():
            s["rowinfo"][str(r)] = [info.height, info.has_default_height, info.hidden,
                                    info.outline_level]
        s["rich"] = {"%d,%d" % rc: runs for rc, runs in sheet.rich_text_runlist_map.items()}
        for (r, c), note in sheet.cell_note_map.items():
            s["notes"]["%d,%d" % (r, c)] = [note.text, note.author, note.show]
        for link in sheet.hyperlink_list:
            s["links"].append([link.frowx, link.lrowx, link.fcolx, link.lcolx, link.type,
                               link.url_or_path, link.desc, link.textmark, link.quicktip])
        out["sheets"].append(s)
    return out


def compare(before, after):
    a = dump(before)
    b = dump(after)
    diffs = []

    def walk(x, y, where):
        if isinstance(x, dict) and isinstance(y, dict):
            for k in sorted(set(x) | set(y)):
                if k not in y:
                    diffs.append("%s/%s: lost (%r)" % (where, k, x[k]))
                elif k not in x:
                    diffs.append("%s/%s: appeared (%r)" % (where, k, y[k]))
                else:
                    walk(x[k], y[k], "%s/%s" % (where, k))
        elif isinstance(x, list) and isinstance(y, list) and len(x) == len(y):
            for i, (p, q) in enumerate(zip(x, y)):
                walk(p, q, "%s[%d]" % (where, i))
        elif x != y:
            diffs.append("%s: %r -> %r" % (where, x, y))

    walk(a, b, "")
    for d in diffs[:60]:
        print(d)
    return 1 if diffs else 0


def values(path, warnings_ok=False):
    book = open_book(path, warnings_ok)
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                print("%s\t%d\t%d\t%r" % (sheet.name, r, c, cell.value))


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        print(json.dumps(dump(sys.argv[2]), ensure_ascii=False, indent=1))
    elif sys.argv[1] == "compare":
        sys.exit(compare(sys.argv[2], sys.argv[3]))
    elif sys.argv[1] == "values":
        values(sys.argv[2])
    elif sys.argv[1] == "fixture-values":
        values(sys.argv[2], warnings_ok=True)
