#!/usr/bin/python3
"""The workbooks and documents a test run writes, checked once at its end.

Every test of the unit and e2e suites runs with QUORLEX_WRITTEN_FILES naming
one directory; what a test writes into its temporary directories (the
engines' tests) or beside its reports (the end-to-end tests) is copied there
as the test cleans up. ctest runs `reset` before the first test and the
checks after the last one:

  written_files.py reset DIR     empties DIR
  written_files.py records DIR [--pending KIND]...
                                 the record-level checks (xls_records.py) of
                                 every workbook; problems of a pending kind
                                 (xls_records.PENDING and those named) are
                                 listed, not failed
  written_files.py poi DIR       Apache POI (PoiCheck.java) over every
                                 workbook and document, in one JVM; exit
                                 status 77 when Java or POI is missing

Files that are copies of the fixtures or templates (inputs a test copied
next to its output) and files that are not compound files (texts a test put
in place of an older output) are left out; equal files are checked once.
"""
import hashlib
import os
import shutil
import subprocess
import sys

import xls_records

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
INPUTS = [os.path.join(SOURCE_DIR, "tests", "fixtures", "office"), os.path.join(SOURCE_DIR, "template")]
SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
WORKBOOK = (".xls", ".xlt")
DOCUMENT = (".doc", ".dot")
POI_JARS = ["poi", "poi-scratchpad", "commons-collections4", "commons-math3", "commons-codec",
            "commons-logging", "commons-compress"]
SKIPPED = 77


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def written(directory):
    """The files to check: (path, is_workbook), one of each content."""
    inputs = set()
    for root in INPUTS:
        for base, _, names in os.walk(root):
            inputs.update(digest(os.path.join(base, n)) for n in names)
    seen, out = set(), []
    for name in sorted(os.listdir(directory)) if os.path.isdir(directory) else []:
        path = os.path.join(directory, name)
        lower = name.lower()
        if not lower.endswith(WORKBOOK + DOCUMENT):
            continue
        with open(path, "rb") as f:
            if f.read(8) != SIGNATURE:
                continue
        key = digest(path)
        if key in inputs or key in seen:
            continue
        seen.add(key)
        out.append((path, lower.endswith(WORKBOOK)))
    return out


def reset(directory):
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    return 0


def records(directory, pending):
    files = [path for path, workbook in written(directory) if workbook]
    failed, noted = 0, 0
    for path in files:
        problems = xls_records.check_file(path)
        for kind, text in problems:
            if kind in pending:
                print("PENDING %s: %s: %s" % (os.path.basename(path), kind, text))
                noted += 1
            else:
                print("FAILED %s: %s: %s" % (os.path.basename(path), kind, text))
        failed += any(kind not in pending for kind, _ in problems)
    print("%d of %d workbooks pass the record checks; %d problems of pending kinds (%s)" %
          (len(files) - failed, len(files), noted, ", ".join(sorted(pending)) or "none"))
    return 1 if failed else 0


def poi(directory):
    java = shutil.which("java")
    jars = [os.path.join("/usr/share/java", j + ".jar") for j in POI_JARS]
    missing = [j for j in jars if not os.path.exists(j)]
    if java is None or missing:
        print("SKIPPED: Apache POI needs java and %s" % ", ".join(missing or ["a JVM"]))
        return SKIPPED
    files = [path for path, _ in written(directory)]
    if not files:
        print("no workbooks or documents were written")
        return 0
    listing = os.path.join(directory, "poi-files.txt")
    with open(listing, "w", encoding="utf-8") as f:
        f.write("\n".join(files) + "\n")
    run = subprocess.run([java, "-cp", ":".join(jars), os.path.join(HERE, "PoiCheck.java"), "@" + listing])
    return run.returncode


def main(argv):
    command, directory = argv[1], argv[2]
    if command == "reset":
        return reset(directory)
    if command == "records":
        pending = set(xls_records.PENDING)
        pending.update(argv[i + 1] for i in range(3, len(argv) - 1) if argv[i] == "--pending")
        return records(directory, pending)
    if command == "poi":
        return poi(directory)
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
