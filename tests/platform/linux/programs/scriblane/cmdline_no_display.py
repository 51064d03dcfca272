"""When the program cannot start (no usable X display, the window program
missing) it says so in one line on stderr, ends with a failure status and
writes nothing.

Usage: cmdline_no_display.py PATH_TO_SCRIBLANE
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PROGRAM = None


class NoDisplayTest(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="scriblane-nodisplay-")
        self.env = dict(os.environ, HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"))
        self.env.pop("DISPLAY", None)
        self.env.pop("WAYLAND_DISPLAY", None)

    def tearDown(self):
        shutil.rmtree(self.home, ignore_errors=True)

    def check(self, args, display, wayland=None):
        env = dict(self.env)
        if display is not None:
            env["DISPLAY"] = display
        if wayland is not None:
            env["WAYLAND_DISPLAY"] = wayland
        result = subprocess.run([PROGRAM] + args, env=env, capture_output=True, timeout=20)
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"")
        lines = result.stderr.decode("utf-8", "replace").splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertTrue(lines[0].startswith("scriblane: cannot open X display"), lines[0])
        self.assertEqual(os.listdir(self.home), [], "something was written")
        return lines[0]

    def test_unset_display(self):
        for args in (["Hello"], []):
            with self.subTest(args=args):
                self.assertIn("not set", self.check(args, None))

    def test_wayland_without_xwayland_says_xwayland_is_needed(self):
        for args in (["Hello"], []):
            with self.subTest(args=args):
                self.assertIn("needs XWayland", self.check(args, None, wayland="wayland-0"))
        # With an X display named, the usual line: the X server is the question.
        self.assertNotIn("XWayland", self.check(["Hello"], ":4999", wayland="wayland-0"))

    def test_unreachable_display(self):
        for args in (["Hello"], []):
            with self.subTest(args=args):
                self.assertIn('":4999"', self.check(args, ":4999"))

    def test_display_name_with_a_line_break_stays_one_line(self):
        self.check(["Hello"], ":4999\nsecond line")


class MissingWindowProgramTest(unittest.TestCase):
    def test_without_an_argument_a_missing_window_program_is_reported(self):
        folder = tempfile.mkdtemp(prefix="scriblane-alone-")
        try:
            alone = os.path.join(folder, "scriblane")
            shutil.copy(PROGRAM, alone)
            env = dict(os.environ, HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"))
            result = subprocess.run([alone], env=env, capture_output=True, timeout=20)
            self.assertNotEqual(result.returncode, 0)
            lines = result.stderr.decode("utf-8", "replace").splitlines()
            self.assertEqual(len(lines), 1, result.stderr)
            self.assertIn("scriblane-window", lines[0])
            self.assertEqual(sorted(os.listdir(folder)), ["scriblane"])
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
