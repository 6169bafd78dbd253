#!/usr/bin/python3
"""Record-level checks of Excel 97-2003 workbooks ([MS-XLS]), written for
the test suite independently of the engine that writes them.

  xls_records.py FILE...    prints each problem found, exits 1 when there
                            is one

What it checks, in each file's workbook stream:
  records      every record complete and no longer than 8,224 bytes
  substreams   BOF and EOF nest: the globals, then one substream per sheet,
               charts embedded in worksheets one level deeper
  sheets       each BOUNDSHEET points at the BOF of a substream of its type,
               every substream named once
  index        each worksheet has INDEX after its BOF, whose rows, DEFCOLWIDTH
               position and DBCELL positions are right, and each DBCELL
               leads to its rows' ROW records and first cells
  strings      the SST holds the strings it counts, cut between records
               only where a reader can go on (whole headers, whole
               characters behind an option byte, whole runs); cell
               references and the total agree; EXTSST points at the strings;
               STRING and TXO texts over CONTINUE are cut the same way
  formats      every cell, formatted row and column refers to a cell XF;
               XFCRC counts the XF records and holds their checksum
  drawings     a drawing group exactly when a sheet has a drawing; drawing
               ids and shape ids unique in the workbook, each shape id in a
               cluster of its own drawing
  code names   sheet and workbook code names unique

Problems of the last two kinds are reported under their kind's name
("drawings", "code names") so that a caller can tell them apart.
"""
import struct
import sys

import compound_file

BOF, EOF, CONTINUE = 0x0809, 0x000A, 0x003C
BOUNDSHEET, SST, EXTSST, LABELSST, STRING, LABEL, RSTRING = 0x0085, 0x00FC, 0x00FF, 0x00FD, 0x0207, 0x0204, 0x00D6
INDEX, DBCELL, ROW, DEFCOLWIDTH, COLINFO, UNCALCED = 0x020B, 0x00D7, 0x0208, 0x0055, 0x007D, 0x005E
XF, XFCRC, XFEXT = 0x00E0, 0x087C, 0x087D
BLANK, NUMBER, RK, BOOLERR, FORMULA, MULRK, MULBLANK = 0x0201, 0x0203, 0x027E, 0x0205, 0x0006, 0x00BD, 0x00BE
MSODRAWINGGROUP, MSODRAWING, TXO, OBJ, CODENAME = 0x00EB, 0x00EC, 0x01B6, 0x005D, 0x01BA
SHRFMLA, ARRAY, TABLE = 0x04BC, 0x0221, 0x0236
MAX_RECORD = 8224
SINGLE_CELLS = (BLANK, NUMBER, RK, BOOLERR, FORMULA, LABELSST, LABEL, RSTRING)
CELLS = SINGLE_CELLS + (MULRK, MULBLANK)
WORKSHEET, CHART, MACRO = 0x0010, 0x0020, 0x0040

DRAWINGS = "drawings"
CODE_NAMES = "code names"
OBPROJ = 0x00D3

# Kinds of problem the engine is known to have, still to mend: the checks
# report them without failing.
PENDING = set()


class Record:
    __slots__ = ("at", "type", "data")

    def __init__(self, at, rtype, data):
        self.at, self.type, self.data = at, rtype, data


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


