"""Command-line mode on a real X server: what `scriblane TEXT` leaves on the
root window, read back pixel by pixel.

Usage: cmdline_pixels.py PATH_TO_SCRIBLANE
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import xtest

PROGRAM = None
ROOT = (16, 32, 48)       # the colour the root is painted before each run
ROOT_NAME = "#102030"
BACK = (254, 247, 235)    # default background, 15464446
TEXT = (5, 87, 154)       # default text colour, 10114821


class WindowWatch:
    """Records every window created or mapped on the root while it runs."""

    def __init__(self, server):
        self.server = server

    def __enter__(self):
        self.proc = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=self.server.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        time.sleep(0.3)  # let xev select its events before the program starts
        return self

    def __exit__(self, *exc):
        time.sleep(0.2)
        self.proc.terminate()
        self.output = self.proc.communicate(timeout=5)[0]
        return False

    def events(self):
        return [line for line in self.output.splitlines()
                if line.startswith("CreateNotify") or line.startswith("MapNotify")]


def run(server, args, settings=None, timeout=20):
    server.fill_root(ROOT_NAME)
    if settings is not None:
        xtest.write_settings(server, settings)
    result = server.run([PROGRAM] + args, timeout=timeout)
    return result, server.screenshot()


def band(image, color=BACK, box=None):
    return image.find(color, box)


def underline_runs(image, row, left, right):
    """Runs [first, last] of text-coloured pixels in one row."""
    runs = []
    for x in range(left, right):
        if image.pixel(x, row) == TEXT:
            if runs and runs[-1][1] == x - 1:
                runs[-1][1] = x
            else:
                runs.append([x, x])
    return runs


class DefaultsTest(unittest.TestCase):
    def test_hello_draws_the_default_band(self):
        with xtest.XServer(1024, 768) as server:
            with WindowWatch(server) as watch:
                result, image = run(server, ["Hello"])
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, b"")
            self.assertEqual(watch.events(), [], "command-line mode made a window")
            found = band(image)
            self.assertIsNotNone(found, "no background band")
            left, top, right, bottom = found
            self.assertEqual(top, 184)
            self.assertEqual(bottom - top, 30)
            self.assertLessEqual(abs((left + right) / 2 - 512), 1)
            self.assertGreater(right - left, 40)
            self.assertGreater(image.count(TEXT, found), 20, "no text pixels in the band")
            # Everything else in the box and on the screen is untouched.
            self.assertEqual(xtest.count_other(image, ROOT, (0, 0, 1024, 768), skip=found), 0)
            # The band is solid background except where glyphs are.
            self.assertEqual(image.count(BACK, (left, top, left + 10, bottom)), 10 * 30)

    def test_only_lines_that_need_it_load_the_text_module(self):
        # HarfBuzz and FriBidi come with the module; simple text loads none. No
        # line loads ICU: the module has its emoji properties in a table.
        with xtest.XServer() as server:
            for text, loads in (("Hello", False), ("Gr\u00FC\u00DFe \u65E5", False),
                                ("\u231A", True), ("\u263A\uFE0F", True)):
                with self.subTest(text=text):
                    result = subprocess.run([PROGRAM, text], env=dict(server.env, LD_DEBUG="libs"),
                                            capture_output=True, text=True, timeout=20)
                    self.assertEqual(result.returncode, 0)
                    loaded = [line.split("calling init: ")[1] for line in result.stderr.splitlines()
                              if "calling init: " in line]
                    self.assertTrue(any("libc.so" in name for name in loaded), "LD_DEBUG said nothing")
                    for library in ("scriblane-shaping.so", "libharfbuzz", "libfribidi"):
                        self.assertEqual(any(library in name for name in loaded), loads, library)
                    # Nor does plain X load what the compositor's layer needs.
                    for library in ("libicu", "libstdc++", "scriblane-native.so",
                                    "libwayland-client", "libpixman"):
                        self.assertFalse(any(library in name for name in loaded), library)

    def test_nothing_is_written_to_the_settings(self):
        with xtest.XServer() as server:
            result, _ = run(server, ["Hello"])
            self.assertEqual(result.returncode, 0)
            self.assertFalse(os.path.exists(os.path.join(server.env["XDG_CONFIG_HOME"], "Scriblane")))

    def test_small_screen_uses_the_fixed_box(self):
        with xtest.XServer(640, 480) as server:
            result, image = run(server, ["Hello"])
            self.assertEqual(result.returncode, 0, result.stderr)
            left, top, right, bottom = band(image)
            self.assertEqual(top, 200)
            self.assertEqual(bottom - top, 30)
            self.assertLessEqual(abs((left + right) / 2 - 500), 1)

    # Root size, the monitors set on it (name, geometry, output; the first
    # holds the primary output), and the primary's place (x, y, width, height).
    SCREENS = [
        ((1280, 1024), [], (0, 0, 1280, 1024)),
        # Primary right of and lower than the other: centred on it, not on the root.
        ((2048, 1024), [("right", "1024/270x768/203+1024+256", "screen"),
                        ("left", "1024/270x768/203+0+0", "none")], (1024, 256, 1024, 768)),
    ]

    def test_the_box_is_centred_on_the_primary_screen(self):
        for (width, height), monitors, (x, y, w, h) in self.SCREENS:
            with self.subTest(monitors=monitors), xtest.XServer(width, height) as server:
                for name, geometry, output in monitors:
                    server.run(["xrandr", "--setmonitor", name, geometry, output], check=True)
                if monitors:
                    server.run(["xrandr", "--output", "screen", "--primary"], check=True)
                result, image = run(server, ["Hello"])
                self.assertEqual(result.returncode, 0, result.stderr)
                left, top, right, bottom = band(image)
                self.assertEqual(top, y + (h - 400) // 2)
                self.assertLessEqual(abs((left + right) / 2 - (x + w / 2)), 1)


class CompositedTest(unittest.TestCase):
    def test_root_drawing_is_seen_over_a_window_under_picom(self):
        with xtest.XServer(1024, 768) as server:
            helpers = []
            try:
                helpers.append(subprocess.Popen(
                    ["picom", "--backend", "xrender", "--config", "/dev/null"], env=server.env,
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
                self.assertTrue(xtest.wait_for(lambda: '"picom"' in server.run(
                    ["xwininfo", "-root", "-tree"]).stdout.decode(), 10), "picom did not start")
                # A white window where the band goes, painted by the compositor.
                helpers.append(subprocess.Popen(["xev", "-geometry", "700x400+150+100"],
                                                env=server.env, stdout=subprocess.DEVNULL))
                self.assertTrue(xtest.wait_for(
                    lambda: server.screenshot().pixel(500, 300) == (255, 255, 255), 10))
                result = server.run([PROGRAM, "Hello"])
                self.assertEqual(result.returncode, 0, result.stderr)
                image = server.screenshot()
                left, top, right, bottom = band(image)
                self.assertEqual((top, bottom - top), (184, 30))
                self.assertLessEqual(abs((left + right) / 2 - 512), 1)
                self.assertGreater(image.count(TEXT, (left, top, right, bottom)), 20)
            finally:
                for p in reversed(helpers):
                    p.terminate()
                    p.wait(5)


class SavedSettingsTest(unittest.TestCase):
    def setUp(self):
        self.server = xtest.XServer().__enter__()
        result, image = run(self.server, ["Hello"])
        self.assertEqual(result.returncode, 0)
        self.default = band(image)

    def tearDown(self):
        self.server.__exit__(None, None, None)

    def width(self, box):
        return box[2] - box[0]

    def test_height_sets_the_band_height(self):
        # The cell comes out a pixel off the request where the Windows build's
        # does (50 and 40 give 51 and 41 under Wine).
        for th, cell in (("50", 51), ("12", 12), ("30.4", 30), ("  40  ", 41)):
            with self.subTest(th=th):
                result, image = run(self.server, ["Hello"], "th=%s" % th)
                self.assertEqual(result.returncode, 0)
                left, top, right, bottom = band(image)
                self.assertEqual((top, bottom - top), (184, cell))

    def test_width_scales_the_band(self):
        result, image = run(self.server, ["Hello"], "tw=30")
        wide = band(image)
        ratio = self.width(wide) / self.width(self.default)
        self.assertTrue(1.8 <= ratio <= 2.2, ratio)
        self.assertEqual(wide[1], 184)
        self.assertEqual(wide[3] - wide[1], 30)
        result, image = run(self.server, ["Hello"], "tw=-30")
        self.assertEqual(band(image), wide, "a negative width is its magnitude")

    def test_colours(self):
        result, image = run(self.server, ["Hello"], "colorT=255\ncolorB=65280")
        green = band(image, (0, 255, 0))
        self.assertEqual(green, self.default)
        self.assertGreater(image.count((255, 0, 0), green), 20)
        self.assertIsNone(band(image))

    def test_out_of_range_colours(self):
        # The background keeps its low 24 bits; an unusable text colour is black.
        result, image = run(self.server, ["Hello"], "colorB=-5\ncolorT=-1")
        self.assertEqual(result.returncode, 0)
        found = band(image, xtest.colorref_rgb(-5))
        self.assertEqual(found, self.default)
        self.assertGreater(image.count((0, 0, 0), found), 20)
        result, image = run(self.server, ["Hello"], "colorB=16777216")
        self.assertEqual(band(image, (0, 0, 0)), self.default)

    def test_font_none_means_arial(self):
        result, image = run(self.server, ["Hello"], "font=none")
        self.assertEqual(band(image), self.default)
        result, image = run(self.server, ["Hello"], "font=Arial")
        self.assertEqual(band(image), self.default)

    def test_unknown_and_empty_faces_still_draw(self):
        for face in ("No Such Face Anywhere", ""):
            with self.subTest(face=face):
                result, image = run(self.server, ["Hello"], "font=%s" % face)
                self.assertEqual(result.returncode, 0)
                found = band(image)
                self.assertIsNotNone(found)
                self.assertEqual(found[1], 184)
                self.assertEqual(found[3] - found[1], 30)

    def test_number_beyond_32_bits_draws_nothing(self):
        for setting in ("th=99999999999", "tw=-99999999999", "colorB=4294967296"):
            with self.subTest(setting=setting):
                result, image = run(self.server, ["Hello"], setting)
                self.assertEqual(result.returncode, 0)
                self.assertEqual(xtest.count_other(image, ROOT), 0)

    def test_non_numeric_values_fall_back(self):
        result, image = run(self.server, ["Hello"], "th=abc\ntw=1,2\ncolorB=red")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(band(image), self.default)


class TextLayoutTest(unittest.TestCase):
    def setUp(self):
        self.server = xtest.XServer().__enter__()

    def tearDown(self):
        self.server.__exit__(None, None, None)

    def test_two_lines(self):
        result, image = run(self.server, ["aaaa\nbb"])
        self.assertEqual(result.returncode, 0)
        first = band(image, box=(0, 184, 1024, 214))
        second = band(image, box=(0, 214, 1024, 244))
        self.assertEqual((first[1], first[3]), (184, 214))
        self.assertEqual((second[1], second[3]), (214, 244))
        self.assertLess(second[2] - second[0], first[2] - first[0])
        for line in (first, second):
            self.assertLessEqual(abs((line[0] + line[2]) / 2 - 512), 1)
        self.assertIsNone(band(image, box=(0, 244, 1024, 768)))
        # CR LF and CR break lines too.
        for text in ("aaaa\r\nbb", "aaaa\rbb"):
            result, image = run(self.server, [text])
            self.assertEqual(band(image, box=(0, 214, 1024, 244)), second, repr(text))

    def test_ampersands(self):
        widths = {}
        images = {}
        for text in ("A&B", "A&&B", "A&&&&B"):
            result, image = run(self.server, [text])
            self.assertEqual(result.returncode, 0)
            found = band(image)
            widths[text] = found[2] - found[0]
            images[text] = (image, found)
        ampersand = widths["A&&&&B"] - widths["A&&B"]
        self.assertGreater(ampersand, 3)
        self.assertEqual(widths["A&&B"] - widths["A&B"], ampersand)
        # A lone '&' underlines the letter after it, one row below the
        # baseline (ascent 24); "&&" underlines nothing.
        underline_row = 184 + 24 + 1
        image, found = images["A&B"]
        self.assertGreater(image.count(TEXT, (found[0], underline_row, found[2], underline_row + 1)), 5)
        image, found = images["A&&B"]
        self.assertEqual(image.count(TEXT, (found[0], underline_row, found[2], underline_row + 1)), 0)
        # Of several prefixed letters only the last of each line is underlined.
        for text, lines in (("A&B&C", 1), ("A&B&C\nD&E&F", 2)):
            _, image = run(self.server, [text])
            for line in range(lines):
                row = underline_row + 30 * line
                found = band(image, box=(0, row - 25, 1024, row - 24))
                runs = underline_runs(image, row, found[0], found[2])
                self.assertEqual(len(runs), 1, "%r line %d: %r" % (text, line, runs))
                # The run lies under the last letter: in the band's last third.
                self.assertGreater(runs[0][0], found[0] + (found[2] - found[0]) * 2 // 3)

    def test_prefix_in_a_shaped_run_far_along_the_line(self):
        # Hebrew, drawn right to left, after 40 letters: the underline lies
        # under its first letter, the rightmost.
        underline_row = 184 + 24 + 1
        _, image = run(self.server, ["i" * 40 + " &\u05D0\u05D1\u05D2"])
        found = band(image)
        runs = underline_runs(image, underline_row, found[0], found[2])
        self.assertEqual(len(runs), 1, runs)
        self.assertGreater(runs[0][0], found[2] - 30)

    def test_trailing_ampersand_draws_nothing_more(self):
        _, image = run(self.server, ["AB"])
        plain = band(image)
        _, image = run(self.server, ["AB&"])
        self.assertEqual(band(image), plain)

    def test_arguments_are_joined_with_spaces(self):
        _, image = run(self.server, ["Hello world"])
        joined = band(image)
        _, image = run(self.server, ["Hello", "world"])
        self.assertEqual(band(image), joined)

    def test_utf8_text(self):
        result, image = run(self.server, ["Grüße ✓"])
        self.assertEqual(result.returncode, 0)
        found = band(image)
        self.assertEqual(found[1], 184)
        self.assertGreater(image.count(TEXT, found), 20)


def sorted_faces(family):
    """fontconfig's sort for `family`: (file, face index, set of code points)."""
    out = subprocess.run(["fc-match", "-s", "-f", "%{file}|%{index}|%{charset}\n", family],
                         capture_output=True, text=True, check=True).stdout
    faces = []
    for line in out.splitlines():
        path, index, charset = line.split("|")
        ranges = [[int(v, 16) for v in r.split("-")] for r in charset.split()]
        faces.append((path, index, [(r[0], r[-1]) for r in ranges]))
    return faces


