"""The Debian package made by CPack from a build tree: what it installs, what
it depends on, and that its manual page, desktop entry and the package as a
whole pass the tools that judge them.

Usage: python3 package_test.py BUILD_DIR [unittest args]
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = None

# (path in the package, must be executable)
INSTALLED = [
    ("usr/bin/scriblane", True),
    ("usr/libexec/scriblane/scriblane-window", True),
    ("usr/libexec/scriblane/scriblane-settings.so", False),
    ("usr/libexec/scriblane/scriblane-overlay", True),
    ("usr/libexec/scriblane/scriblane-native.so", False),
    ("usr/share/applications/scriblane.desktop", False),
    ("usr/share/icons/hicolor/32x32/apps/scriblane.png", False),
    ("usr/share/man/man1/scriblane.1.gz", False),
    ("usr/share/doc/scriblane/README.md", False),
    ("usr/share/doc/scriblane/copyright", False),
    ("usr/share/doc/scriblane/changelog.gz", False),
]

# Depends must name these: the X libraries of command-line mode, Qt for the
# window and the settings, the shaping and layer modules' libraries and the
# plugin that no binary names.
DEPENDS = ["libc6", "libx11-6", "libxft2", "libxrandr2", "libfontconfig1",
           "libqt6core6", "libqt6gui6", "libqt6widgets6", "libharfbuzz0b", "libfribidi0",
           "libwayland-client0", "libpixman-1-0", "qt6-qpa-plugins"]

# Headings the manual page must render.
MAN_SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "SETTINGS", "NUMBER FORMS", "EXIT STATUS",
                "ENVIRONMENT", "WAYLAND", "EXAMPLES"]


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, timeout=120, **kw)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scriblane-package-")
        made = run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                    "-B", cls.work])
        debs = glob.glob(os.path.join(cls.work, "scriblane_*.deb"))
        if made.returncode != 0 or len(debs) != 1:
            shutil.rmtree(cls.work, ignore_errors=True)
            raise AssertionError("cpack made no package:\n" + made.stdout + made.stderr)
        cls.deb = debs[0]
        cls.root = os.path.join(cls.work, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    def test_installs_program_companions_and_documents(self):
        listed = run(["dpkg-deb", "-c", self.deb]).stdout
        for path, executable in INSTALLED:
            with self.subTest(path=path):
                self.assertIn(" ./" + path + "\n", listed)
                self.assertEqual(os.access(os.path.join(self.root, path), os.X_OK), executable)

    def test_depends_comes_from_the_binaries(self):
        names = {re.split(r"[ (]", d.strip())[0] for d in self.field("Depends").split(",")}
        for name in DEPENDS:
            with self.subTest(name=name):
                self.assertIn(name, names)

    def test_control_fields(self):
        with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
            version = re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.*)$", f.read(), re.M).group(1)
        for name, expected in [("Package", "scriblane"), ("Version", version),
                               ("Section", "x11"), ("Priority", "optional")]:
            with self.subTest(field=name):
                self.assertEqual(self.field(name), expected)
        self.assertRegex(self.field("Maintainer"), r"^\S.* <[^@>\s]+@[^>\s]+>$")
        summary, *long = self.field("Description").splitlines()
        self.assertTrue(summary and len(summary) < 80, summary)
        self.assertGreaterEqual(len(long), 3)

    def test_manual_page_renders_without_warnings(self):
        page = os.path.join(self.root, "usr/share/man/man1/scriblane.1.gz")
        shown = run(["man", "--warnings", "-l", page], env=dict(os.environ, MANWIDTH="80"))
        self.assertEqual(shown.returncode, 0, shown.stderr)
        self.assertEqual(shown.stderr, "")
        headings = re.findall(r"^([A-Z][A-Z ]+)$", shown.stdout, re.M)
        for section in MAN_SECTIONS:
            with self.subTest(section=section):
                self.assertIn(section, headings)

    def test_desktop_entry_validates(self):
        entry = os.path.join(self.root, "usr/share/applications/scriblane.desktop")
        checked = run(["desktop-file-validate", entry])
        self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))

    def test_lintian_reports_no_error(self):
        report = run(["lintian", "--fail-on", "error", self.deb])
        errors = [line for line in report.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [])
        self.assertEqual(report.returncode, 0, report.stdout + report.stderr)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
