"""`cmake --install` of a build tree: the program, its desktop entry and its
icon land where desktop environments look, and the installed program
starts its window from there.

Usage: python3 install_test.py BUILD_DIR [unittest args]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "..", "support"))
from xtest import XServer  # noqa: E402

BUILD = None


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="scriblane-install-")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], check=True,
                       stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_program_is_installed_executable(self):
        self.assertTrue(os.access(self.path("bin", "scriblane"), os.X_OK))

    def test_desktop_entry(self):
        with open(self.path("share", "applications", "scriblane.desktop")) as f:
            lines = f.read().splitlines()
        self.assertEqual(lines[0], "[Desktop Entry]")
        entry = dict(line.split("=", 1) for line in lines[1:] if "=" in line)
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(entry["Name"], "Scriblane")
        self.assertEqual(entry["Icon"], "scriblane")
        # No field codes: an argument would make the program draw it and end.
        self.assertEqual(entry["Exec"], "scriblane")
        self.assertEqual(entry["Terminal"], "false")

    def test_icon_is_a_32_pixel_png(self):
        with open(self.path("share", "icons", "hicolor", "32x32", "apps", "scriblane.png"), "rb") as f:
            head = f.read(24)
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(head[12:16], b"IHDR")
        self.assertEqual(struct.unpack(">II", head[16:24]), (32, 32))

    def test_installed_program_shows_its_window(self):
        with XServer() as server:
            proc = subprocess.Popen([self.path("bin", "scriblane")], env=server.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            try:
                deadline = time.time() + 15
                found = []
                while time.time() < deadline and not found and proc.poll() is None:
                    found = server.run(["xdotool", "search", "--onlyvisible", "--name",
                                        "^Scriblane$"]).stdout.split()
                    time.sleep(0.05)
                self.assertTrue(found, "no window; stderr: %r" % (proc.stderr.read1()
                                                                if proc.poll() is not None else b""))
            finally:
                proc.kill()
                proc.wait(5)
                proc.stderr.close()

    def test_installed_program_draws_with_saved_settings(self):
        # Command-line mode loads its settings module from the install tree.
        with XServer() as server:
            server.fill_root("#000000")
            config = os.path.join(server.env["XDG_CONFIG_HOME"], "Scriblane")
            os.makedirs(config)
            with open(os.path.join(config, "Scriblane.conf"), "w") as f:
                f.write("[settings]\nth=50\n")
            result = server.run([self.path("bin", "scriblane"), "Hi"])
            self.assertEqual(result.returncode, 0, result.stderr)
            band = server.screenshot().find((254, 247, 235))
            self.assertIsNotNone(band)
            # A cell of 50 comes out 51 high, as the Windows build's does.
            self.assertEqual((band[1], band[3] - band[1]), (184, 51))

    def test_installed_program_finds_its_shaping_module(self):
        # Without it, a line to be shaped is drawn unshaped after a line on stderr.
        with XServer() as server:
            result = server.run([self.path("bin", "scriblane"), "\u0645\u0631\u062d\u0628\u0627"])
            self.assertEqual((result.returncode, result.stderr), (0, b""))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
