"""The Linux build and the Windows build under Wine draw the same text with
the same stored settings on identical 1024x768 screens: the background band
of every case has the same four edges (within a pixel) on both, and so has
everything drawn, glyph ink standing out of the band included."""
import os
import sys
import unittest

import wine_support
from wine_support import xtest

BACK = (254, 247, 235)   # the command line's default background, 15464446
ROOT = "#336699"
SEARCH = (0, 150, 1024, 500)  # every case's band lies in these rows

# name, stored (th, tw[, font]) or None for nothing stored, command-line words
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
    ("ink beyond the band", ("40", "15", "DejaVu Serif"), ["Leaf", "f"]),
    ("wider than the box", ("30", "15"),
     ["The", "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog", "twice"]),
]


EDGES = ("band left", "band top", "band right", "band bottom",
         "drawn left", "drawn top", "drawn right", "drawn bottom")


def drawn(image):
    """Bounding box of every pixel in SEARCH that is not the root colour."""
    root = bytes.fromhex(ROOT[1:])
    x0, y0, x1, y1 = SEARCH
    rows = []
    cols = []
    for y in range(y0, y1):
        line = image.data[(y * image.width + x0) * 3:(y * image.width + x1) * 3]
        xs = [x0 + i // 3 for i in range(0, len(line), 3) if line[i:i + 3] != root]
        if xs:
            rows.append(y)
            cols += (xs[0], xs[-1])
    if not rows:
        return (0, 0, 0, 0)
    return (min(cols), rows[0], max(cols) + 1, rows[-1] + 1)


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
            for key, value in zip(("th", "tw", "font"), stored):
                wine_support.reg_add(self.env, key, value)
                body += "%s=%s\n" % (key, value)
        xtest.write_settings(self.xs, body)

    def band(self, command, log):
        self.xs.fill_root(ROOT)
        if log == "linux":
            result = self.xs.run(command, timeout=60)
            self.assertEqual(result.returncode, 0, result.stderr)
        else:
            self.assertEqual(wine_support.run(self.env, command, timeout=120, log=log), 0)
        image = self.xs.screenshot()
        return image.find(BACK, SEARCH), drawn(image)

    def test_band_edges_match(self):
        linux = linux_exe()
        table = []
        for name, stored, words in CASES:
            with self.subTest(name):
                self.store(stored)
                mine, my_ink = self.band([linux] + words, "linux")
                theirs, their_ink = self.band([self.exe] + words, "band")
                table.append("%-22s linux %s wine %s" % (name, mine, theirs))
                self.assertIsNotNone(theirs, "Wine drew no band")
                self.assertIsNotNone(mine, "Linux drew no band")
                for what, a, b in zip(EDGES, mine + my_ink, theirs + their_ink):
                    self.assertLessEqual(abs(a - b), 1, "%s: Linux %d, Wine %d" % (what, a, b))
        print("\n" + "\n".join(table), file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
