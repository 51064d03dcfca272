"""Command-line mode with absurd input: extreme sizes, huge and hostile text,
damaged settings. Each run must end on its own with status 0 and leave a
sensible picture; the timeouts are generous limits, not measurements.

Usage: cmdline_extremes.py PATH_TO_SCRIBLANE
"""
import os
import pwd
import random
import subprocess
import sys
import unittest

import xtest

PROGRAM = None
ROOT = (16, 32, 48)
ROOT_NAME = "#102030"
BACK = (254, 247, 235)
TEXT = (5, 87, 154)
LIMIT = 20  # seconds a single run may take before it counts as hung

INT_MAX = "2147483647"
INT_MIN = "-2147483648"


class ExtremesTest(unittest.TestCase):
    def setUp(self):
        self.server = xtest.XServer().__enter__()

    def tearDown(self):
        self.server.__exit__(None, None, None)

    def run_program(self, args, settings=None, raw=None):
        self.server.fill_root(ROOT_NAME)
        if settings is not None or raw is not None:
            xtest.write_settings(self.server, settings or "", raw=raw)
        result = self.server.run([PROGRAM] + args, timeout=LIMIT)
        self.assertEqual(result.returncode, 0, result.stderr[-500:])
        return result, self.server.screenshot()

    def test_extreme_sizes(self):
        for th in (INT_MAX, INT_MIN, "0"):
            for tw in (INT_MAX, INT_MIN, "0"):
                with self.subTest(th=th, tw=tw):
                    _, image = self.run_program(["Hello"], "th=%s\ntw=%s" % (th, tw))
                    found = image.find(BACK)
                    self.assertIsNotNone(found, "nothing drawn")
                    self.assertEqual(found[1], 184)
                    if th == "0":
                        self.assertEqual(found[3] - found[1], 16)  # the default cell
                    else:
                        self.assertEqual(found[3], 768)  # a cell taller than the screen
                    if tw != "0" and th != "0":
                        # Stretched past the screen on both sides, the band
                        # is clipped, not wrapped.
                        self.assertEqual((found[0], found[2]), (0, 1024))
                    if th == "0":
                        # The default size takes no width (as under Wine):
                        # "  Hello" at its natural 40 pixels.
                        self.assertEqual(found[2] - found[0], 40)
                    # Nothing above the box's top was touched.
                    self.assertEqual(xtest.count_other(image, ROOT, (0, 0, 1024, 184)), 0)

    def test_tiny_sizes(self):
        for th, tw in (("1", "1"), ("-1", "-1"), ("2", "0"), ("0", "1")):
            with self.subTest(th=th, tw=tw):
                _, image = self.run_program(["Hello"], "th=%s\ntw=%s" % (th, tw))
                self.assertEqual(xtest.count_other(image, ROOT, (0, 0, 1024, 184)), 0)

    def test_one_mebibyte_of_text(self):
        # One argument may hold at most 128 KiB; the program joins arguments
        # with single spaces.
        words = ["W" * (120 * 1024)] * 9
        self.assertGreater(sum(map(len, words)) + 8, 1024 * 1024)
        _, image = self.run_program(words)
        found = image.find(BACK)
        self.assertEqual(found, (0, 184, 1024, 214))
        self.assertGreater(image.count(TEXT, found), 1000)

    def test_ten_thousand_lines(self):
        _, image = self.run_program(["line\n" * 10000])
        found = image.find(BACK)
        self.assertEqual((found[1], found[3]), (184, 768))
        # Lines stack one cell apart all the way down.
        for top in range(184, 768, 30):
            self.assertIsNotNone(image.find(BACK, (0, top, 1024, top + 1)), top)

    def test_invalid_utf8_and_control_characters(self):
        for text in (b"\xff\xfe\x80abc\xc0\x80\xed\xa0\x80", b"\x01\x02\x1b[31m\x7f\tTab",
                     bytes(range(1, 256)), b"\xe2\x82"):
            with self.subTest(text=text[:16]):
                _, image = self.run_program([text])
                found = image.find(BACK)
                self.assertIsNotNone(found)
                self.assertEqual(found[1], 184)

    def test_binary_garbage_settings_draw_the_default_band(self):
        rng = random.Random(4)
        garbage = [bytes(rng.randrange(256) for _ in range(8192)) for _ in range(3)]
        typed = (b"[settings]\nth=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xff)\n"
                 b"tw=@ByteArray(\xff\x00)\nfont=\x00\x01\n")
        for n, raw in enumerate(garbage + [typed]):
            with self.subTest(n=n):
                _, image = self.run_program(["Hello"], raw=raw)
                found = image.find(BACK)
                self.assertIsNotNone(found, "nothing drawn")
                self.assertEqual((found[1], found[3] - found[1]), (184, 30))

    def test_settings_that_cannot_be_read(self):
        # Nothing to read there, or nothing that may be: the defaults draw,
        # nothing waits for a writer that never comes, and a file that is
        # there but cannot be read is named on one line.
        folder = os.path.join(self.server.env["XDG_CONFIG_HOME"], "Scriblane")
        path = os.path.join(folder, "Scriblane.conf")
        saved = b"[settings]\nth=60\ncolorB=255\n"

        def oversized(p):
            # Distinct keys past the 1 MiB bound, the saved values first.
            lines = [saved] + [b"k%d=v\n" % n for n in range(200000)]
            with open(p, "wb") as f:
                f.write(b"".join(lines))

        def not_permitted(p):
            with open(p, "wb") as f:
                f.write(saved)
            os.chmod(p, 0o600)  # root's own, run as another user below

        makers = {"fifo": (os.mkfifo, None), "folder": (os.makedirs, None),
                  "device": (lambda p: os.symlink("/dev/zero", p), None),
                  "oversized": (oversized, "larger than 1 MiB"),
                  "not_permitted": (not_permitted, "permission denied")}
        for name, (make, reason) in makers.items():
            with self.subTest(name=name):
                user = None
                if name == "not_permitted":
                    if os.geteuid() != 0:
                        self.skipTest("needs root to run as another user")
                    try:
                        user = pwd.getpwnam(xtest.HeadlessSway.USER).pw_name
                    except KeyError:
                        self.skipTest("no user %s: scripts/setup.sh creates it"
                                      % xtest.HeadlessSway.USER)
                    for d in (self.server.home, self.server.env["XDG_CONFIG_HOME"]):
                        os.chmod(d, 0o755)
                    subprocess.run(["xhost", "+si:localuser:" + user], env=self.server.env,
                                   check=True, capture_output=True)
                os.makedirs(folder, mode=0o755, exist_ok=True)
                make(path)
                try:
                    if user:
                        self.server.fill_root(ROOT_NAME)
                        result = self.server.run([PROGRAM, "Hello"], timeout=LIMIT, user=user)
                        self.assertEqual(result.returncode, 0, result.stderr[-500:])
                        image = self.server.screenshot()
                    else:
                        result, image = self.run_program(["Hello"])
                    said = [line for line in result.stderr.decode("utf-8", "replace").splitlines()
                            if "settings" in line]
                    if reason:
                        self.assertEqual(len(said), 1, said)
                        self.assertIn(reason, said[0])
                        self.assertIn(path, said[0])
                    # Drawn with the defaults: the default background, 30 high.
                    found = image.find(BACK)
                    self.assertIsNotNone(found, "nothing drawn")
                    self.assertEqual(found[3] - found[1], 30)
                    self.assertGreater(image.count(TEXT, found), 0)
                finally:
                    if os.path.isdir(path) and not os.path.islink(path):
                        os.rmdir(path)
                    else:
                        os.remove(path)

    def test_huge_values_in_settings_draw_or_end_quietly(self):
        # A number beyond 32 bits ends the drawing; anything else draws.
        cases = (("th=" + "9" * 5000, False), ("font=" + "F" * 100000, True),
                 ("colorT=1e999", False), ("th=-0.0000000001", True), ("tw=4.5e2", True))
        for setting, drawn in cases:
            with self.subTest(setting=setting[:20]):
                _, image = self.run_program(["Hello"], setting)
                self.assertEqual(image.find(BACK) is not None, drawn)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
