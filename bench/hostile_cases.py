#!/usr/bin/env python3
"""Large and hostile charts through fmhost, one chart per run, both flavours.

Each case is a script of one chart that a solution could pass (mixed-sign
pies, many graphs by many labels, tall line charts, exploded slices, texts
of ten megabytes, four of the largest pictures). Every run must answer with
its picture (or, where the case allows it, -5 with a log line); the table
gives the wall time of the whole run and its peak resident memory, beside
the case's target.

usage: hostile_cases.py BIN_DIR [CASE_SUBSTRING]
"""
import os
import signal
import shutil
import subprocess
import sys
import tempfile
import time

MB = 1 << 20


def create(kind, name, width, height, title="Chart", extra=""):
    return ('PVane_CreateChart ( "%s" ; "%s" ; "png" ; %d ; %d ; "FFFFFF" ; "%s"%s )'
            % (kind, name, width, height, title, extra))


def values(seq):
    return "¶".join(str(v) for v in seq)


def chart_lines(kind, width, height, data, *, title="Chart", graph_title="Graph",
                labels=None, exploded=False, graphs=None):
    lines = [create(kind, "c", width, height, title)]
    if graphs is None:
        lines.append('PVane_AddGraph ( "c" ; "g" ; "%s" )' % graph_title)
        lines.append('PVane_AddData ( "c" ; "g" ; "%s"%s )'
                     % (values(data), ' ; "exploded"' if exploded else ""))
    else:
        for g, v in enumerate(graphs):
            lines.append('PVane_AddGraph ( "c" ; "g%06d" ; "G%d" )' % (g, g))
            lines.append('PVane_AddData ( "c" ; "g%06d" ; "%s" )' % (g, v))
    if labels is not None:
        lines.append('PVane_AddLabels ( "c" ; "%s" )' % labels)
    lines.append('PVane_GetChart ( "c" )')
    return lines


def four_largest():
    lines = []
    for i in range(4):
        lines.append(create("bars 2d", "c%d" % i, 8192, 8192))
        lines.append('PVane_AddGraph ( "c%d" ; "g" ; "G" )' % i)
        lines.append('PVane_AddData ( "c%d" ; "g" ; "%s" )' % (i, values(range(1, 13))))
    lines += ['PVane_GetChart ( "c%d" )' % i for i in range(4)]
    return lines


TEN_MB = "x" * (10 * MB)


def noise(count, seed=1):
    """Deterministic values in 0..999 with no pattern a line could follow."""
    out, x = [], seed
    for _ in range(count):
        x = (x * 1103515245 + 12345) % 2147483648
        out.append(x >> 16 & 1023 if (x >> 16 & 1023) < 1000 else 999)
    return out

# (name, script lines, pies?, seconds, megabytes, pictures wanted, -5 allowed)
CASES = [
    ("pie 2d of 100 and -99", lambda: chart_lines("pie 2d", 640, 480, [100, -99]), True, 0.5, 1536, 1, False),
    ("pie 3d of 100 and -99", lambda: chart_lines("pie 3d", 640, 480, [100, -99]), True, 0.5, 1536, 1, False),
    ("pie 2d 300,000 of 1000 / -999", lambda: chart_lines(
        "pie 2d", 640, 480, [1000 if i % 2 == 0 else -999 for i in range(300000)]), True, 2.0, 1536, 1, False),
    ("bars 2d 1600x1200 1,000 graphs x 30,000 labels", lambda: chart_lines(
        "bars 2d", 1600, 1200, None, graphs=["7"] * 1000,
        labels=values("L%d" % i for i in range(30000))), False, 2.0, 600, 1, False),
    ("bars 2d 1600x1200 10,000 graphs x 1,000,000 labels", lambda: chart_lines(
        "bars 2d", 1600, 1200, None, graphs=["7"] * 10000,
        labels=values("L%d" % i for i in range(1000000))), False, 10.0, 1536, 1, True),
    ("lines 100,000 values 2048x4000", lambda: chart_lines(
        "lines", 2048, 4000, noise(100000)), False, 2.0, 1536, 1, False),
    ("lines 100,000 values 2048x32767", lambda: chart_lines(
        "lines", 2048, 32767, noise(100000)), False, 5.0, 1536, 1, False),
    ("pie 3d 100,000 exploded 640x480", lambda: chart_lines(
        "pie 3d", 640, 480, [1 + i % 7 for i in range(100000)], exploded=True), True, 1.5, 1536, 1, False),
    ("pie 3d 5,000 exploded 4096x4096", lambda: chart_lines(
        "pie 3d", 4096, 4096, [1 + i % 7 for i in range(5000)], exploded=True), True, 3.0, 1536, 1, False),
    ("10 MB graph title", lambda: chart_lines(
        "bars 2d", 640, 480, [1, 2, 3], graph_title=TEN_MB), False, 1.5, 600, 1, False),
    ("10 MB chart title", lambda: chart_lines(
        "bars 2d", 640, 480, [1, 2, 3], title=TEN_MB), False, 1.5, 600, 1, False),
    ("10 MB label", lambda: chart_lines(
        "bars 2d", 640, 480, [1, 2, 3], labels=TEN_MB), False, 1.5, 600, 1, False),
    ("four 8192x8192 charts", four_largest, False, None, 1536, 4, False),
]


