"""What the references of an .xls file say, read from its records by the
tests themselves (not by quorlex's engine): defined names, conditional
formats, validations, hyperlinks, page breaks, comments and cell formulas,
each with the places it names written as Excel writes them in A1 style
('Sheet'!$A$1:$C$5, #REF!). The container is opened with xlrd's compound
file reader."""
import os
import struct

from xlrd import compdoc

NAME, EXTERNSHEET, SUPBOOK, CONTINUE, BOF, EOF = 0x0018, 0x0017, 0x01AE, 0x003C, 0x0809, 0x000A
BOUNDSHEET, CONDFMT, CF, DVAL, DV, HLINK = 0x0085, 0x01B0, 0x01B1, 0x01B2, 0x01BE, 0x01B8
HPAGEBREAKS, VPAGEBREAKS, FORMULA, NOTE, CODENAME, CFEX = 0x001B, 0x001A, 0x0006, 0x001C, 0x01BA, 0x087B
BUILTIN = {0x06: "Print_Area", 0x07: "Print_Titles", 0x0C: "Sheet_Title", 0x0D: "_FilterDatabase"}
LAST_ROW, LAST_COL = 0xFFFF, 0xFF


def workbook_stream(path):
    with open(path, "rb") as f, open(os.devnull, "w") as quiet:
        doc = compdoc.CompDoc(f.read(), logfile=quiet)
    for name in ("Workbook", "Book"):
        data = doc.get_named_stream(name)
        if data:
            return data
    raise ValueError("no workbook stream in " + path)


def records(data, at=0):
    while at + 4 <= len(data):
        kind, size = struct.unpack_from("<HH", data, at)
        yield at, kind, data[at + 4:at + 4 + size]
        at += 4 + size


