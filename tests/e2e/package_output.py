"""Saving an Office Open XML result, the same for workbooks and documents:
an older file under the result's name is replaced whole, and a result that
cannot be written leaves nothing behind. A test class mixes this in with
FORMAT ("xlsx", "docx") and TRAP (its converter's error prefix), beside an
InstallationTest with a leftovers() method."""
import os
import zipfile

from harness import untimed


class PackageOutputCases:
    FORMAT = None
    TRAP = None

    def test_existing_output_is_replaced_whole(self):
        path = self.inst.copy_example("DAYRUR~1.xml")
        out = self.inst.write("DAYRUR~1." + self.FORMAT, "an older result")
        status, _, err = self.inst.run(path, "/f:" + self.FORMAT)
        self.assertEqual(status, 0, err)
        self.assertTrue(zipfile.is_zipfile(out))
        self.assertEqual(self.leftovers(), [])

    def test_unwritable_output_leaves_nothing(self):
        path = self.inst.copy_example("DAYRUR~1.xml")
        os.mkdir(os.path.join(self.inst.work, "DAYRUR~1." + self.FORMAT))  # the name is taken by a directory
        status, _, err = self.inst.run(path, "/f:" + self.FORMAT)
        self.assertEqual(status, 1, err)
        self.assertTrue(self.inst.log_lines()[-1].startswith(untimed("ОШИБКА! (%s) " % self.TRAP)))
        self.assertEqual(self.leftovers(), [])
