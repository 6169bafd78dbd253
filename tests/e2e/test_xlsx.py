"""Reports converted to Excel workbook packages (/f:xlsx): dispatch,
template lookup and refusals."""
import os

from harness import START_LINES, InstallationTest, timed, untimed


class DispatchTest(InstallationTest):
    def test_missing_template_is_refused_like_the_xlt(self):
        path = self.inst.copy_example("DAYRUR~1.xml")
        template = os.path.join(self.inst.dir, "template", "DAYRUR.xltx")
        if os.path.exists(template):
            os.remove(template)
        old = self.inst.write("DAYRUR~1.xlsx", "an older result")
        status, _, err = self.inst.run(path, "/f: XlsX ")
        self.assertEqual(status, 1, err)
        self.assertLog(START_LINES + [
            timed("Конвертация файла:     " + path + " (xml->XlsX)"),
            untimed("ОШИБКА! (ConvertToExcel) Не найден шаблон " + template)])
        self.assertFalse(os.path.exists(old))
        self.assertTrue(os.path.exists(path[:-4] + ".xml"))
