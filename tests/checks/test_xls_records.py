"""The record checker holds Excel's own files valid and finds each fault it
looks for when one is put into one of them."""
import os
import struct
import unittest

import compound_file
import xls_records

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office", "xls")
# Saved by Excel itself (the other fixtures come from programs that write
# BIFF8 their own way: no INDEX, stale checksums, BOOK streams...).
EXCEL_MADE = ["12843-2.xls", "13796.xls", "15573.xls", "19599-2.xls", "27394.xls", "44643.xls",
              "RepeatingRowsCols.xls", "SimpleWithComments.xls", "StringContinueRecords.xls",
              "WithConditionalFormatting.xls", "dvEmpty.xls", "testNames.xls", "xlrd-namesdemo.xls",
              "xlrd-xf_class.xls"]


def stream_of(name):
    return bytearray(xls_records.workbook_stream(compound_file.read(os.path.join(FIXTURES, name))))


def records(stream):
    at = 0
    while at + 4 <= len(stream):
        rtype, length = struct.unpack_from("<HH", stream, at)
        yield at, rtype, length
        at += 4 + length


def kinds(stream):
    return {kind for kind, _ in xls_records.Checker(bytes(stream)).run()}


class RecordCheckerTest(unittest.TestCase):
    def test_excel_made_files_pass(self):
        for name in EXCEL_MADE:
            with self.subTest(name):
                self.assertEqual(xls_records.check_file(os.path.join(FIXTURES, name)), [])

    def first(self, stream, rtype):
        return next(at for at, t, _ in records(stream) if t == rtype)

    def test_each_fault_is_found(self):
        base = stream_of("12843-2.xls")
        self.assertEqual(kinds(base), set())

        moved = bytearray(base)  # a BOUNDSHEET off its substream
        at = self.first(moved, xls_records.BOUNDSHEET)
        struct.pack_into("<I", moved, at + 4, struct.unpack_from("<I", moved, at + 4)[0] + 4)
        self.assertIn("sheets", kinds(moved))

        dbcell = bytearray(base)  # a DBCELL pointing back too far
        at = self.first(dbcell, xls_records.DBCELL)
        struct.pack_into("<I", dbcell, at + 4, struct.unpack_from("<I", dbcell, at + 4)[0] + 20)
        self.assertIn("index", kinds(dbcell))

        style = bytearray(base)  # a cell on a style format
        at = self.first(style, xls_records.LABELSST)
        struct.pack_into("<H", style, at + 8, 0)
        self.assertIn("formats", kinds(style))

        total = bytearray(base)  # the SST counting references that are not there
        at = self.first(total, xls_records.SST)
        struct.pack_into("<I", total, at + 4, struct.unpack_from("<I", total, at + 4)[0] + 1)
        self.assertIn("strings", kinds(total))

        crc = stream_of("27394.xls")  # an XF changed behind the checksum
        at = self.first(crc, xls_records.XF)
        crc[at + 4] ^= 1
        self.assertIn("formats", kinds(crc))

        nested = bytearray(base)  # the globals without their EOF
        at = next(at for at, t, _ in records(nested) if t == xls_records.EOF)
        struct.pack_into("<H", nested, at, 0x0012)
        self.assertIn("substreams", kinds(nested))

    def test_text_box_and_drawings(self):
        base = stream_of("SimpleWithComments.xls")
        self.assertEqual(kinds(base), set())
        long_txo = bytearray(base)  # a TXO of 20 bytes: its CONTINUE records no longer line up
        at = self.first(long_txo, xls_records.TXO)
        struct.pack_into("<H", long_txo, at + 2, 20)
        long_txo[at + 22:at + 22] = b"\0\0"
        self.assertIn("strings", kinds(long_txo))

        group = bytearray(base)  # a drawing group the drawings no longer need
        for at, rtype, _ in records(group):
            if rtype == xls_records.MSODRAWING:
                struct.pack_into("<H", group, at, 0x00EF)
        self.assertIn(xls_records.DRAWINGS, kinds(group))

    def test_code_names(self):
        base = stream_of("StringContinueRecords.xls")  # Feuil1 to Feuil3, and a VBA project
        names = [at for at, t, _ in records(base) if t == xls_records.CODENAME]
        twice = bytearray(base)  # two sheets called Feuil2 by VBA
        twice[names[3] + 4:names[3] + 13] = twice[names[2] + 4:names[2] + 13]
        # Copies in a workbook with a VBA project keep their code names: the
        # project would need a module for each.
        self.assertNotIn(xls_records.CODE_NAMES, kinds(twice))
        without_vba = bytearray(twice)
        struct.pack_into("<H", without_vba, self.first(without_vba, xls_records.OBPROJ), 0x0000)
        self.assertIn(xls_records.CODE_NAMES, kinds(without_vba))


if __name__ == "__main__":
    unittest.main()
