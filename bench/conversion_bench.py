#!/usr/bin/env python3
"""End-to-end benchmark of a DAYRUR report with many clients: quorlex's
whole conversion (to xls and to doc) beside xsltproc rendering the same report,
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


def measure(cmd, repeat, cwd=None):
    best = None
    for _ in range(repeat):
        start = time.perf_counter()
        p = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], cwd=cwd, capture_output=True)
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
        result["xsltproc"] = measure(["xsltproc", "-o", os.path.join(work, "r.html"), xml], a.repeat)
        result["quorlex xls"] = measure([quorlex, xml, "/f:xls"], a.repeat)
        result["quorlex doc"] = measure([quorlex, xml, "/f:doc"], a.repeat)
        if not a.no_office:
            result["ssconvert xls"] = measure(["ssconvert", page, os.path.join(work, "s.xls")], 1)
            result["soffice doc"] = measure(["soffice", f"-env:UserInstallation={profile}", "--headless",
                                             "--convert-to", "doc", "--outdir", work, page], 1)
        rows.append(result)

    print(f"DAYRUR, {a.operations} operations a client; best of {a.repeat}; seconds / peak MB")
    for r in rows:
        print(f"\n{r['clients']} clients, {r['rows']} page rows")
        render = r["xsltproc"][0]
        for name, value in r.items():
            if isinstance(value, tuple):
                ratio = f"  ({value[0] / render:.2f} x rendering)" if name != "xsltproc" else ""
                print(f"  {name:14s} {value[0]:8.3f} s {value[1] / 1024:8.1f} MB{ratio}")
    if len(rows) >= 2:
        for key in ("quorlex xls", "quorlex doc"):
            growth = rows[-1][key][0] / rows[0][key][0]
            print(f"\n{key}: {rows[-1]['clients'] / rows[0]['clients']:.1f}x the clients took {growth:.2f}x the time")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