class Checker:
    def __init__(self, stream):
        self.stream = stream
        self.problems = []  # (kind, text)
        self.records = []
        self.by_position = {}

    def problem(self, kind, text):
        self.problems.append((kind, text))

    def run(self):
        if not self.read_records():
            return self.problems
        substreams = self.check_substreams()
        if substreams is None:
            return self.problems
        globals_end, sheets = substreams
        self.check_sheets(globals_end, sheets)
        xfs = self.check_formats(globals_end, sheets)
        self.check_strings(globals_end)
        for start, end, kind in sheets:
            if kind == WORKSHEET:
                self.check_index(start, end)
            self.check_continued_texts(start, end)
            # A chart's data cache holds cell records whose format means nothing.
            if xfs is not None and kind in (WORKSHEET, MACRO):
                self.check_cell_formats(start, end, xfs)
        self.check_drawings(globals_end, sheets)
        self.check_code_names(globals_end, sheets)
        return self.problems

    # records and substreams

    def read_records(self):
        at = 0
        data = self.stream
        while at + 4 <= len(data):
            rtype, length = struct.unpack_from("<HH", data, at)
            if rtype == 0 and length == 0 and not any(data[at:]):
                break  # the stream padded with zeros, as some writers leave it
            if at + 4 + length > len(data):
                self.problem("records", "record 0x%04X at %d runs past the stream" % (rtype, at))
                return False
            if length > MAX_RECORD:
                self.problem("records", "record 0x%04X at %d is %d bytes long" % (rtype, at, length))
            self.by_position[at] = len(self.records)
            self.records.append(Record(at, rtype, data[at + 4:at + 4 + length]))
            at += 4 + length
        if at < len(data) and any(data[at:]):
            self.problem("records", "%d bytes after the last record" % (len(data) - at))
        return bool(self.records)

    def check_substreams(self):
        """(index of the globals' EOF, [(BOF index, EOF index, kind)])"""
        records = self.records
        first = records[0]
        if first.type != BOF or len(first.data) < 4 or u16(first.data, 0) != 0x0600 or u16(first.data, 2) != 0x0005:
            self.problem("substreams", "the stream does not start with the BOF of BIFF8 workbook globals")
            return None
        i, sheets, globals_end = 1, [], None
        while i < len(records):
            if records[i].type == EOF:
                globals_end = i
                break
            if records[i].type == BOF:
                self.problem("substreams", "a BOF inside the workbook globals at %d" % records[i].at)
                return None
            i += 1
        if globals_end is None:
            self.problem("substreams", "the workbook globals have no EOF")
            return None
        i = globals_end + 1
        while i < len(records):
            bof = records[i]
            if bof.type != BOF:
                self.problem("substreams", "record 0x%04X at %d outside every substream" % (bof.type, bof.at))
                return None
            kind = u16(bof.data, 2) if len(bof.data) >= 4 else 0
            if u16(bof.data, 0) != 0x0600:
                self.problem("substreams", "a substream at %d is not BIFF8" % bof.at)
            depth, j = 1, i + 1
            while j < len(records) and depth > 0:
                if records[j].type == BOF:
                    depth += 1
                    if depth > 2 or kind != WORKSHEET and kind != MACRO:
                        self.problem("substreams", "a BOF nested at %d" % records[j].at)
                elif records[j].type == EOF:
                    depth -= 1
                j += 1
            if depth > 0:
                self.problem("substreams", "the substream at %d has no EOF" % bof.at)
                return None
            sheets.append((i, j - 1, kind))
            i = j
        return globals_end, sheets

    def check_sheets(self, globals_end, sheets):
        starts = {self.records[s].at: kind for s, _, kind in sheets}
        named = []
        expected = {0: (WORKSHEET,), 1: (MACRO,), 2: (CHART,), 6: (0x0006,)}
        for r in self.records[1:globals_end]:
            if r.type != BOUNDSHEET:
                continue
            at, sheet_type = u32(r.data, 0), r.data[5]
            if at not in starts:
                self.problem("sheets", "BOUNDSHEET points at %d, where no substream starts" % at)
                continue
            if starts[at] not in expected.get(sheet_type, (starts[at],)):
                self.problem("sheets", "BOUNDSHEET of type %d points at a substream of kind 0x%04X" % (sheet_type, starts[at]))
            named.append(at)
        if sorted(named) != sorted(starts):
            self.problem("sheets", "%d substreams for %d BOUNDSHEET records" % (len(starts), len(named)))
        if named != sorted(named):
            self.problem("sheets", "BOUNDSHEET records not in stream order")

    # the row index

    def check_index(self, start, end):
        records = self.records
        at = start + 1
        if at < end and records[at].type == UNCALCED:
            at += 1
        where = "the worksheet at %d" % records[start].at
        if records[at].type != INDEX:
            self.problem("index", "%s has no INDEX after its BOF" % where)
            return
        index = records[at].data
        rows, row_numbers = [], []
        depth = 0
        for i in range(at + 1, end):
            t = records[i].type
            if t == BOF:
                depth += 1
            elif t == EOF:
                depth -= 1
            elif t == ROW and depth == 0:
                rows.append(i)
                row_numbers.append(u16(records[i].data, 0))
        first, after, def_col_width = u32(index, 4), u32(index, 8), u32(index, 12)
        if rows and (first != min(row_numbers) or after != max(row_numbers) + 1):
            self.problem("index", "%s: INDEX names rows %d to %d, the ROW records %d to %d" %
                         (where, first, after - 1, min(row_numbers), max(row_numbers)))
        if not rows and first < after:
            self.problem("index", "%s: INDEX names rows, but there are none" % where)
        target = self.by_position.get(def_col_width)
        if target is None or records[target].type != DEFCOLWIDTH:
            self.problem("index", "%s: INDEX does not point at the DEFCOLWIDTH record" % where)
        rows_seen = 0
        for k in range((len(index) - 16) // 4):
            position = u32(index, 16 + 4 * k)
            db = self.by_position.get(position)
            if db is None or records[db].type != DBCELL or not start < db < end:
                self.problem("index", "%s: INDEX entry %d does not point at a DBCELL of the sheet" % (where, k))
                continue
            rows_seen += self.check_dbcell(db, where)
        if rows_seen != len(rows):
            self.problem("index", "%s: the DBCELL records cover %d of %d rows" % (where, rows_seen, len(rows)))

    def check_dbcell(self, db, where):
        records, cell = self.records, self.records[db].data
        block_at = self.records[db].at - u32(cell, 0)
        r = self.by_position.get(block_at)
        if r is None or records[r].type != ROW:
            self.problem("index", "%s: DBCELL at %d does not lead back to a ROW record" % (where, records[db].at))
            return 0
        count = (len(cell) - 4) // 2
        from_at = block_at + 20
        for k in range(count):
            if records[r + k].type != ROW:
                self.problem("index", "%s: DBCELL at %d counts more rows than its block has" % (where, records[db].at))
                return k
            row = u16(records[r + k].data, 0)
            first_cell = from_at + u16(cell, 4 + 2 * k)
            from_at = first_cell
            target = self.by_position.get(first_cell)
            if target is not None and records[target].type in CELLS and u16(records[target].data, 0) == row:
                continue
            if any(records[i].type in CELLS and u16(records[i].data, 0) == row for i in range(r + k, db)):
                self.problem("index", "%s: DBCELL at %d misses the first cell of row %d" % (where, records[db].at, row))
        return count

    # strings

    def continued(self, i):
        """The bodies of record i and the CONTINUE records after it."""
        parts = [self.records[i].data]
        j = i + 1
        while j < len(self.records) and self.records[j].type == CONTINUE:
            parts.append(self.records[j].data)
            j += 1
        return parts

    def check_strings(self, globals_end):
        records = self.records
        ssts = [i for i in range(globals_end) if records[i].type == SST]
        references = [r for r in records if r.type == LABELSST]
        if not ssts:
            if references:
                self.problem("strings", "LABELSST records without an SST")
            return
        i = ssts[0]
        parts = self.continued(i)
        total, unique = u32(parts[0], 0), u32(parts[0], 4)
        starts = []  # stream position of each string
        part_starts = [records[i + k].at + 4 for k in range(len(parts))]
        reader = PartReader(parts, 0, 8)
        try:
            for k in range(unique):
                reader.next_part_if_at_end()
                starts.append((part_starts[reader.part] + reader.at, reader.at + 4))
                reader.string(header_whole=True)
            if not reader.at_end():
                self.problem("strings", "the SST holds more than its %d strings" % unique)
        except StringError as e:
            self.problem("strings", "SST string %d: %s" % (len(starts) - 1, e))
            return
        if total != len(references):
            self.problem("strings", "the SST counts %d references, the sheets make %d" % (total, len(references)))
        for r in references:
            if u32(r.data, 6) >= unique:
                self.problem("strings", "LABELSST at %d refers to string %d of %d" % (r.at, u32(r.data, 6), unique))
        ext = [j for j in range(globals_end) if records[j].type == EXTSST]
        if not ext:
            self.problem("strings", "no EXTSST after the SST")
            return
        body = records[ext[0]].data
        bucket = u16(body, 0)
        if bucket < 8:
            self.problem("strings", "EXTSST buckets of %d strings" % bucket)
            return
        for k in range((len(body) - 2) // 8):
            position, offset = u32(body, 2 + 8 * k), u16(body, 6 + 8 * k)
            if k * bucket >= unique:
                self.problem("strings", "EXTSST has more buckets than strings")
                break
            if (position, offset) != starts[k * bucket]:
                self.problem("strings", "EXTSST bucket %d points at %d (+%d), the string is at %d (+%d)" %
                             ((k, position, offset) + starts[k * bucket]))

    def check_continued_texts(self, start, end):
        records = self.records
        for i in range(start, end):
            r = records[i]
            try:
                if r.type == STRING:
                    reader = PartReader(self.continued(i), 0, 0)
                    reader.string(header_whole=True, rich=False)
                    if not reader.at_end():
                        raise StringError("bytes after the text")
                elif r.type == LABEL and len(r.data) >= 8 and u16(r.data, 6) > 255:
                    raise StringError("LABEL of %d characters" % u16(r.data, 6))
                elif r.type == TXO:
                    self.check_text_box(i)
            except StringError as e:
                self.problem("strings", "record 0x%04X at %d: %s" % (r.type, r.at, e))

    def check_text_box(self, i):
        txo = self.records[i].data
        if len(txo) != 18:
            raise StringError("TXO of %d bytes, Excel writes 18" % len(txo))
        chars, runs = u16(txo, 10), u16(txo, 12)
        if chars == 0:
            return
        parts = self.continued(i)[1:]
        taken, k = 0, 0
        while taken < chars:
            if k >= len(parts) or not parts[k]:
                raise StringError("the text box ends before its %d characters" % chars)
            d = parts[k]
            if d[0] > 1:
                raise StringError("a text CONTINUE without an option byte")
            unit = 2 if d[0] & 1 else 1
            if (len(d) - 1) % unit:
                raise StringError("a character cut between records")
            taken += (len(d) - 1) // unit
            k += 1
        if taken != chars:
            raise StringError("%d characters for %d" % (taken, chars))
        if sum(len(p) for p in parts[k:]) != runs:
            raise StringError("runs of %d bytes for %d" % (sum(len(p) for p in parts[k:]), runs))

    # cell formats

    def check_formats(self, globals_end, sheets):
        records = self.records
        xfs = [r.data for r in records[1:globals_end] if r.type == XF]
        crc = [r for r in records[1:globals_end] if r.type == XFCRC]
        ext = [r for r in records[1:globals_end] if r.type == XFEXT]
        if crc:
            count, checksum = u16(crc[0].data, 14), u32(crc[0].data, 16)
            if count != len(xfs):
                self.problem("formats", "XFCRC counts %d XF records, there are %d" % (count, len(xfs)))
            if checksum != xf_checksum(xfs):
                self.problem("formats", "XFCRC's checksum does not match the XF records")
        elif ext:
            self.problem("formats", "XFEXT records without XFCRC")
        for r in ext:
            if len(r.data) >= 16 and u16(r.data, 14) >= len(xfs):
                self.problem("formats", "XFEXT for format %d of %d" % (u16(r.data, 14), len(xfs)))
        return [len(x) >= 6 and (u16(x, 4) & 0x0004) != 0 for x in xfs]

    def check_cell_formats(self, start, end, is_style):
        def check(ixfe, what, r):
            if ixfe >= len(is_style):
                self.problem("formats", "%s at %d refers to format %d of %d" % (what, r.at, ixfe, len(is_style)))
            elif is_style[ixfe]:
                self.problem("formats", "%s at %d refers to style format %d" % (what, r.at, ixfe))
        depth = 0
        for r in self.records[start + 1:end]:
            if r.type == BOF:
                depth += 1
            elif r.type == EOF:
                depth -= 1
            if depth:
                continue
            if r.type in SINGLE_CELLS:
                check(u16(r.data, 4), "cell", r)
            elif r.type == MULRK:
                for at in range(4, len(r.data) - 2, 6):
                    check(u16(r.data, at), "cell", r)
            elif r.type == MULBLANK:
                for at in range(4, len(r.data) - 2, 2):
                    check(u16(r.data, at), "cell", r)
            elif r.type == ROW and u16(r.data, 12) & 0x0080:
                check(u16(r.data, 14) & 0x0FFF, "row", r)
            elif r.type == COLINFO:
                check(u16(r.data, 6), "column", r)

    # drawings and code names

    def check_drawings(self, globals_end, sheets):
        records = self.records
        group = [i for i in range(globals_end) if records[i].type == MSODRAWINGGROUP]
        drawings = []  # (sheet at, bytes of its MSODRAWING records)
        for start, end, _ in sheets:
            art = b"".join(r.data for r in records[start:end] if r.type == MSODRAWING)
            if art:
                drawings.append((records[start].at, art))
        if bool(group) != bool(drawings):
            self.problem(DRAWINGS, "a drawing group with %d drawings" % len(drawings) if group else
                         "%d drawings without a drawing group" % len(drawings))
        if not group or not drawings:
            return
        dgg = b"".join(self.continued(group[0]))
        clusters = {}
        for rtype, _, body, length in walk_art(dgg, 0, len(dgg)):
            if rtype == 0xF006 and length >= 16:
                for c in range((length - 16) // 8):
                    clusters[c + 1] = u32(dgg, body + 16 + 8 * c)
                spid_max = u32(dgg, body)
        seen_dg, seen_spid = {}, {}
        for sheet_at, art in drawings:
            dg = None
            for rtype, instance, body, length in walk_art(art, 0, len(art)):
                if rtype == 0xF008:
                    dg = instance
                    if dg in seen_dg:
                        self.problem(DRAWINGS, "drawing id %d on the sheets at %d and %d" % (dg, seen_dg[dg], sheet_at))
                    seen_dg[dg] = sheet_at
                elif rtype == 0xF00A and length >= 8:
                    spid = u32(art, body)
                    if spid in seen_spid:
                        self.problem(DRAWINGS, "shape id %d on the sheets at %d and %d" % (spid, seen_spid[spid], sheet_at))
                    seen_spid[spid] = sheet_at
                    if clusters.get(spid // 1024) != dg:
                        self.problem(DRAWINGS, "shape id %d of drawing %s lies in a cluster of drawing %s" %
                                     (spid, dg, clusters.get(spid // 1024)))
                    elif spid > spid_max:
                        self.problem(DRAWINGS, "shape id %d past the group's largest, %d" % (spid, spid_max))

    def check_code_names(self, globals_end, sheets):
        # A workbook with a VBA project keeps its sheets' code names as the
        # template had them: a copy would need a document module of its own
        # in the project, which the engine does not write.
        if any(r.type == OBPROJ for r in self.records[:globals_end]):
            return
        seen = {}
        for start, end, _ in [(0, globals_end, 0)] + sheets:
            for r in self.records[start:end]:
                if r.type == CODENAME and len(r.data) >= 3:
                    name = read_unicode(r.data, 0).upper()
                    if name in seen:
                        self.problem(CODE_NAMES, "code name %r at %d and %d" % (name, seen[name], r.at))
                    seen[name] = r.at
                    break


class StringError(Exception):
    pass


class PartReader:
    """Reads strings from a record and its CONTINUE records."""

    def __init__(self, parts, part, at):
        self.parts, self.part, self.at = parts, part, at

    def at_end(self):
        return self.part == len(self.parts) - 1 and self.at == len(self.parts[-1])

    def next_part_if_at_end(self):
        if self.at == len(self.parts[self.part]) and self.part + 1 < len(self.parts):
            self.part, self.at = self.part + 1, 0

    def take(self, n, what):
        d = self.parts[self.part]
        if self.at + n > len(d):
            raise StringError("%s cut between records" % what)
        self.at += n
        return d[self.at - n:self.at]

    def string(self, header_whole, rich=True):
        self.next_part_if_at_end()
        d = self.parts[self.part]
        if self.at + 3 > len(d):
            raise StringError("a string header cut between records")
        cch, flags = u16(d, self.at), d[self.at + 2]
        header = 3 + (2 if rich and flags & 0x08 else 0) + (4 if rich and flags & 0x04 else 0)
        head = self.take(header, "a string header")
        runs = u16(head, 3) if rich and flags & 0x08 else 0
        ext = u32(head, header - 4) if rich and flags & 0x04 else 0
        wide = flags & 0x01
        while cch:
            if self.at == len(self.parts[self.part]):
                if self.part + 1 >= len(self.parts):
                    raise StringError("the text ends before its characters")
                self.part, self.at = self.part + 1, 0
                option = self.take(1, "an option byte")[0]
                if option > 1:
                    raise StringError("a CONTINUE without an option byte")
                wide = option & 0x01
            unit = 2 if wide else 1
            n = min(cch, (len(self.parts[self.part]) - self.at) // unit)
            if n == 0:
                raise StringError("a character cut between records")
            self.at += n * unit
            cch -= n
        for _ in range(runs):
            self.next_part_if_at_end()
            self.take(4, "a formatting run")
        while ext:
            self.next_part_if_at_end()
            n = min(ext, len(self.parts[self.part]) - self.at)
            if n == 0:
                raise StringError("phonetic data past the records")
            self.at += n
            ext -= n


def read_unicode(data, at):
    cch, flags = u16(data, at), data[at + 2]
    if flags & 1:
        return data[at + 3:at + 3 + 2 * cch].decode("utf-16-le", "replace")
    return data[at + 3:at + 3 + cch].decode("latin-1")


def walk_art(art, start, end, depth=0):
    """(record type, instance, body position, body length) of every
    OfficeArt record in art[start:end], containers descended."""
    at = start
    while at + 8 <= end:
        verinst, rtype, length = struct.unpack_from("<HHI", art, at)
        body = at + 8
        stop = min(end, body + length)
        yield rtype, verinst >> 4, body, stop - body
        if verinst & 0x000F == 0x000F and depth < 32:
            yield from walk_art(art, body, stop, depth + 1)
        at = stop


_CRC_CACHE = []


def xf_checksum(xfs):
    """[MS-OSHARED] 2.4.3: polynomial 0xAF, most significant bit first."""
    if not _CRC_CACHE:
        for index in range(256):
            value = index << 24
            for _ in range(8):
                value = ((value << 1) ^ 0xAF if value & 0x80000000 else value << 1) & 0xFFFFFFFF
            _CRC_CACHE.append(value)
    crc = 0
    for body in xfs:
        for byte in body:
            crc = ((crc << 8) & 0xFFFFFFFF) ^ _CRC_CACHE[(crc >> 24) ^ byte]
    return crc


def workbook_stream(cf):
    entry = cf.find("Workbook")
    if entry is None:
        entry = cf.find("Book")
    if entry is None or entry.kind != compound_file.STREAM:
        raise compound_file.CompoundFileError("no workbook stream")
    return entry.data


def check_file(path):
    """The problems of one file, as (kind, text) pairs."""
    try:
        stream = workbook_stream(compound_file.read(path))
    except (compound_file.CompoundFileError, struct.error, OSError) as e:
        return [("compound file", str(e))]
    try:
        return Checker(stream).run()
    except (struct.error, IndexError) as e:
        return [("records", "a record too short for its fields (%s)" % e)]


def main(paths):
    failed = False
    for path in paths:
        for kind, text in check_file(path):
            print("%s: %s: %s" % (path, kind, text))
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