def run(cmd, script_path, out_dir, limit):
    """Runs one script; a run past limit seconds is killed (exit code None)."""
    start = time.monotonic()
    with open(script_path, "rb") as script, tempfile.TemporaryFile() as answers:
        proc = subprocess.Popen(cmd + ["--out", out_dir, "--json", "-"], stdin=script,
                                stdout=answers, stderr=subprocess.DEVNULL)
        status, usage = None, None
        while status is None:
            pid, waited, used = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                status, usage = waited, used
            elif time.monotonic() - start > limit:
                os.kill(proc.pid, signal.SIGKILL)
            else:
                time.sleep(0.01)
        answers.seek(0)
        output = answers.read().decode("utf-8", "replace")
    seconds = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    proc.returncode = code
    pictures = output.count('"type":"container"')
    refused = output.count('"error":-5') + output.count('"number":-5')
    return seconds, usage.ru_maxrss / 1024.0, pictures, refused, code


def main():
    if len(sys.argv) < 2:
        print("usage: hostile_cases.py BIN_DIR [CASE_SUBSTRING]", file=sys.stderr)
        return 2
    bin_dir = os.path.abspath(sys.argv[1])
    only = sys.argv[2] if len(sys.argv) > 2 else ""
    work = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    fmhost = [os.path.join(bin_dir, "fmhost")]
    bundle = os.path.join(bin_dir, "Plotvane.fmplugin")
    flavours = [("win", fmhost, False), ("mac 10.5", fmhost + ["--plugin", bundle], False),
                ("mac 10.4", fmhost + ["--plugin", bundle, "--mac-system", "10.4"], True)]
    failed = 0
    print("%-52s %-9s %8s %9s %8s  %s" % ("case", "flavour", "seconds", "peak MB", "target", "answer"))
    try:
        for name, make, pies_only, seconds, megabytes, wanted, refusal_ok in CASES:
            if only not in name:
                continue
            path = os.path.join(work, "case.fmcalc")
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(make()) + "\n")
            for flavour, cmd, needs_pie in flavours:
                if needs_pie and not pies_only:
                    continue
                out_dir = os.path.join(work, "out")
                os.makedirs(out_dir, exist_ok=True)
                took, peak, pictures, refused, code = run(cmd, path, out_dir, max(30.0, 4 * (seconds or 10)))
                shutil.rmtree(out_dir, ignore_errors=True)
                answered = pictures >= wanted or (refusal_ok and refused > 0)
                within = (seconds is None or took <= seconds) and peak <= megabytes
                ok = answered and within and code == 0
                failed += 0 if ok else 1
                target = "%s/%d" % ("-" if seconds is None else "%g s" % seconds, megabytes)
                answer = "%d picture(s)" % pictures if pictures else ("-5" if refused else "none")
                print("%-52s %-9s %8.2f %9.0f %8s  %s%s" % (name, flavour, took, peak, target, answer,
                                                           "" if ok else "  << MISSED"))
                sys.stdout.flush()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d case run(s) missed their target" % failed if failed else "every case within its target")
    return 0


if __name__ == "__main__":
    sys.exit(main())
