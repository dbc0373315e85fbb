#!/usr/bin/env python3
# Times whole batch runs of the built program without a window, with /usr/bin/time -v: the
# bundled examples, and generated models of 100,000 and 1,000,000 nodes and bars run with
# -R 100001 and -R 1000001.
import argparse
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def large_model(path, bars=100000):
    """A block carried by `bars` bars and `bars` nodes: bars/2 block nodes on a disc and bars/2
    supports below; bar 2k-1 holds block node k to support k, bar 2k to a support drawn at
    random, with the three bar types in turn."""
    rng = random.Random(1)
    half = bars // 2
    lines = ["[loads]", "Fx=10.000", "Fy=-20.000", "Fz=1000.000", "Tx=5.000", "Ty=0.000",
             "Tz=50.000", "[properties]", "E=210000000", "A=0.0001", "[coordinates]"]
    for n in range(1, half + 1):
        a, r = rng.uniform(0, 2 * math.pi), rng.uniform(0.2, 5.0)
        lines.append("%d=%.3f@%.3f@%.3f" % (n, r * math.cos(a), r * math.sin(a), 0.5))
    for n in range(half + 1, 2 * half + 1):
        a, r = rng.uniform(0, 2 * math.pi), rng.uniform(0.0, 8.0)
        lines.append("%d=%.3f@%.3f@%.3f" % (n, r * math.cos(a), r * math.sin(a),
                                             rng.uniform(2.0, 4.0)))
    lines.append("[elements]")
    for i in range(1, 2 * half + 1):
        block = (i + 1) // 2
        support = half + block if i % 2 else half + rng.randint(1, half)
        lines.append("%d=%d@%d@%d" % (i, block, support, i % 3))
    lines += ["[barproperties]", "1=210000000@0.0002", "2=70000000@0.0003"]
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def timed_run(program_dir, args, cwd):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    proc = subprocess.run(["/usr/bin/time", "-v", os.path.join(program_dir, "tarvelin")] + args,
                          cwd=cwd, env=env, capture_output=True, text=True)
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (\S+)", proc.stderr)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)
    seconds = 0.0
    for part in wall.group(1).split(":"):
        seconds = seconds * 60 + float(part)
    status = re.search(r"Exit status: (\d+)", proc.stderr)
    return seconds, int(rss.group(1)) / 1024.0, int(status.group(1)) if status else proc.returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "bin", "tarvelin"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--bars", type=int, nargs="+", default=[100000, 1000000])
    # Pictures are drawn for the models up to this size (drawing is not the batch's own work).
    parser.add_argument("--picture-bars", type=int, default=100000)
    opts = parser.parse_args()
    if not os.path.exists("/usr/bin/time"):
        print("/usr/bin/time is missing (Debian package 'time')")
        return 1

    work = tempfile.mkdtemp(prefix="tarvelin-bench-")
    try:
        shutil.copy2(opts.program, work)
        settings = os.path.join(work, "tarvelin.ini")
        cases = []
        for name in sorted(os.listdir(os.path.join(ROOT, "examples"))):
            if name.upper().endswith(".PEN"):
                cases.append((name, os.path.join(ROOT, "examples", name), []))
        for bars in opts.bars:
            big = os.path.join(work, "large%d.source" % bars)
            large_model(big, bars)
            cases.append(("%d bars, -R %d" % (bars, bars + 1), big, ["-R", str(bars + 1)]))
            if bars > opts.picture_bars:
                continue
            # The same run with the picture of the calculated model (offscreen painting).
            for kind in ("png", "svg"):
                cases.append(("%d bars, -p %s" % (bars, kind), big,
                              ["-R", str(bars + 1), "-p", "model." + kind]))

        print("%-28s %10s %10s %10s %12s" % ("model", "best wall", "median", "worst wall",
                                              "peak memory"))
        for label, source, extra in cases:
            walls, peaks = [], []
            for _ in range(opts.repeat):
                with open(settings, "w", newline="") as f:
                    f.write("[program]\r\nautoupdate=0\r\n")
                model = os.path.join(work, "model.PEN")
                shutil.copy2(source, model)
                wall, peak, status = timed_run(work, ["-i", "model.PEN"] + extra, work)
                if status != 0:
                    print("%s: exit status %d" % (label, status))
                    return 1
                walls.append(wall)
                peaks.append(peak)
            median = sorted(walls)[len(walls) // 2]
            print("%-28s %9.2fs %9.2fs %9.2fs %9.1f MB" % (label, min(walls), median, max(walls),
                                                          max(peaks)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