def col_name(col):
    name = ""
    col += 1
    while col:
        col, rest = divmod(col - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


def quoted(sheet):
    return "'" + sheet.replace("'", "''") + "'" if not sheet.isalnum() else sheet


def area_text(r1, r2, c1, c2, rel=(False, False, False, False)):
    """$A$1, $A$1:$C$5, $1:$3 (whole rows), $A:$B (whole columns)."""
    rr1, rr2, rc1, rc2 = ("" if r else "$" for r in rel)
    if c1 == 0 and c2 == LAST_COL and not (r1 == 0 and r2 == LAST_ROW):
        return "%s%d:%s%d" % (rr1, r1 + 1, rr2, r2 + 1)
    if r1 == 0 and r2 == LAST_ROW and not (c1 == 0 and c2 == LAST_COL):
        return "%s%s:%s%s" % (rc1, col_name(c1), rc2, col_name(c2))
    first = "%s%s%s%d" % (rc1, col_name(c1), rr1, r1 + 1)
    if (r1, c1) == (r2, c2):
        return first
    return first + ":%s%s%s%d" % (rc2, col_name(c2), rr2, r2 + 1)


class Book:
    def __init__(self, path):
        data = workbook_stream(path)
        self.sheet_names, offsets, supbooks, self.xtis = [], [], [], []
        self.names = []  # (text, sheet index or None, rgce)
        pending = None
        for at, kind, body in records(data):
            if kind == CONTINUE and pending is not None:
                pending[1] += body
                continue
            if pending is not None:
                self._finish(*pending, supbooks)
                pending = None
            if kind == BOUNDSHEET:
                offsets.append(struct.unpack_from("<I", body)[0])
                self.sheet_names.append(read_string(body, 6, short=True))
            elif kind == SUPBOOK:
                supbooks.append(body)
            elif kind in (EXTERNSHEET, NAME):
                pending = [kind, body]
            elif kind == EOF:
                break
        self.own_supbook = next((i for i, b in enumerate(supbooks) if len(b) == 4 and b[2:4] == b"\x01\x04"), None)
        self.sheets = [Sheet(self, i, data, offset) for i, offset in enumerate(offsets)]

    def _finish(self, kind, body, supbooks):
        if kind == EXTERNSHEET:
            count = struct.unpack_from("<H", body)[0]
            self.xtis = [struct.unpack_from("<HHH", body, 2 + 6 * i) for i in range(count)]
            return
        flags, _, cch, cce, _, itab = struct.unpack_from("<HBBHHH", body)
        wide = body[14] & 1
        raw = body[15:15 + cch * (2 if wide else 1)]
        text = raw.decode("utf-16-le" if wide else "latin-1")
        if flags & 0x20:
            text = BUILTIN.get(ord(text[0]), "builtin %d" % ord(text[0]))
        rgce = body[15 + len(raw):15 + len(raw) + cce]
        self.names.append((text, itab - 1 if itab else None, rgce))

    def xti_sheet(self, ixti):
        if ixti >= len(self.xtis):
            return "?xti%d" % ixti
        supbook, first, last = self.xtis[ixti]
        if supbook != self.own_supbook:
            return "[external]"
        if first != last:
            return "%s:%s" % (self.sheet_names[first], self.sheet_names[last])
        return self.sheet_names[first] if first < len(self.sheet_names) else "?sheet%d" % first

    def name(self, text, sheet=None):
        """The places the name `text` (of sheet index `sheet`, or the
        workbook's) refers to."""
        found = [rgce for t, s, rgce in self.names if t == text and s == sheet]
        if not found:
            return None
        return references(self, found[0], None, base=None)

    def name_list(self, sheet):
        return sorted(t for t, s, _ in self.names if s == sheet)


def read_string(body, at, short=False):
    if short:
        count = body[at]
        at += 1
    else:
        count = struct.unpack_from("<H", body, at)[0]
        at += 2
    wide = body[at] & 1
    raw = body[at + 1:at + 1 + count * (2 if wide else 1)]
    return raw.decode("utf-16-le" if wide else "latin-1")


def read_sqref(body, at):
    count = struct.unpack_from("<H", body, at)[0]
    return [struct.unpack_from("<HHHH", body, at + 2 + 8 * i) for i in range(count)]


def sqref_text(areas):
    return " ".join(area_text(r1, r2, c1, c2) for r1, r2, c1, c2 in areas)


def token_size(rgce, at):
    t = rgce[at]
    base = (t & 0x1F) | 0x20 if t >= 0x20 else t
    if 0x03 <= base <= 0x16:
        return 1
    if base == 0x17:
        return 3 + rgce[at + 1] * (2 if rgce[at + 2] & 1 else 1)
    if base == 0x19:
        size = 4
        if rgce[at + 1] & 0x04:
            size += 2 * (struct.unpack_from("<H", rgce, at + 2)[0] + 1)
        return size
    fixed = {0x01: 5, 0x02: 5, 0x18: 6, 0x1C: 2, 0x1D: 2, 0x1E: 3, 0x1F: 9, 0x20: 8, 0x21: 3, 0x22: 4, 0x23: 5,
             0x24: 5, 0x25: 9, 0x26: 7, 0x27: 7, 0x28: 7, 0x29: 3, 0x2A: 5, 0x2B: 9, 0x2C: 5, 0x2D: 9, 0x39: 7,
             0x3A: 7, 0x3B: 11, 0x3C: 7, 0x3D: 11}
    return fixed[base]


def references(book, rgce, sheet, base):
    """The places a formula names, in token order: 'Sheet'!$A$1 for 3-D
    tokens, $A$1 for plain ones, #REF! with its sheet for lost ones.
    Relative tokens (PtgRefN/AreaN) are read from the `base` cell (row, col)."""
    out, at = [], 0
    while at < len(rgce):
        t = rgce[at]
        base_t = (t & 0x1F) | 0x20 if t >= 0x20 else t
        size = token_size(rgce, at)
        if base_t in (0x24, 0x2C):
            row, col = struct.unpack_from("<HH", rgce, at + 1)
            out.append(cell_text(row, col, base_t == 0x2C, base))
        elif base_t in (0x25, 0x2D):
            r1, r2, c1, c2 = struct.unpack_from("<HHHH", rgce, at + 1)
            out.append(area_ref(r1, r2, c1, c2, base_t == 0x2D, base))
        elif base_t in (0x2A, 0x2B):
            out.append("#REF!")
        elif base_t == 0x3A:
            ixti, row, col = struct.unpack_from("<HHH", rgce, at + 1)
            out.append(quoted(book.xti_sheet(ixti)) + "!" + cell_text(row, col, False, None))
        elif base_t == 0x3B:
            ixti, r1, r2, c1, c2 = struct.unpack_from("<HHHHH", rgce, at + 1)
            out.append(quoted(book.xti_sheet(ixti)) + "!" + area_ref(r1, r2, c1, c2, False, None))
        elif base_t in (0x3C, 0x3D):
            ixti = struct.unpack_from("<H", rgce, at + 1)[0]
            out.append(quoted(book.xti_sheet(ixti)) + "!#REF!")
        at += size
    return out


def _place(value, col, relative, base, is_row):
    if not relative or base is None:
        return value
    if is_row:
        return (base[0] + value) & 0xFFFF
    return (base[1] + (value - 256 if value & 0x80 else value)) & 0xFF


def cell_text(row, colword, relative_n, base):
    rrel, crel, col = bool(colword & 0x8000), bool(colword & 0x4000), colword & 0xFF
    row = _place(row, col, relative_n and rrel, base, True)
    col = _place(col, col, relative_n and crel, base, False)
    return area_text(row, row, col, col, (rrel, rrel, crel, crel))


def area_ref(r1, r2, w1, w2, relative_n, base):
    rel = (bool(w1 & 0x8000), bool(w2 & 0x8000), bool(w1 & 0x4000), bool(w2 & 0x4000))
    c1, c2 = w1 & 0xFF, w2 & 0xFF
    r1 = _place(r1, c1, relative_n and rel[0], base, True)
    r2 = _place(r2, c2, relative_n and rel[1], base, True)
    c1 = _place(c1, c1, relative_n and rel[2], base, False)
    c2 = _place(c2, c2, relative_n and rel[3], base, False)
    return area_text(r1, r2, c1, c2, rel)


class Sheet:
    def __init__(self, book, index, data, offset):
        self.name = book.sheet_names[index]
        self.formats = []      # (cells, [references of each rule])
        self.validations = []  # (cells, references of formula 1 and 2)
        self.validation_count = None
        self.hyperlinks = []   # cells
        self.row_breaks, self.column_breaks = [], []
        self.notes = []        # (row, col)
        self.formulas = {}     # (row, col) -> references
        self.code_name = None
        depth, rules = 0, None
        for at, kind, body in records(data, offset):
            if kind == BOF:
                depth += 1
            elif kind == EOF:
                depth -= 1
                if depth == 0:
                    break
            if depth != 1:
                continue
            if kind == CONDFMT:
                areas = read_sqref(body, 12)
                rules = (sqref_text(areas), [], (areas[0][0], areas[0][2]) if areas else None)
                self.formats.append(rules)
            elif kind == CF and rules is not None:
                cce1, cce2 = struct.unpack_from("<HH", body, 2)
                start = len(body) - cce1 - cce2
                rules[1].append(references(book, body[start:], index, rules[2]))
            elif kind == DVAL:
                self.validation_count = struct.unpack_from("<I", body, 14)[0]
            elif kind == DV:
                at = 4
                for _ in range(4):
                    count = struct.unpack_from("<H", body, at)[0]
                    at += 3 + count * (2 if body[at + 2] & 1 else 1)
                formulas = []
                for _ in range(2):
                    cce = struct.unpack_from("<H", body, at)[0]
                    formulas.append(body[at + 4:at + 4 + cce])
                    at += 4 + cce
                areas = read_sqref(body, at)
                r1, _, c1, _ = min(areas) if areas else (0, 0, 0, 0)
                self.validations.append((sqref_text(areas), [references(book, f, index, (r1, c1)) for f in formulas]))
            elif kind == HLINK:
                self.hyperlinks.append(area_text(*struct.unpack_from("<HHHH", body)))
            elif kind == HPAGEBREAKS:
                count = struct.unpack_from("<H", body)[0]
                self.row_breaks = [struct.unpack_from("<H", body, 2 + 6 * i)[0] for i in range(count)]
            elif kind == VPAGEBREAKS:
                count = struct.unpack_from("<H", body)[0]
                self.column_breaks = [struct.unpack_from("<H", body, 2 + 6 * i)[0] for i in range(count)]
            elif kind == NOTE:
                self.notes.append(struct.unpack_from("<HH", body))
            elif kind == FORMULA:
                row, col = struct.unpack_from("<HH", body)
                cce = struct.unpack_from("<H", body, 20)[0]
                self.formulas[(row, col)] = references(book, body[22:22 + cce], index, None)
            elif kind == CODENAME:
                self.code_name = read_string(body, 0)
