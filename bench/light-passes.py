#!/usr/bin/env python3
"""Light-pass limiting: frame time of corvane-snapshot with each spot light's passes limited
to what its cone reaches (the default) and at full extent (--full-extent), at 640x480,
1280x720 and 1920x1080, as medians of interleaved runs in one invocation; and the whole
process's time to its first frame (--frames 1) beside bare_first_frame, a program that only
makes the same EGL context, calls glutInit and draws one cleared frame.

Usage: scripts/with-display.sh bench/light-passes.py BUILD_DIR [--frames N] [--runs R]
                                                      [--starts S] [--sizes WxH,...]
Frame times are wall clock per completed frame after the first, as --bench reports them (it
waits for the first and the last frame to finish): the median and the best of the runs (the
best is the least disturbed by other work on a shared machine). CPU is user + system time of the whole process (all threads, start-up included)
divided by the frames. Each table names the renderer (GL_RENDERER) and the EGL platform that
produced it, as --bench and bare_first_frame print them.
"""
import argparse
import os
import re
import resource
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(command):
    """Runs a command; returns (wall seconds, CPU seconds, stdout)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({done.returncode}): {done.stderr}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout


def producer(out):
    """The 'platform=... renderer="..."' that a bench line or bare_first_frame prints."""
    found = re.search(r'platform=(\S+) renderer="([^"]*)"', out)
    return f'renderer="{found.group(2)}" platform={found.group(1)}' if found else "renderer unknown"


def named(producers):
    return "; ".join(sorted(producers))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, default=600, help="frames per timed run")
    parser.add_argument("--runs", type=int, default=5, help="runs of each mode per size")
    parser.add_argument("--starts", type=int, default=7, help="start-up runs of each program")
    parser.add_argument("--sizes", default="640x480,1280x720,1920x1080")
    args = parser.parse_args()
    snapshot = os.path.join(args.build, "tools/snapshot/corvane-snapshot")
    bare = os.path.join(args.build, "bench/bare_first_frame")
    assets = os.path.join(ROOT, "assets")

    # What the runs need, checked before the first of them.
    missing = [path for path in (snapshot, bare) if not os.access(path, os.X_OK)]
    if missing:
        sys.exit(f"light-passes: not built: {' '.join(missing)}\n"
                 f"build them with: cmake -S {ROOT} -B {args.build} -DCORVANE_BUILD_BENCH=ON"
                 f" && cmake --build {args.build} --target corvane-snapshot bare_first_frame")
    if not os.environ.get("DISPLAY"):
        sys.exit("light-passes: needs an X display (GLUT): run it through scripts/with-display.sh")

    print(f"{args.frames} frames per run, {args.runs} interleaved runs per mode")
    lines = []
    producers = set()
    lines.append(f"{'size':>10} {'limited ms':>16} {'full ms':>16} {'fps ratio':>16}"
          f" {'CPU ms/frame':>16}")
    lines.append(f"{'':>10} {'median':>8}{'best':>8} {'median':>8}{'best':>8}"
                 f" {'median':>8}{'best':>8} {'limited':>8}{'full':>8}")
    for size in args.sizes.split(","):
        results = {"limited": [], "full": []}
        for i in range(args.runs):
            order = ["limited", "full"] if i % 2 == 0 else ["full", "limited"]
            for mode in order:
                command = [snapshot, "--assets", assets, "--size", size,
                           "--frames", str(args.frames), "--bench"]
                if mode == "full":
                    command.append("--full-extent")
                _, cpu, out = run(command)
                ms = float(re.search(r"ms_per_frame=([0-9.]+)", out).group(1))
                producers.add(producer(out))
                results[mode].append((ms, cpu * 1000.0 / args.frames))
        median = {m: statistics.median(ms for ms, _ in r) for m, r in results.items()}
        best = {m: min(ms for ms, _ in r) for m, r in results.items()}
        cpu = {m: statistics.median(c for _, c in r) for m, r in results.items()}
        lines.append(f"{size:>10} {median['limited']:8.2f}{best['limited']:8.2f}"
                     f" {median['full']:8.2f}{best['full']:8.2f}"
                     f" {median['full'] / median['limited']:7.2f}x"
                     f"{best['full'] / best['limited']:7.2f}x"
                     f" {cpu['limited']:8.2f}{cpu['full']:8.2f}")
    print(named(producers))
    print("\n".join(lines))

    starts = {"snapshot": [], "bare": []}
    start_producers = {"snapshot": set(), "bare": set()}
    for i in range(args.starts):
        order = ["snapshot", "bare"] if i % 2 == 0 else ["bare", "snapshot"]
        for program in order:
            # --bench waits for the first frame to finish, as the bare program's read-back does.
            command = ([snapshot, "--assets", assets, "--frames", "1", "--bench"]
                       if program == "snapshot" else [bare])
            wall, cpu, out = run(command)
            starts[program].append((wall, cpu))
            start_producers[program].add(producer(out))
    print(f"\nstart-up to the first frame, whole process, {args.starts} interleaved runs")
    print(f"{'':>10} {'median ms':>10} {'best ms':>8} {'CPU ms':>8}")
    for program in ("snapshot", "bare"):
        walls = [w * 1000.0 for w, _ in starts[program]]
        cpu = statistics.median(c for _, c in starts[program]) * 1000.0
        print(f"{program:>10} {statistics.median(walls):10.1f} {min(walls):8.1f} {cpu:8.1f}"
              f"  {named(start_producers[program])}")
    walls = {p: [w for w, _ in starts[p]] for p in starts}
    print(f"{'ratio':>10} {statistics.median(walls['snapshot']) / statistics.median(walls['bare']):9.2f}x"
          f" {min(walls['snapshot']) / min(walls['bare']):7.2f}x")


if __name__ == "__main__":
    main()