def face_with(family, text):
    """The first face of the sort that has every character of `text`: the
    one a fallback should come from."""
    for path, index, ranges in sorted_faces(family):
        if all(any(lo <= ord(c) <= hi for lo, hi in ranges) for c in text):
            return path, index
    raise AssertionError("no installed face has %r" % text)


def advance(face, text, em):
    """The sum of HarfBuzz's advances for `text` in `face` at `em` pixels:
    the reference the drawing is measured against."""
    path, index = face
    out = subprocess.run(["hb-shape", "--font-size=%d" % em, "--face-index=" + index,
                          "--output-format=json", path, text],
                         capture_output=True, text=True, check=True).stdout
    return sum(g["ax"] for g in json.loads(out))


class ScriptsTest(unittest.TestCase):
    """Text beyond the chosen face: fallback faces, shaping, direction. The
    face is "arial" (Liberation Sans, which has none of these but Latin) at
    an em of 27 pixels, unstretched, so that HarfBuzz's advances at that
    size, in the face fontconfig's sort offers first, are the reference."""
    EM = 27
    SETTINGS = "th=-27\ntw=0"
    FACE = "arial"
    BACKGROUND = BACK

    def setUp(self):
        self.server = xtest.XServer().__enter__()
        self.configure()
        # The drawn line starts with blanks of the chosen face: their width
        # is what a line is wider than its text.
        one = self.draw("a")[1]
        two = self.draw("aa")[1]
        self.lead = 2 * (one[2] - one[0]) - (two[2] - two[0])

    def tearDown(self):
        self.server.__exit__(None, None, None)

    def configure(self):
        """Anything the server's clients need before the first drawing."""

    def text_width(self, found):
        return found[2] - found[0] - self.lead

    def ink(self, image, found):
        """Bounding box of what is not background in the band."""
        x0, y0, x1, y1 = found
        points = [(x, y) for y in range(y0, y1) for x in range(x0, x1)
                  if image.pixel(x, y) != self.BACKGROUND]
        if not points:
            return None
        return (min(p[0] for p in points), min(p[1] for p in points),
                max(p[0] for p in points) + 1, max(p[1] for p in points) + 1)

    def ink_runs(self, image, row, found):
        runs = []
        for x in range(found[0], found[2]):
            if image.pixel(x, row) != self.BACKGROUND:
                if runs and runs[-1][1] == x - 1:
                    runs[-1][1] = x
                else:
                    runs.append([x, x])
        return runs

    def draw(self, text):
        result, image = run(self.server, [text], self.SETTINGS)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        found = band(image, self.BACKGROUND)
        self.assertIsNotNone(found, "no band for %r" % text)
        self.assertEqual((found[1], found[3]), (184, 214), "the band keeps the chosen cell")
        return image, found

    def crop(self, image, box):
        x0, y0, x1, y1 = box
        return b"".join(image.data[(y * image.width + x0) * 3:(y * image.width + x1) * 3]
                        for y in range(y0, y1))

    def check_cjk(self, text):
        # From WenQuanYi, not three boxes of the chosen face.
        image, found = self.draw(text)
        chosen = sorted_faces(self.FACE)[0][:2]
        self.assertNotEqual(face_with(self.FACE, text), chosen)
        self.assertEqual(self.text_width(found), advance(face_with(self.FACE, text), text, self.EM))
        self.assertNotEqual(self.text_width(found), advance(chosen, text, self.EM))
        self.assertGreater(image.count(TEXT, found), 100)

    def check_joined(self, text):
        # Joined forms: as wide as HarfBuzz shapes the word, which is not the
        # width of its letters standing alone.
        image, found = self.draw(text)
        face = face_with(self.FACE, text)
        joined = advance(face, text, self.EM)
        self.assertNotEqual(joined, sum(advance(face, c, self.EM) for c in text))
        self.assertEqual(self.text_width(found), joined)

    def check_right_to_left(self, text):
        # "abc" then the Hebrew, whose first letter is drawn rightmost: the
        # right end matches a line ending in that letter, not in the last.
        latin, hebrew = text.split(" ")
        image, found = self.draw(text)
        first = advance(face_with(self.FACE, hebrew), hebrew[0], self.EM)
        right = lambda img, box: self.crop(img, (box[2] - first, box[1], box[2], box[3]))
        ends = {}
        for letter in (hebrew[0], hebrew[-1]):
            img, box = self.draw(latin + " " + letter)
            ends[letter] = right(img, box)
        self.assertTrue(ends[hebrew[0]] != ends[hebrew[-1]], "the letters cannot be told apart")
        self.assertTrue(right(image, found) == ends[hebrew[0]], "the first letter is not rightmost")
        # The Latin run keeps the pixels it has alone.
        img, box = self.draw(latin)
        width = box[2] - box[0]
        self.assertTrue(self.crop(image, (found[0], found[1], found[0] + width, found[3])) ==
                        self.crop(img, box), "the Latin run is drawn otherwise than alone")

    def check_mark(self, text):
        # The base and its mark from one face (the chosen one has no
        # combining acute), the mark over the base, not beside it.
        image, found = self.draw(text)
        self.assertEqual(self.text_width(found), advance(face_with(self.FACE, text), text, self.EM))
        base, base_box = self.draw(text[0])
        ink = self.ink(image, found)
        self.assertLess(ink[1], self.ink(base, base_box)[1], "nothing above the base")

    def check_emoji(self, text):
        image, found = self.draw(text)
        self.assertEqual(self.text_width(found), advance(face_with(self.FACE, text), text, self.EM))
        x0, y0, x1, y1 = found
        yellow = sum(1 for y in range(y0, y1) for x in range(x0, x1)
                     if (lambda p: p[0] > 200 and p[1] > 150 and p[2] < 100)(image.pixel(x, y)))
        self.assertGreater(yellow, 50, "no colour")

    def check_missing(self, text):
        # No face has it: the chosen face's box, one outline.
        image, found = self.draw(text)
        ink = self.ink(image, found)
        self.assertIsNotNone(ink)
        middle = (ink[1] + ink[3]) // 2
        self.assertEqual(len(self.ink_runs(image, middle, found)), 2)
        for row in (ink[1], ink[3] - 1):
            self.assertEqual(len(self.ink_runs(image, row, found)), 1)

    CASES = [
        ("CJK in a Latin face", "日本語", check_cjk),
        ("Arabic", "مرحبا", check_joined),
        ("Hebrew after Latin", "abc אבג", check_right_to_left),
        ("combining mark", "e\u0301", check_mark),
        ("emoji", "\U0001F642", check_emoji),
        ("in no face", "\U0010FFFD", check_missing),
        # A control is the box even where a face has a glyph for it.
        ("NEL", "\x85", check_missing),
    ]

    def test_scripts(self):
        for name, text, check in self.CASES:
            with self.subTest(name):
                check(self, text)


