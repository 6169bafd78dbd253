"""Runs the built quorlex in a temporary installation directory, as the
program that starts it in production would, and reads back its run log.

The binary comes from QUORLEX_BINARY; the source tree (for the default
settings, the templates and the examples) from QUORLEX_SOURCE_DIR.
"""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get("QUORLEX_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BINARY = os.environ.get("QUORLEX_BINARY", os.path.join(SOURCE_DIR, "build", "src", "shell", "quorlex"))
EXAMPLES = os.path.join(SOURCE_DIR, "examples")

STAMP = r"\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\t"
START_LINES = [
    "\t\t\t",
    re.compile(STAMP + re.escape("Конвертер XML-отчетов ВИРЕМ в файлы формата MS-Excel и MS-Word, версия 1.10")),
]


class Installation:
    """A directory holding the binary, quorlex.ini and template/."""

    def __init__(self, settings=None, templates=True):
        self.root = tempfile.mkdtemp(prefix="quorlex-e2e-")
        self.dir = os.path.join(self.root, "install")
        os.makedirs(self.dir)
        shutil.copy2(BINARY, os.path.join(self.dir, "quorlex"))
        if settings is None:
            shutil.copy2(os.path.join(SOURCE_DIR, "config", "quorlex.ini"), self.dir)
        else:
            self.write_settings(settings)
        template_src = os.path.join(SOURCE_DIR, "template")
        if templates and os.path.isdir(template_src):
            shutil.copytree(template_src, os.path.join(self.dir, "template"))
        else:
            os.makedirs(os.path.join(self.dir, "template"))
        self.work = os.path.join(self.root, "work")
        os.makedirs(self.work)
        self.test_name = "e2e"

    def cleanup(self):
        keep_written_files(self.work, self.test_name)
        shutil.rmtree(self.root, ignore_errors=True)

    def write_settings(self, text, encoding="cp1251"):
        with open(os.path.join(self.dir, "quorlex.ini"), "wb") as f:
            f.write(text.replace("\n", "\r\n").encode(encoding))

    @property
    def log_path(self):
        return os.path.join(self.dir, "quorlex.log")

    def log_bytes(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def log_lines(self):
        """The run log as text lines, checking the byte layout on the way:
        Windows-1251 and CR LF after every line."""
        data = self.log_bytes()
        if data is None:
            return []
        assert data.endswith(b"\r\n"), data[-20:]
        text = data.decode("cp1251")
        lines = text.split("\r\n")[:-1]
        for line in lines:
            assert "\n" not in line and "\r" not in line, repr(line)
        return lines

    def copy_example(self, name, target=None):
        """Copies an example report and every stylesheet into the work dir."""
        for f in os.listdir(EXAMPLES):
            if f.endswith(".xsl"):
                shutil.copy2(os.path.join(EXAMPLES, f), self.work)
        dest = os.path.join(self.work, target or name)
        shutil.copy2(os.path.join(EXAMPLES, name), dest)
        return dest

    def write(self, name, content, encoding="cp1251"):
        path = os.path.join(self.work, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.encode(encoding) if isinstance(content, str) else content)
        return path

    def run(self, *args, cwd=None, env=None, timeout=120, preexec_fn=None):
        p = subprocess.run([os.path.join(self.dir, "quorlex"), *args], cwd=cwd or self.work,
                           capture_output=True, timeout=timeout, env=self._env(env),
                           preexec_fn=preexec_fn)
        return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")

    def start(self, *args, cwd=None, env=None, preexec_fn=None):
        """Starts the program without waiting for it: a subprocess.Popen with
        standard output and error piped."""
        return subprocess.Popen([os.path.join(self.dir, "quorlex"), *args], cwd=cwd or self.work,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=self._env(env),
                                preexec_fn=preexec_fn)

    @staticmethod
    def _env(extra):
        run_env = dict(os.environ)
        run_env.pop("DISPLAY", None)
        if extra:
            run_env.update(extra)
        return run_env


class InstallationTest(unittest.TestCase):
    settings = None

    def setUp(self):
        self.inst = Installation(self.settings)
        self.inst.test_name = self.id()
        self.addCleanup(self.inst.cleanup)

    def assertLog(self, expected):
        """Each expected line is a string (the whole line) or a compiled
        pattern (matching the whole line)."""
        lines = self.inst.log_lines()
        self.assertEqual(len(lines), len(expected), "\n".join(map(repr, lines)))
        for line, want in zip(lines, expected):
            if isinstance(want, str):
                self.assertEqual(line, want)
            else:
                self.assertRegex(line, "^(?:" + want.pattern + ")$")


_kept = 0


def keep_written_files(directory, test_name):
    """Copies the workbooks and documents under directory to the directory
    QUORLEX_WRITTEN_FILES names, for the checks at the end of the test run
    (tests/checks/written_files.py); nothing when it is not set."""
    global _kept
    target = os.environ.get("QUORLEX_WRITTEN_FILES")
    if not target or not os.path.isdir(target):
        return
    for base, _, names in os.walk(directory):
        for name in names:
            if not name.lower().endswith((".xls", ".xlt", ".doc", ".dot")):
                continue
            _kept += 1
            copy = "%s--%d-%d--%s" % (test_name, os.getpid(), _kept, name)
            try:
                shutil.copyfile(os.path.join(base, name), os.path.join(target, copy))
            except OSError:
                pass


def timed(text):
    """A time-stamped log line with exactly this text."""
    return re.compile(STAMP + re.escape(text))


def untimed(text):
    return "\t\t\t" + text
