"""The 32-bit Windows program as a file: a GUI PE32 for i386, self-contained
(only system DLLs), with its icon and version resources, small enough."""
import os
import re
import subprocess
import unittest
import zipfile

import wine_support

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comdlg32.dll",
               "comctl32.dll", "msvcrt.dll", "shell32.dll", "ole32.dll"}


def objdump(*args):
    return subprocess.run(["i686-w64-mingw32-objdump"] + list(args), capture_output=True,
                          text=True, check=True).stdout


class ExeFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.exe = wine_support.exe_path()
        cls.headers = objdump("-p", cls.exe)

    def test_pe32_for_i386(self):
        self.assertRegex(objdump("-f", self.exe), r"file format pei-i386")
        self.assertRegex(self.headers, r"Magic\s+010b\s+\(PE32\)")

    def test_gui_subsystem(self):
        self.assertRegex(self.headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports_only_system_dlls(self):
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", self.headers)}
        self.assertIn("gdi32.dll", dlls)
        self.assertIn("comdlg32.dll", dlls)
        self.assertEqual(dlls - SYSTEM_DLLS, set(), "imports a DLL that is not part of Windows")

    def test_stripped_and_under_one_mebibyte(self):
        self.assertNotRegex(objdump("-h", self.exe), r"\.debug_")
        self.assertLess(os.path.getsize(self.exe), 1024 * 1024)

    def test_resources_icon_version_manifest(self):
        with open(self.exe, "rb") as f:
            data = f.read()
        # Version strings are UTF-16 in the resource section.
        self.assertIn("Scriblane".encode("utf-16-le"), data)
        self.assertIn("VS_VERSION_INFO".encode("utf-16-le"), data)
        self.assertIn(b"Microsoft.Windows.Common-Controls", data)
        self.assertIn(b"dpiAware", data)

    def test_zip_holds_the_program_and_a_windows_read_me(self):
        folder = os.path.dirname(self.exe)
        (name,) = [n for n in os.listdir(folder) if re.fullmatch(r"scriblane-.*-win32\.zip", n)]
        with zipfile.ZipFile(os.path.join(folder, name)) as z:
            self.assertEqual(sorted(z.namelist()), ["README.txt", "scriblane.exe"])
            text = z.read("README.txt")
        # Notepad's line ends, and the Windows facts: both ways to start it
        # and the registry key, no Linux steps.
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))
        self.assertGreater(text.count(b"\r\n"), 10)
        for needed in (b"scriblane.exe\r\n", b"scriblane.exe Build finished",
                       b"HKEY_CURRENT_USER\\Software\\Scriblane\\settings"):
            self.assertIn(needed, text)
        for linux in (b"apt", b"Debian", b".config", b"scripts/", b"```"):
            self.assertNotIn(linux, text)


if __name__ == "__main__":
    unittest.main()
