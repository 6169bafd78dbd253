#!/usr/bin/env python3
"""End-to-end benchmark of a DAYRUR report with many clients: quorlex's
whole conversion (to xls, xlsx, doc and docx) beside xsltproc rendering the same report,
ssconvert turning the rendered page into xls, and LibreOffice turning it into
doc, all in one run.

    bench/conversion_bench.py [--clients 1000 2000] [--operations 40] [--repeat 5]
        [--formats xls doc xlsx docx] [--quorlex out/quorlex/quorlex] [--no-office]

xsltproc and the quorlex conversions run in turn, --repeat rounds of one run
each, so that a slow moment of a shared machine falls on all of them alike.
Times are the medians of the rounds (wall clock); memory is the median peak
resident set, from GNU time. The office baselines run once.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def run_once(cmd, cwd=None, timeout=None):
    """(seconds, peak KB) of one run; (None, None) when it takes longer than
    `timeout` seconds."""
    start = time.perf_counter()
    try:
        p = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], cwd=cwd, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return (None, None)
    elapsed = time.perf_counter() - start
    if p.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{p.stderr.decode(errors='replace')[-2000:]}")
    return (elapsed, int(p.stderr.decode().strip().splitlines()[-1]))


def measure_in_turn(commands, rounds):
    """{name: (median seconds, median peak KB)} of `rounds` rounds, each
    running every command once, in order."""
    samples = {name: [] for name, _ in commands}
    for _ in range(rounds):
        for name, cmd in commands:
            samples[name].append(run_once(cmd))
    return {name: (statistics.median(s for s, _ in runs), statistics.median(kb for _, kb in runs))
            for name, runs in samples.items()}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--clients", type=int, nargs="+", default=[1000, 2000])
    ap.add_argument("--operations", type=int, default=40)
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--formats", nargs="+", default=["xls", "doc", "xlsx", "docx"])
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
        print(f"\n{clients} clients, {page_rows} page rows; medians of {a.repeat} rounds", flush=True)
        commands = [("xsltproc", ["xsltproc", "-o", os.path.join(work, "r.html"), xml])]
        commands += [(f"quorlex {f}", [quorlex, xml, "/f:" + f]) for f in a.formats]
        result.update(measure_in_turn(commands, a.repeat))
        if not a.no_office:
            result["ssconvert xls"] = run_once(["ssconvert", page, os.path.join(work, "s.xls")],
                                               timeout=a.office_timeout)
            result["soffice doc"] = run_once(["soffice", f"-env:UserInstallation={profile}", "--headless",
                                              "--convert-to", "doc", "--outdir", work, page],
                                             timeout=a.office_timeout)
        render = result["xsltproc"]
        for name in [n for n, _ in commands] + [n for n in ("ssconvert xls", "soffice doc") if n in result]:
            seconds, kb = result[name]
            if seconds is None:
                print(f"  {name:14s} did not finish in {a.office_timeout:.0f} s", flush=True)
                continue
            ratio = f"  ({seconds / render[0]:.2f}x the time, {kb / render[1]:.2f}x the memory of rendering)" \
                if name != "xsltproc" else ""
            print(f"  {name:14s} {seconds:8.3f} s {kb / 1024:8.1f} MB{ratio}", flush=True)
        rows.append(result)
    if len(rows) >= 2:
        for key in (f"quorlex {f}" for f in a.formats):
            growth = rows[-1][key][0] / rows[0][key][0]
            print(f"\n{key}: {rows[-1]['clients'] / rows[0]['clients']:.1f}x the clients took {growth:.2f}x the time")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
