"""The window with /v:y under a virtual X display: caption, size, position,
icon and border hints, and a screenshot taken while the progress box lists
the clients of a DAYRUR split (kept in QUORLEX_ARTIFACTS_DIR)."""
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

from harness import SOURCE_DIR, Installation

CAPTION = "Конвертер XML-отчетов ВИРЕМ"
SCREEN = (1024, 768)


def start_xvfb():
    read, write = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            break
        number += chunk
    os.close(read)
    return proc, ":" + number.decode().strip()


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xwininfo") and shutil.which("import"),
                     "needs Xvfb, xwininfo and ImageMagick")
class WindowTest(unittest.TestCase):
    def setUp(self):
        self.xvfb, self.display = start_xvfb()
        self.addCleanup(self.xvfb.kill)
        self.inst = Installation()
        self.addCleanup(self.inst.cleanup)

    def x(self, *cmd):
        return subprocess.run(cmd, capture_output=True, env=dict(os.environ, DISPLAY=self.display),
                              timeout=30).stdout.decode("utf-8", "replace")

    def test_window_during_a_client_split(self):
        for f in os.listdir(os.path.join(SOURCE_DIR, "examples")):
            if f.endswith(".xsl"):
                shutil.copy2(os.path.join(SOURCE_DIR, "examples", f), self.inst.work)
        report = os.path.join(self.inst.work, "DAYRUR~1.xml")
        subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "bench", "make_dayrur.py"), "3000", "3", report],
                       check=True)
        proc = subprocess.Popen([os.path.join(self.inst.dir, "quorlex"), report, "/f:xls", "/v:y"],
                                env=dict(os.environ, DISPLAY=self.display), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        # Stop the program once the split has begun, so that the window can be
        # looked at while it shows the client lines.
        deadline = time.time() + 120
        while time.time() < deadline:
            log = self.inst.log_bytes() or b""
            if "Дополнительная обработка ...".encode("cp1251") in log:
                break
            time.sleep(0.005)
        time.sleep(0.05)
        proc.send_signal(signal.SIGSTOP)
        try:
            tree = self.x("xwininfo", "-root", "-tree")
            match = re.search(r"(0x[0-9a-f]+) \"" + CAPTION + r"\".*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", tree)
            self.assertIsNotNone(match, tree)
            wid, w, h, left, top = match.group(1), *map(int, match.group(2, 3, 4, 5))
            self.assertEqual((w, h), (480, 128))
            self.assertEqual((left, top), ((SCREEN[0] - w) // 2, (SCREEN[1] - h) // 2))
            props = self.x("xprop", "-id", wid)
            self.assertIn("program specified minimum size: 480 by 128", props)
            self.assertIn("program specified maximum size: 480 by 128", props)
            self.assertIn("_NET_WM_ICON", props)
            self.assertIn("_MOTIF_WM_HINTS", props)
            artifacts = os.environ.get("QUORLEX_ARTIFACTS_DIR", self.inst.root)
            os.makedirs(artifacts, exist_ok=True)
            shot = os.path.join(artifacts, "window-client-split.png")
            subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, left, top), shot],
                           env=dict(os.environ, DISPLAY=self.display), check=True, timeout=30)
            self.assertGreater(os.path.getsize(shot), 500)
        finally:
            proc.send_signal(signal.SIGCONT)
        _, err = proc.communicate(timeout=300)
        self.assertEqual(proc.returncode, 0, err.decode())
        # The window is gone once the form is unloaded.
        self.assertNotIn(CAPTION, self.x("xwininfo", "-root", "-tree"))


if __name__ == "__main__":
    unittest.main()
