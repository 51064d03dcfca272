#!/usr/bin/env python3
"""Benchmark of the Windows build (not a test; nothing here passes or fails).

Reports the size of the stripped scriblane.exe and, under Wine on its own
Xvfb, the time from starting the program to its window being on the screen,
against a minimal Win32 program that shows one window, as the ratio of the
medians of several alternating runs.

    python3 bench/win32/bench_start.py [build-win32 dir] [runs]
"""
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "platform", "win32"))
build = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build-win32")
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
os.environ.setdefault("SCRIBLANE_WINEPREFIX", os.path.join(build, "bench-prefix"))
import wine_support  # noqa: E402
from wine_support import xtest  # noqa: E402

PROGRAMS = [("scriblane", os.path.join(build, "scriblane.exe"), "Scriblane"),
            ("minimal", os.path.join(build, "scriblane_bench_minimal.exe"), "Minimal")]


def time_to_window(xs, env, exe, title):
    started = time.monotonic()
    proc = wine_support.start(env, [exe], log="bench")
    try:
        while time.monotonic() - started < 120:
            if wine_support.find_windows(xs, title):
                return time.monotonic() - started
            time.sleep(0.02)
        raise RuntimeError("%s showed no window" % exe)
    finally:
        proc.kill()
        proc.wait()
        # The window goes with the process; wait so runs do not overlap.
        while wine_support.find_windows(xs, title):
            time.sleep(0.05)


def main():
    for _, exe, _ in PROGRAMS:
        if not os.path.isfile(exe):
            sys.exit("missing %s: run scripts/build-win32.sh first" % exe)
    size = os.path.getsize(PROGRAMS[0][1])
    print("scriblane.exe: %d bytes (%.0f KiB, %.1f%% of 1 MiB)" % (size, size / 1024,
                                                                  100 * size / 2**20))
    prefix = wine_support.prefix_dir()
    with xtest.XServer() as xs:
        env = wine_support.wine_env(xs.env)
        if not os.path.isfile(os.path.join(prefix, "system.reg")):
            with wine_support.log_file("wineboot") as out:
                subprocess.run(["wineboot", "-i"], env=env, stdout=out, stderr=out, check=True)
        wine_support.start_server(env)
        try:
            # One warm-up each: the first start after boot reads every DLL cold.
            for _, exe, title in PROGRAMS:
                time_to_window(xs, env, exe, title)
            times = {name: [] for name, _, _ in PROGRAMS}
            for _ in range(runs):
                for name, exe, title in PROGRAMS:
                    times[name].append(time_to_window(xs, env, exe, title))
        finally:
            wine_support.stop_server(env)
    med = {name: statistics.median(t) for name, t in times.items()}
    for name, t in times.items():
        print("%-10s start to window: median %.2f s  (runs: %s)"
              % (name, med[name], ", ".join("%.2f" % x for x in t)))
    print("ratio scriblane / minimal: %.2f" % (med["scriblane"] / med["minimal"]))


if __name__ == "__main__":
    main()
