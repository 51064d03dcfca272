#!/usr/bin/env python3
"""Command-line mode with a 100 MB settings file of distinct `k=v` lines, on
a private Xvfb: how long `scriblane Hello` takes to refuse it and draw with
the defaults. Prints one line: the median and slowest run and what the
program said.

Usage: python3 bench/cmdline/huge_settings.py [PATH_TO_SCRIBLANE] [RUNS]
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "support"))
import xtest  # noqa: E402


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                              else os.path.join(HERE, "..", "..", "build", "scriblane"))
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    with xtest.XServer() as server:
        folder = os.path.join(server.env["XDG_CONFIG_HOME"], "Scriblane")
        os.makedirs(folder)
        with open(os.path.join(folder, "Scriblane.conf"), "wb") as f:
            f.write(b"[settings]\n")
            n = 0
            while f.tell() < 100 * 1000 * 1000:
                f.write(b"".join(b"key%d=value%d\n" % (k, k) for k in range(n, n + 100000)))
                n += 100000
        times = []
        said = ""
        for _ in range(runs):
            start = time.monotonic()
            result = server.run([program, "Hello"], timeout=600)
            times.append(time.monotonic() - start)
            said = result.stderr.decode("utf-8", "replace").strip()
            if result.returncode != 0:
                sys.exit("huge_settings.py: status %d: %s" % (result.returncode, said))
        print("100 MB settings file, %d runs: median %.1f ms, slowest %.1f ms; said: %s"
              % (runs, statistics.median(times) * 1000, max(times) * 1000, said))


if __name__ == "__main__":
    main()
