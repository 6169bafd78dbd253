#!/usr/bin/env python3
"""End-to-end benchmark of a DAYRUR report with many clients: quorlex's
whole conversion (to xls, xlsx, doc and docx) beside xsltproc rendering the same report,
ssconvert turning the rendered page into xls, and LibreOffice turning it into
doc, all in one run.

    bench/conversion_bench.py [--clients 1000 2000] [--operations 40] [--repeat 3]
        [--quorlex out/quorlex/quorlex] [--no-office]

Times are the best of --repeat runs (wall clock); memory is the peak resident
set of the best run, from GNU time.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def measure(cmd, repeat, cwd=None, timeout=None):
    """Best (seconds, peak KB) of `repeat` runs; (None, None) when a run takes
    longer than `timeout` seconds."""
    best = None
    for _ in range(repeat):
        start = time.perf_counter()
        try:
            p = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], cwd=cwd, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return (None, None)
        elapsed = time.perf_counter() - start
        if p.returncode != 0:
            sys.exit(f"failed: {' '.join(cmd)}\n{p.stderr.decode(errors='replace')[-2000:]}")
        rss_kb = int(p.stderr.decode().strip().splitlines()[-1])
        if best is None or elapsed < best[0]:
            best = (elapsed, rss_kb)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--clients", type=int, nargs="+", default=[1000, 2000])
    ap.add_argument("--operations", type=int, default=40)
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--quorlex", default=os.path.join(ROOT, "out", "quorlex", "quorlex"))
    ap.add_argument("--no-office", action="store_true", help="skip ssconvert and soffice")
    ap.add_argument("--office-timeout", type=float, default=600,
                    help="seconds after which ssconvert or soffice is reported as not finished")
    a = ap.parse_args()

    work = tempfile.mkdtemp(prefix="quorlex-bench-")
    install = os.path.join(work, "install")
    shutil.copytree(os.path.dirname(os.path.abspath(a.quorlex)), install)
    quorlex = os.path.join(install, os.path.basename(a.quorlex))
    for f in os.listdir(os.path.join(ROOT, "examples")):
        if f.endswith(".xsl"):
            shutil.copy2(os.path.join(ROOT, "examples", f), work)
    profile = "file://" + os.path.join(work, "lo-profile")

    rows = []
    for clients in a.clients:
        xml = os.path.join(work, f"DAYRUR~{clients}.xml")
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_dayrur.py"),
                        str(clients), str(a.operations), xml], check=True)
        page = os.path.join(work, f"page{clients}.html")
        with open(page, "wb") as f:
            subprocess.run(["xsltproc", xml], stdout=f, check=True)
        page_rows = open(page, encoding="cp1251").read().count("<tr")
        result = {"clients": clients, "rows": page_rows}
        print(f"\n{clients} clients, {page_rows} page rows; best of {a.repeat}", flush=True)
        runs = [("xsltproc", ["xsltproc", "-o", os.path.join(work, "r.html"), xml], a.repeat, None),
                ("quorlex xls", [quorlex, xml, "/f:xls"], a.repeat, None),
                ("quorlex doc", [quorlex, xml, "/f:doc"], a.repeat, None),
                ("quorlex xlsx", [quorlex, xml, "/f:xlsx"], a.repeat, None),
                ("quorlex docx", [quorlex, xml, "/f:docx"], a.repeat, None)]
        if not a.no_office:
            runs += [("ssconvert xls", ["ssconvert", page, os.path.join(work, "s.xls")], 1, a.office_timeout),
                     ("soffice doc", ["soffice", f"-env:UserInstallation={profile}", "--headless",
                                      "--convert-to", "doc", "--outdir", work, page], 1, a.office_timeout)]
        for name, cmd, repeat, limit in runs:
            seconds, kb = result[name] = measure(cmd, repeat, timeout=limit)
            if seconds is None:
                print(f"  {name:14s} did not finish in {limit:.0f} s", flush=True)
                continue
            render = result["xsltproc"][0]
            ratio = f"  ({seconds / render:.2f} x rendering)" if name != "xsltproc" else ""
            print(f"  {name:14s} {seconds:8.3f} s {kb / 1024:8.1f} MB{ratio}", flush=True)
        rows.append(result)
    if len(rows) >= 2:
        for key in ("quorlex xls", "quorlex xlsx", "quorlex doc", "quorlex docx"):
            growth = rows[-1][key][0] / rows[0][key][0]
            print(f"\n{key}: {rows[-1]['clients'] / rows[0]['clients']:.1f}x the clients took {growth:.2f}x the time")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
