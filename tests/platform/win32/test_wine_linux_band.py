"""The Linux build and the Windows build under Wine draw the same text with
the same stored settings on identical 1024x768 screens: the background band
of every case has the same four edges (within a pixel) on both."""
import os
import sys
import unittest

import wine_support
from wine_support import xtest

BACK = (254, 247, 235)   # the command line's default background, 15464446
ROOT = "#336699"
SEARCH = (0, 150, 1024, 500)  # every case's band lies in these rows

# name, stored (th, tw) or None for nothing stored, command-line words
CASES = [
    ("defaults", None, ["Hello"]),
    ("width 0", ("30", "0"), ["HHHH"]),
    ("narrow", ("30", "5"), ["Narrow", "text"]),
    ("wide", ("30", "40"), ["Wide"]),
    ("taller", ("40", "0"), ["Hello"]),
    ("cell off the request", ("33", "15"), ["Some", "text"]),
    ("negative height", ("-30", "15"), ["Negative"]),
    ("height 0", ("0", "0"), ["Default", "size"]),
    ("several lines", ("25", "0"), ["First\nSecond", "line\nthird"]),
    ("prefixes", ("30", "0"), ["A&B", "&&", "C"]),
    ("wider than the box", ("30", "15"),
     ["The", "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog", "twice"]),
]


def linux_exe():
    path = os.environ.get("SCRIBLANE_LINUX_EXE")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("SCRIBLANE_LINUX_EXE is not set to the built program "
                           "(the CTest registration sets it)")
    return path


class LinuxMatchesWindows(wine_support.WineTestCase):
    def store(self, stored):
        wine_support.reg_delete_all(self.env)
        body = ""
        if stored is not None:
            th, tw = stored
            wine_support.reg_add(self.env, "th", th)
            wine_support.reg_add(self.env, "tw", tw)
            body = "th=%s\ntw=%s" % (th, tw)
        xtest.write_settings(self.xs, body)

    def band(self, command, log):
        self.xs.fill_root(ROOT)
        if log == "linux":
            result = self.xs.run(command, timeout=60)
            self.assertEqual(result.returncode, 0, result.stderr)
        else:
            self.assertEqual(wine_support.run(self.env, command, timeout=120, log=log), 0)
        return self.xs.screenshot().find(BACK, SEARCH)

    def test_band_edges_match(self):
        linux = linux_exe()
        table = []
        for name, stored, words in CASES:
            with self.subTest(name):
                self.store(stored)
                mine = self.band([linux] + words, "linux")
                theirs = self.band([self.exe] + words, "band")
                table.append("%-22s linux %s wine %s" % (name, mine, theirs))
                self.assertIsNotNone(theirs, "Wine drew no band")
                self.assertIsNotNone(mine, "Linux drew no band")
                for edge, a, b in zip(("left", "top", "right", "bottom"), mine, theirs):
                    self.assertLessEqual(abs(a - b), 1, "%s edge: Linux %d, Wine %d" % (edge, a, b))
        print("\n" + "\n".join(table), file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