# Unpacked by scripts/setup.sh, outside the system's fonts.
TEST_FONTS = "/usr/local/share/scriblane-tests/fonts"

# The system's configuration with two faces put right after the requested
# family, as many installed font sets amount to: Symbola, of outline emoji,
# which claims the emoji language too, before the colour face; Noto Sans
# Symbols2, which maps DEL and the C1 controls to blank glyphs.
SHADOWING_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>{cache}</cachedir>
  <include ignore_missing="no">/etc/fonts/fonts.conf</include>
  <dir>{fonts}</dir>
  <match target="pattern">
    <edit name="family" mode="append" binding="strong">
      <string>Symbola</string><string>Noto Sans Symbols2</string>
    </edit>
  </match>
</fontconfig>
"""


class ShadowingFacesTest(ScriptsTest):
    """Faces that come before the right one in fontconfig's sort. Black on
    white: only a colour face puts pixels of colour in the band."""
    SETTINGS = ScriptsTest.SETTINGS + "\ncolorT=0\ncolorB=16777215"
    BACKGROUND = (255, 255, 255)

    def configure(self):
        for face in ("Symbola_hint.ttf", "NotoSansSymbols2-Regular.ttf"):
            self.assertTrue(os.path.exists(os.path.join(TEST_FONTS, face)),
                            "%s is missing: run scripts/setup.sh" % face)
        self.folder = tempfile.mkdtemp(prefix="scriblane-fonts-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        conf = os.path.join(self.folder, "fonts.conf")
        with open(conf, "w") as f:
            f.write(SHADOWING_CONF.format(cache=os.path.join(self.folder, "cache"), fonts=TEST_FONTS))
        self.server.env["FONTCONFIG_FILE"] = conf

    def coloured(self, image, found):
        """Pixels of colour: black on white, smoothed, gives only greys."""
        x0, y0, x1, y1 = found
        pixels = (image.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1))
        return sum(1 for p in pixels if max(p) - min(p) > 60)

    def draw_in(self, face, text):
        result, image = run(self.server, [text], self.SETTINGS + "\nfont=" + face)
        self.assertEqual(result.returncode, 0, result.stderr)
        return image, band(image, self.BACKGROUND)

    def check_colour(self, text):
        image, found = self.draw(text)
        self.assertGreater(self.coloured(image, found), 100, "not in colour")

    def check_no_colour(self, text):
        # The chosen face is the colour one: a text face must still come first.
        image, found = self.draw_in("Noto Color Emoji", text)
        self.assertIsNotNone(self.ink(image, found))
        self.assertEqual(self.coloured(image, found), 0, "in colour")

    def check_box_in_shaped_text(self, text):
        # The chosen face maps the control to a blank glyph, and the rest
        # of the line is shaped: the control is still the box it is alone.
        alone, box = self.draw_in("Noto Sans Symbols2", text[0])
        image, found = self.draw_in("Noto Sans Symbols2", text)
        self.assertIsNotNone(self.ink(alone, box), "no box")
        self.assertTrue(self.crop(image, (found[0], found[1], found[0] + box[2] - box[0], found[3]))
                        == self.crop(alone, box), "the control is drawn otherwise than alone")

    CASES = [
        ("emoji selector", "\u2764\uFE0F", check_colour),
        ("emoji selector, the chosen face has it", "\u263A\uFE0F", check_colour),
        ("emoji by default", "\U0001F44D", check_colour),
        ("flag", "\U0001F1EB\U0001F1F7", check_colour),
        ("keycap", "1\uFE0F\u20E3", check_colour),
        ("text selector", "\u263A\uFE0E", check_no_colour),
        ("DEL", "\x7f", ScriptsTest.check_missing),
        ("NEL", "\x85", ScriptsTest.check_missing),
        ("DEL before shaped text", "\x7f\U0001F850", check_box_in_shaped_text),
    ]


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
