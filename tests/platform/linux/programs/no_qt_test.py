"""The command-line program and the overlay helper load no Qt library: neither
among their own needed libraries nor among those the loader would bring in.

Usage: python3 no_qt_test.py PROGRAM..."""
import subprocess
import sys
import unittest

PROGRAMS = sys.argv[1:]


def needed(program):
    out = subprocess.run(["readelf", "-d", program], capture_output=True, text=True, check=True)
    return [line.split("[")[1].rstrip("]") for line in out.stdout.splitlines() if "(NEEDED)" in line]


def loaded(program):
    out = subprocess.run(["ldd", program], capture_output=True, text=True, check=True)
    return [line.split()[0] for line in out.stdout.splitlines() if line.strip()]


class NoQt(unittest.TestCase):
    def test_programs(self):
        self.assertTrue(PROGRAMS)
        for program in PROGRAMS:
            for source, libraries in (("needed", needed(program)), ("ldd", loaded(program))):
                with self.subTest(program=program, source=source):
                    # An empty list would mean the tool read nothing: libc is always there.
                    self.assertTrue(any(name.startswith("libc.so") for name in libraries), libraries)
                    self.assertEqual([n for n in libraries if "qt" in n.lower() or "icu" in n.lower()], [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
