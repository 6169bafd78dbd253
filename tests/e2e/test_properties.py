"""A workbook and a document made from templates that carry another file's
summary properties (created years ago, revised six times, last saved by
someone else, with their page and word counts) get properties of their own,
as Apache POI reads them back: created and last saved at the conversion,
revision 1, no editing time, no last author, no counts; title, author and
company the template's. Two conversions of one report differ in nothing
else."""
import os
import shutil
import struct
import subprocess
import sys
import time
import unittest

from harness import InstallationTest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "checks"))
import compound_file  # noqa: E402
import written_files  # noqa: E402

FIXTURES = os.path.join(os.path.dirname(__file__), "..", "fixtures", "office")
JARS = [os.path.join("/usr/share/java", j + ".jar") for j in written_files.POI_JARS]
POI_CHECK = os.path.join(os.path.dirname(__file__), "..", "checks", "PoiCheck.java")


def read_properties(*paths):
    """{path: {name: value}} as POI reads the files' summary properties."""
    run = subprocess.run(["java", "-cp", ":".join(JARS), POI_CHECK, "--properties", *paths],
                         capture_output=True, text=True, timeout=300)
    if run.returncode != 0:
        raise AssertionError(run.stdout + run.stderr)
    out, current = {}, None
    for line in run.stdout.splitlines():
        name, _, value = line.partition("=")
        if name == "file":
            current = out.setdefault(value, {})
        elif current is not None:
            current[name] = value
    return out


@unittest.skipUnless(shutil.which("java") and all(map(os.path.exists, JARS)), "needs Java and Apache POI")
class PropertiesTest(InstallationTest):
    def test_new_files_have_properties_of_their_own(self):
        templates = {"xls": ("xls", "12843-2.xls", ".xlt"), "doc": ("doc", "Lists.doc", ".doc")}
        outputs = {}
        before = time.time()
        for fmt, (kind, name, extension) in templates.items():
            shutil.copy2(os.path.join(FIXTURES, kind, name),
                         os.path.join(self.inst.dir, "template", "DAYRUR" + extension))
            report = self.inst.copy_example("DAYRUR~1.xml")
            status, _, err = self.inst.run(report, "/f:" + fmt)
            self.assertEqual(status, 0, err)
            outputs[fmt] = report[:-3] + fmt
        after = time.time()
        sources = {fmt: os.path.join(FIXTURES, kind, name) for fmt, (kind, name, _) in templates.items()}
        read = read_properties(*outputs.values(), *sources.values())
        for fmt, path in outputs.items():
            made, template = read[path], read[sources[fmt]]
            with self.subTest(fmt):
                # The template's own were those of another file.
                self.assertNotEqual(template["last_author"], "absent")
                self.assertLess(int(template["created"]), before - 86400)
                for stamp in ("created", "last_saved"):
                    self.assertGreaterEqual(int(made[stamp]), int(before) - 1, stamp)
                    self.assertLessEqual(int(made[stamp]), after + 1, stamp)
                self.assertEqual(made["revision"], "1")
                self.assertEqual(made["edit_time"], "0")
                for gone in ("last_author", "pages", "words", "characters", "lines", "paragraphs", "bytes"):
                    self.assertEqual(made[gone], "absent", gone)
                for kept in ("title", "subject", "author", "company"):
                    self.assertEqual(made[kept], template[kept], kept)

    def test_two_conversions_differ_only_in_their_time_stamps(self):
        report = self.inst.copy_example("DAYRUR~1.xml")
        for fmt in ("xls", "doc"):
            with self.subTest(fmt):
                made = []
                for run in range(2):
                    status, _, err = self.inst.run(report, "/f:" + fmt)
                    self.assertEqual(status, 0, err)
                    made.append(streams(report[:-3] + fmt))
                self.assertNotEqual(made[0], made[1])  # the time stamps are the run's own
                self.assertEqual(masked(made[0]), masked(made[1]))


SUMMARY = "\x05SummaryInformation"
CREATED, LAST_SAVED = 12, 13
DOP_DATES = (0x14, 0x1C)  # created and revised, in a Word document's properties


def streams(path):
    """{path: bytes} of every stream of the compound file."""
    out = {}

    def walk(entry, prefix):
        for child in entry.children:
            name = prefix + child.name
            if child.kind == compound_file.STREAM:
                out[name] = child.data
            else:
                walk(child, name + "/")
    walk(compound_file.read(path).root, "")
    return out


def masked(tree):
    """The streams with the time stamps of a save zeroed: the creation and
    save times of the summary information, and of a Word document's own
    properties (DOP)."""
    tree = dict(tree)
    summary = bytearray(tree[SUMMARY])
    section = struct.unpack_from("<I", summary, 44)[0]
    for k in range(struct.unpack_from("<I", summary, section + 4)[0]):
        pid, offset = struct.unpack_from("<II", summary, section + 8 + 8 * k)
        if pid in (CREATED, LAST_SAVED):
            summary[section + offset + 4:section + offset + 12] = bytes(8)
    tree[SUMMARY] = bytes(summary)
    if "WordDocument" in tree:
        word = tree["WordDocument"]
        table_name = "1Table" if struct.unpack_from("<H", word, 0x0A)[0] & 0x0200 else "0Table"
        at = 32
        at += 2 + 2 * struct.unpack_from("<H", word, at)[0]   # the 16-bit values
        at += 2 + 4 * struct.unpack_from("<H", word, at)[0]   # the 32-bit values
        dop = struct.unpack_from("<I", word, at + 2 + 8 * 31)[0]
        table = bytearray(tree[table_name])
        table[dop + DOP_DATES[0]:dop + DOP_DATES[1]] = bytes(DOP_DATES[1] - DOP_DATES[0])
        tree[table_name] = bytes(table)
    return tree


if __name__ == "__main__":
    unittest.main()
