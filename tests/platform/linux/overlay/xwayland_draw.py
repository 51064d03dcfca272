"""On a Wayland desktop (headless sway, screenshots by grim): the drawing is
seen where it would be on X, with the root drawing's pixels (painted without
X: within a stated tolerance), for a fixed time, in command-line mode and
from the window, and clicks pass through it. sway offers the layer shell, so
the drawing is painted for its overlay layer, with XWayland running or not;
without WAYLAND_DISPLAY the program cannot reach the compositor and shows it
on an XWayland window, as where no layer shell is offered (GNOME): the
tables run both.

Usage: xwayland_draw.py PATH_TO_SCRIBLANE PATH_TO_VIRTUAL_POINTER PATH_TO_LAYER_PROBE
"""
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import xtest

PROGRAM = None
POINTER = None           # tests/support/virtual_pointer.c, built
PROBE = None             # overlay/layer_probe.cpp, built
LIFETIME = 5             # seconds a drawing stays, as the README says
BACK = (254, 247, 235)   # default background, 15464446
TEXT = (5, 87, 154)      # default text colour, 10114821
RED = (255, 0, 0)        # colorB=255
STRIP = (0, 150, 1024, 260)  # where the band of a 1024x768 screen lies
PRESENTATIONS = ("layer", "window")
def root_drawing(text, settings, size=(1024, 768)):
    """What `scriblane TEXT` draws on an Xvfb of `size`: its screenshot."""
    with xtest.XServer(*size) as server:
        xtest.write_settings(server, settings)
        result = server.run([PROGRAM, text])
        assert result.returncode == 0, result
        return server.screenshot()


def env_for(sway, presentation):
    """The environment of a program run on `sway` that shows its drawings
    on the compositor's layer or on an XWayland window."""
    env = dict(sway.env)
    if presentation == "window":
        del env["WAYLAND_DISPLAY"]
    return env


def draw(sway, text, settings=None, presentation="layer"):
    """Runs `scriblane TEXT`; returns when it came back."""
    if settings is not None:
        xtest.write_settings(sway, settings)
    # A descriptor of ours it inherits, as a script's would be.
    ours, theirs = os.pipe()
    started = time.time()
    result = subprocess.run([PROGRAM, text], env=env_for(sway, presentation), capture_output=True,
                            timeout=LIFETIME * 3, pass_fds=(theirs,))
    returned = time.time()
    os.close(theirs)
    assert result.returncode == 0 and result.stderr == b"", result
    # It does not wait for the drawing to go, and whatever keeps the drawing
    # holds none of our descriptors: the pipe ends long before the drawing.
    assert returned - started < LIFETIME, returned - started
    ended = select.select([ours], [], [], LIFETIME / 2)[0]
    os.close(ours)
    assert ended, "the drawing's keeper holds a descriptor of its caller's"
    return returned


class XWaylandTest(unittest.TestCase):
    def setUp(self):
        self.sway = xtest.HeadlessSway(1024, 768).__enter__()
        self.addCleanup(self.sway.__exit__, None, None, None)

    def shot_with(self, colour, timeout=5):
        shot = xtest.wait_for(lambda: (lambda s: s if s.find(colour, STRIP) else None)(
            self.sway.screenshot()), timeout)
        self.assertIsNotNone(shot, "no band of %r on the screen" % (colour,))
        return shot

    def wait_gone(self, colour, what):
        self.assertTrue(xtest.wait_for(lambda: not self.sway.screenshot().find(colour, STRIP),
                                       LIFETIME + 5), what + " stayed")

    def assert_bands(self, shot, desktop, lines):
        """One band per line, 30 pixels high from 184 down, centred on 512;
        nothing else of the screen covered. Returns the bands."""
        bands, top = [], 184
        for _ in range(lines):
            band = shot.find(BACK, (0, top, 1024, top + 30))
            self.assertIsNotNone(band, "no band at %d" % top)
            self.assertEqual((band[1], band[3]), (top, top + 30))
            self.assertLessEqual(abs((band[0] + band[2]) / 2 - 512), 1)
            self.assertGreater(shot.count(TEXT, band), 20, "no text in the band")
            self.assertEqual(xtest.count_other(shot, desktop, (0, top, 1024, top + 30), skip=band), 0)
            bands.append(band)
            top += 30
        self.assertEqual(xtest.count_other(shot, desktop, (0, 0, 1024, 184)), 0)
        self.assertEqual(xtest.count_other(shot, desktop, (0, top, 1024, 768)), 0)
        return bands

    def test_each_drawing_is_seen_for_its_own_lifetime(self):
        desktop = self.sway.screenshot().pixel(0, 0)
        for presentation in PRESENTATIONS:
            with self.subTest(presentation):
                # Two lines of different widths: the space beside the shorter stays clear.
                first = draw(self.sway, "The first drawing\non Wayland, in two lines",
                             settings="", presentation=presentation)
                narrow, wide = self.assert_bands(self.shot_with(BACK), desktop, 2)
                self.assertLess(narrow[2] - narrow[0], wide[2] - wide[0])

                # A red one later, wider than the first's first line (where
                # two overlap, the compositor decides which is above), does
                # not take the first away.
                time.sleep(max(0.0, first + 2 - time.time()))  # the scenario's timeline
                second = draw(self.sway, "The second drawing, in red", settings="colorB=255",
                              presentation=presentation)
                time.sleep(max(0.0, first + 3 - time.time()))
                shot = self.shot_with(RED)
                self.assertLess(time.time(), first + LIFETIME, "the test fell behind the first drawing")
                self.assertIsNotNone(shot.find(BACK, STRIP), "the first drawing went with the second")
                self.assertEqual(shot.find(BACK, STRIP)[3], 184 + 60)

                self.wait_gone(BACK, "the first drawing")
                self.assertLess(time.time(), second + LIFETIME,
                                "the test fell behind the second drawing")
                self.assertIsNotNone(self.sway.screenshot().find(RED, STRIP), "the second went early")
                self.wait_gone(RED, "the second drawing")

    def test_the_drawing_has_the_root_drawings_pixels(self):
        text, settings = "Pixel for pixel\nas on X: gjpqy ÄÉÖ &amp", "font=DejaVu Sans\nth=30"
        with xtest.XServer(1024, 768) as server:
            xtest.write_settings(server, settings)
            result = server.run([PROGRAM, text])
            self.assertEqual(result.returncode, 0, result)
            root = server.screenshot()
        bands = [root.find(BACK, (0, top, 1024, top + 30)) for top in (184, 214)]
        self.assertNotIn(None, bands, "no bands on X")
        for presentation in PRESENTATIONS:
            with self.subTest(presentation):
                draw(self.sway, text, settings=settings, presentation=presentation)
                shot = self.shot_with(BACK)
                for band in bands:
                    self.assertEqual(shot.find(BACK, (0, band[1], 1024, band[3])), band)
                    if presentation == "window":  # the root drawing's own code
                        left, top, right, bottom = band
                        for y in range(top, bottom):
                            self.assertEqual(
                                shot.data[(y * 1024 + left) * 3:(y * 1024 + right) * 3],
                                root.data[(y * 1024 + left) * 3:(y * 1024 + right) * 3],
                                "row %d differs from the root drawing's" % y)
                    else:
                        self.assertLessEqual(xtest.band_difference(shot, root, band)[1],
                                             xtest.STRAY_SHARE)
                self.wait_gone(BACK, "the drawing")

    def test_a_click_on_the_xwayland_window_reaches_an_x_window_beneath(self):
        beneath = subprocess.Popen(["xev"], env=self.sway.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(beneath.stdout.close)
        self.addCleanup(beneath.wait, 5)
        self.addCleanup(beneath.terminate)
        self.assertTrue(xtest.wait_for(lambda: self.sway.run(
            ["xdotool", "search", "--onlyvisible", "--name", "Event Tester"]).stdout, 10))
        draw(self.sway, "Hello", presentation="window")
        left, top, right, bottom = self.shot_with(BACK).find(BACK, STRIP)

        overlay = self.sway.run(["xdotool", "search", "--name", "^scriblane drawing$"]).stdout.split()
        self.assertEqual(len(overlay), 1)
        info = self.sway.run(["xwininfo", "-id", overlay[0]]).stdout.decode()
        self.assertIn("Override Redirect State: yes", info)

        x, y = (left + right) // 2, (top + bottom) // 2
        self.sway.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
        seen, deadline = "", time.time() + 5
        while "ButtonRelease" not in seen and time.time() < deadline:
            if select.select([beneath.stdout], [], [], 0.1)[0]:
                seen += beneath.stdout.readline()
        self.assertIn("ButtonPress", seen, "the click did not reach the window beneath")
        self.assertIn("root:(%d,%d)" % (x, y), seen)

    def start_wev(self):
        """A Wayland-native window that prints what it gets, ended with the
        test: its lines, once sway has configured it."""
        window = subprocess.Popen(["stdbuf", "-oL", "wev"], env=self.sway.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(window.stdout.close)
        self.addCleanup(window.wait, 5)
        self.addCleanup(window.terminate)
        events = xtest.Lines(window)
        self.assertTrue(events.wait_for("xdg_surface] configure", timeout=10), "wev did not come up")
        return events

    def test_a_click_on_the_drawing_reaches_a_wayland_window_beneath(self):
        # The pointer first, so the window beneath learns of it when it starts.
        pointer = xtest.VirtualPointer(self.sway, POINTER)
        self.addCleanup(pointer.close)
        # wev fills the screen below its title bar once sway has tiled it.
        events = self.start_wev()
        self.assertTrue(xtest.wait_for(lambda: (pointer.move(100, 400), events.wait_for(
            "wl_pointer] enter", timeout=0.2))[1], 10), "the pointer never reached wev")

        draw(self.sway, "Hello")
        left, top, right, bottom = self.shot_with(BACK).find(BACK, STRIP)
        start = events.count()
        pointer.move((left + right) // 2, (top + bottom) // 2)
        pointer.click()
        self.assertTrue(events.wait_for("state: 1 (pressed)", start),
                        "the click did not reach the window beneath:\n" + "".join(events.since(start)))

    def test_without_its_helpers_each_missing_one_is_named(self):
        # Without the layer's module and the helper, nothing can be shown:
        # each missing one named, once, and the drawing not reported as
        # done. With the module but no helper to keep the layer's drawing,
        # the command keeps it itself, and returns once it is gone.
        for module, status, named in ((False, 1, ("scriblane-native.so", "scriblane-overlay")),
                                      (True, 0, ("scriblane-overlay",))):
            with self.subTest(module=module):
                folder = tempfile.mkdtemp(prefix="scriblane-alone-")
                self.addCleanup(shutil.rmtree, folder, True)
                names = ["scriblane", "scriblane-settings.so"]
                if module:
                    names.append("scriblane-native.so")
                for name in names:
                    shutil.copy(os.path.join(os.path.dirname(PROGRAM), name), folder)
                xtest.write_settings(self.sway, "")
                started = time.time()
                proc = subprocess.Popen([os.path.join(folder, "scriblane"), "Hello"],
                                        env=self.sway.env, stderr=subprocess.PIPE)
                if module:
                    self.shot_with(BACK)
                _, stderr = proc.communicate(timeout=LIFETIME * 3)
                self.assertEqual(proc.returncode, status, stderr)
                lines = stderr.decode().splitlines()
                self.assertEqual(len(lines), len(named), lines)
                for line, name in zip(lines, named):
                    self.assertIn(name, line)
                if module:
                    self.assertGreaterEqual(time.time() - started, LIFETIME)

    def test_the_drawing_is_still_there_late_in_its_lifetime(self):
        for presentation in PRESENTATIONS:
            with self.subTest(presentation):
                returned = draw(self.sway, "Hello", settings="", presentation=presentation)
                self.shot_with(BACK)
                # The point of the test is this moment: a lifetime cut short
                # by as little as half a second shows here.
                time.sleep(max(0.0, returned + LIFETIME - 0.5 - time.time()))
                self.assertIsNotNone(self.sway.screenshot().find(BACK, STRIP),
                                     "gone before its lifetime")
                self.wait_gone(BACK, "the drawing")

    def test_the_drawing_is_seen_over_a_fullscreen_window(self):
        # sway hides its top layer under a fullscreen window, not the
        # overlay layer nor XWayland's override-redirect windows.
        self.start_wev()
        self.sway.msg("[app_id=wev] fullscreen enable")
        self.assertTrue(xtest.wait_for(
            lambda: '"fullscreen_mode": 1' in self.sway.msg("-t", "get_tree"), 10))
        for presentation in PRESENTATIONS:
            with self.subTest(presentation):
                draw(self.sway, "Hello", presentation=presentation)
                self.assertEqual(self.shot_with(BACK).find(BACK, STRIP)[1], 184)
                self.wait_gone(BACK, "the drawing")

    def test_the_window_opens_its_dialogs_and_write_it_is_seen(self):
        # WAYLAND_DISPLAY is set and no platform is chosen: the window
        # program must still come up on XWayland.
        xtest.write_settings(self.sway, "colorT=10114821\ncolorB=15464446\ntw=15\nth=30\n"
                                        "font=DejaVu Sans")
        window = subprocess.Popen([PROGRAM], env=self.sway.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(window.wait, 5)
        self.addCleanup(window.kill)

        def named(count):
            return xtest.wait_for(lambda: (lambda w: w if len(w) == count else None)(self.sway.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^Scriblane$"]).stdout.split()), 15)

        def click(wid, x, y):  # pixels from the client area's corner (15 twips a pixel)
            self.sway.run(["xdotool", "mousemove", "--window", wid, str(x), str(y), "click", "1"],
                          check=True)

        found = named(1)
        self.assertTrue(found, "the window did not come up")
        # Keys typed before the window has the focus are lost.
        self.assertTrue(xtest.wait_for(lambda: self.sway.run(
            ["xdotool", "getwindowfocus"]).stdout.split() == [found[0]], 15),
            "the window did not get the focus")
        self.sway.run(["xdotool", "type", "--delay", "20", "Hello screen"], check=True)
        # Its dialogs open there too: the help box, closed with Return.
        click(found[0], 260 + 10, 84 + 124 + 10)
        self.assertTrue(named(2), "the help box did not open")
        self.sway.run(["xdotool", "key", "Return"], check=True)
        self.assertTrue(named(1), "the help box did not close")
        # Write it!, clicked again should a busy compositor lose the click.
        shot = None
        for _ in range(3):
            click(found[0], 160 + 35, 84 + 124 + 10)
            shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK, STRIP) else None)(
                self.sway.screenshot()), 5)
            if shot:
                break
        self.assertIsNotNone(shot, "no band of %r on the screen" % (BACK,))
        band = shot.find(BACK, STRIP)
        self.assertEqual((band[1], band[3] - band[1]), (184, 30))
        self.assertLessEqual(abs((band[0] + band[2]) / 2 - 512), 1)
        self.assertGreater(shot.count(TEXT, band), 50)
        # On the compositor's layer, not on an X window.
        self.assertEqual(self.sway.run(["xdotool", "search", "--name", "^scriblane drawing$"]).stdout,
                         b"")
        self.assertIsNone(window.poll(), "the window stays after writing")
        self.wait_gone(BACK, "the drawing")


class ScaledOutputTest(unittest.TestCase):
    def test_at_scale_2_the_layer_is_painted_in_the_outputs_own_pixels(self):
        # An output of 2048 x 1536 pixels at scale 2 is 1024 x 768 logical:
        # the band lies where scale 1 puts it, over twice the pixels each
        # way, painted at that scale, not scaled up. (XWayland windows are
        # sway's to scale: blurred, they are not compared.)
        text, settings = "Twice the pixels", "font=DejaVu Sans\nth=30"
        scale1 = root_drawing(text, settings).find(BACK, STRIP)
        with xtest.HeadlessSway(2048, 1536, scale=2) as sway:
            draw(sway, text, settings=settings)
            shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(
                sway.screenshot()), 5)
            self.assertIsNotNone(shot, "no band")
            left, top, right, bottom = shot.find(BACK)
            self.assertEqual((left, top, right, bottom), tuple(2 * v for v in scale1),
                             "not twice the scale-1 band")
            # Scaled up, every aligned 2 x 2 block would be one colour.
            mixed = sum(len({shot.pixel(x + dx, y + dy) for dx in (0, 1) for dy in (0, 1)}) > 1
                        for y in range(top, bottom, 2) for x in range(left - left % 2, right, 2))
            self.assertGreater(mixed, 20, "doubled pixels")
            self.assertGreater(shot.count(TEXT, (left, top, right, bottom)), 40)


class DesktopTest(unittest.TestCase):
    """Desktops laid out otherwise than one output alone."""

    def band_on(self, sway, presentation, layout):
        draw(sway, "Hello", settings="", presentation=presentation)
        shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(sway.screenshot()), 5)
        self.assertIsNotNone(shot, "no band on the screen")
        band = shot.find(BACK, layout)
        self.assertTrue(xtest.wait_for(lambda: not sway.screenshot().find(BACK), LIFETIME + 5),
                        "the drawing stayed")
        return band

    def test_the_band_is_centred_on_the_first_output_right_of_another(self):
        with xtest.HeadlessSway(1024, 768) as sway:
            sway.msg("create_output")
            sway.msg("output HEADLESS-2 mode 1024x768 position 0 0")
            sway.msg("output HEADLESS-1 position 1024 0")
            # The other output has the focus: where a surface naming no
            # output would go.
            sway.msg("focus output HEADLESS-2")
            self.assertTrue(xtest.wait_for(lambda: b"current 2048 x 768" in sway.run(
                ["xrandr"]).stdout, 10), "XWayland did not see two outputs")
            for presentation in PRESENTATIONS:
                with self.subTest(presentation):
                    left, top, right, bottom = self.band_on(sway, presentation, (0, 0, 2048, 768))
                    self.assertEqual((top, bottom), (184, 214))
                    self.assertLessEqual(abs((left + right) / 2 - (1024 + 512)), 1)

    def test_the_window_draws_on_the_primary_output_of_the_moment(self):
        # The window stays open while XWayland's primary output changes: each
        # Write it! goes on the output that is primary then.
        with xtest.HeadlessSway(1024, 768) as sway:
            sway.msg("create_output")
            sway.msg("output HEADLESS-2 mode 1024x768 position 0 0")
            sway.msg("output HEADLESS-1 position 1024 0")
            self.assertTrue(xtest.wait_for(lambda: b"current 2048 x 768" in sway.run(
                ["xrandr"]).stdout, 10), "XWayland did not see two outputs")
            xtest.write_settings(sway, "colorT=10114821\ncolorB=15464446\ntw=15\nth=30\n"
                                       "font=DejaVu Sans")
            window = subprocess.Popen([PROGRAM], env=sway.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
            self.addCleanup(window.wait, 5)
            self.addCleanup(window.kill)
            found = xtest.wait_for(lambda: sway.run(["xdotool", "search", "--onlyvisible", "--name",
                                                     "^Scriblane$"]).stdout.split(), 15)
            self.assertTrue(found, "the window did not come up")
            wid = found[0]
            self.assertTrue(xtest.wait_for(lambda: sway.run(
                ["xdotool", "getwindowfocus"]).stdout.split() == [wid], 15), "no focus")
            sway.run(["xdotool", "type", "--delay", "20", "Hello"], check=True)
            # (the monitor XWayland calls primary, the centre of its output)
            for monitor, centre in (("XWAYLAND0", 1024 + 512), ("XWAYLAND1", 512)):
                with self.subTest(monitor):
                    sway.run(["xrandr", "--output", monitor, "--primary"], check=True)
                    shot = None
                    for _ in range(3):  # clicked again should a busy compositor lose the click
                        sway.run(["xdotool", "mousemove", "--window", wid, "195", "218",
                                  "click", "1"], check=True)
                        shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK, (
                            centre - 512, 150, centre + 512, 260)) else None)(sway.screenshot()), 5)
                        if shot:
                            break
                    self.assertIsNotNone(shot, "no band on the primary output")
                    left, top, right, bottom = shot.find(BACK, (centre - 512, 150, centre + 512, 260))
                    self.assertEqual((top, bottom), (184, 214))
                    self.assertLessEqual(abs((left + right) / 2 - centre), 1)
                    self.assertTrue(xtest.wait_for(lambda: not sway.screenshot().find(
                        BACK, (0, 150, 2048, 260)), LIFETIME + 5), "the drawing stayed")

    def test_a_panel_moves_nothing(self):
        # swaybar takes a strip at the top that windows keep clear of; the
        # band stays where the X drawing is.
        with xtest.HeadlessSway(1024, 768, config="bar {\n position top\n}\n") as sway:
            self.assertTrue(xtest.wait_for(lambda: json.loads(sway.msg("-t", "get_workspaces"))[0][
                "rect"]["y"] > 0, 10), "no bar")
            for presentation in PRESENTATIONS:
                with self.subTest(presentation):
                    band = self.band_on(sway, presentation, STRIP)
                    self.assertIsNotNone(band)
                    self.assertEqual((band[1], band[3]), (184, 214))


def hand_picture(sway, box, colours=((255, 0, 0), (0, 0, 255))):
    """Has the layer code show a picture covering `box` (logical pixels on
    the output its surface is on) painted at that output's scale, a
    checkerboard of `colours` (one pixel each, so doubled pixels show).
    Returns that output's (width, height, scale in 120ths) once it is shown."""
    probe = subprocess.Popen([PROBE, *(str(v) for v in box),
                              *("%02x%02x%02x" % c for c in colours)],
                             env=sway.env, stdout=subprocess.PIPE)
    line = probe.stdout.readline().split()
    probe.stdout.close()
    threading.Thread(target=probe.wait, daemon=True).start()
    assert len(line) == 3, "the probe showed nothing"
    return tuple(int(v) for v in line)


class NativeLayerTest(unittest.TestCase):
    """No X server at all: the layer code puts a surface on an output and
    shows the pixels it is handed at that output's scale."""

    def test_the_picture_lands_on_the_output_at_its_scale(self):
        # (mode, scale, logical size): the box is in logical pixels, the
        # screenshot in the output's own.
        for mode, scale, logical in (((1024, 768), 1, (1024, 768)),
                                     ((2048, 1536), 2, (1024, 768))):
            with self.subTest(scale=scale), xtest.HeadlessSway(*mode, xwayland=False,
                                                               scale=scale) as sway:
                self.assertEqual(hand_picture(sway, (473, 184, 551, 214)),
                                 logical + (120 * scale,))
                shot = sway.screenshot()
                self.assertEqual(shot.find(RED), tuple(v * scale for v in (473, 184, 551, 214)))
                # Every buffer pixel its own screen pixel: red and blue
                # alternate along each row, never two of one side by side.
                y = 184 * scale + 1
                self.assertEqual([shot.pixel(x, y) for x in range(473 * scale, 473 * scale + 4)],
                                 [(0, 0, 255), RED, (0, 0, 255), RED])

    def test_on_several_outputs_it_goes_where_the_compositor_puts_a_surface(self):
        # Two outputs of one logical size at different scales, the first
        # right of the other: the surface goes on the focused one, and the
        # layer code must find out which that is.
        with xtest.HeadlessSway(2048, 1536, xwayland=False, scale=2) as sway:
            sway.msg("create_output")
            sway.msg("output HEADLESS-2 mode 1024x768 scale 1 position 0 0")
            sway.msg("output HEADLESS-1 position 1024 0")
            self.assertTrue(xtest.wait_for(
                lambda: len(json.loads(sway.msg("-t", "get_outputs"))) == 2, 10))
            # (focused, its scale, its left edge in the screenshot: grim
            # renders the whole layout at the largest scale, 2)
            for output, scale, left in (("HEADLESS-1", 2, 2048), ("HEADLESS-2", 1, 0)):
                with self.subTest(output):
                    sway.msg("focus output " + output)
                    # grim scales the other output's pixels up, blending them:
                    # one colour there.
                    colours = (RED, (0, 0, 255)) if scale == 2 else (RED, RED)
                    self.assertEqual(hand_picture(sway, (473, 184, 551, 214), colours),
                                     (1024, 768, 120 * scale))
                    shot = sway.screenshot()
                    found = shot.find(RED, (left, 0, left + 2048, 1536))
                    self.assertIsNotNone(found, "not on " + output)
                    # Its edges blended there too: a pixel either way.
                    expected = (left + 946, 368, left + 1102, 428)
                    self.assertLessEqual(max(abs(a - b) for a, b in zip(found, expected)),
                                         0 if scale == 2 else 1, found)
                    if scale == 2:  # its own pixels, not doubled ones
                        self.assertNotEqual(shot.pixel(left + 946, 369), shot.pixel(left + 947, 369))


class WithoutXWaylandTest(unittest.TestCase):
    """sway with `xwayland disable`: no X server anywhere."""

    def test_the_drawing_needs_no_x_server(self):
        text, settings = "Pixel for pixel\nas on X: gjpqy ÄÉÖ &amp", "font=DejaVu Sans\nth=30"
        root = root_drawing(text, settings)
        bands = [root.find(BACK, (0, top, 1024, top + 30)) for top in (184, 214)]
        self.assertNotIn(None, bands, "no bands on X")
        with xtest.HeadlessSway(1024, 768, xwayland=False) as sway:
            self.assertNotIn("DISPLAY", sway.env)
            returned = draw(sway, text, settings=settings)
            shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(
                sway.screenshot()), 5)
            self.assertIsNotNone(shot, "no band")
            for band in bands:
                # Where the X drawing is, pixel for pixel but for the stated
                # tolerance: the same faces, drawn by another rasteriser's caller.
                self.assertEqual(shot.find(BACK, (0, band[1], 1024, band[3])), band)
                self.assertLessEqual(xtest.band_difference(shot, root, band)[1], xtest.STRAY_SHARE)
            self.assertEqual(xtest.count_other(shot, shot.pixel(0, 0), (0, 0, 1024, 184)), 0)
            # Still there late in its lifetime; a lifetime cut short by half a
            # second shows here.
            time.sleep(max(0.0, returned + LIFETIME - 0.5 - time.time()))
            self.assertIsNotNone(sway.screenshot().find(BACK), "gone before its lifetime")
            self.assertTrue(xtest.wait_for(lambda: not sway.screenshot().find(BACK), LIFETIME + 5),
                            "the drawing stayed")

    def test_with_several_outputs_the_band_is_centred_on_the_focused_one(self):
        with xtest.HeadlessSway(1024, 768, xwayland=False) as sway:
            sway.msg("create_output")
            sway.msg("output HEADLESS-2 mode 1024x768 position 0 0")
            sway.msg("output HEADLESS-1 position 1024 0")
            self.assertTrue(xtest.wait_for(
                lambda: len(json.loads(sway.msg("-t", "get_outputs"))) == 2, 10))
            for output, centre in (("HEADLESS-1", 1024 + 512), ("HEADLESS-2", 512)):
                with self.subTest(output):
                    sway.msg("focus output " + output)
                    draw(sway, "Hello", settings="")
                    shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(
                        sway.screenshot()), 5)
                    self.assertIsNotNone(shot, "no band")
                    left, top, right, bottom = shot.find(BACK)
                    self.assertEqual((top, bottom), (184, 214))
                    self.assertLessEqual(abs((left + right) / 2 - centre), 1)
                    self.assertTrue(xtest.wait_for(lambda: not sway.screenshot().find(BACK),
                                                   LIFETIME + 5), "the drawing stayed")

    def test_the_windows_write_it_is_seen(self):
        # The window on Qt's own Wayland platform, where sway places it; keys
        # typed through the compositor (wtype) reach its text box.
        with xtest.HeadlessSway(1024, 768, xwayland=False) as sway:
            xtest.write_settings(sway, "colorT=10114821\ncolorB=15464446\ntw=15\nth=30\n"
                                       "font=DejaVu Sans")
            pointer = xtest.VirtualPointer(sway, POINTER)
            self.addCleanup(pointer.close)
            window = subprocess.Popen([PROGRAM], env=sway.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.PIPE)
            self.addCleanup(window.wait, 5)
            self.addCleanup(window.kill)
            def find(node):
                if node.get("app_id") == "scriblane":
                    return node
                for child in node.get("nodes", []) + node.get("floating_nodes", []):
                    found = find(child)
                    if found:
                        return found
                return None
            node = xtest.wait_for(lambda: find(json.loads(sway.msg("-t", "get_tree"))), 15)
            self.assertIsNotNone(node, "the window did not come up")
            # Its client area's corner in the layout.
            x, y = node["rect"]["x"] + node["window_rect"]["x"], node["rect"]["y"]
            line = (x + 5, y + 25, x + 280, y + 70)  # the text box's first lines
            def dark(image):
                return sum(1 for px in range(line[0], line[2]) for py in range(line[1], line[3])
                           if max(image.pixel(px, py)) < 100)
            typed = False
            for _ in range(3):  # clicked and typed again should the keys not arrive
                pointer.move(x + 100, y + 40)  # the text box
                pointer.click()
                pointer.move(x + 160 + 35, y + 84 + 124 + 10)  # out of it: onto "Write it!"
                sway.run(["wtype", "Hello screen"], check=True)
                typed = xtest.wait_for(lambda: dark(sway.screenshot()) > 40, 5)
                if typed:
                    break
            self.assertTrue(typed, "the keys did not reach the text box")
            shot = None
            for _ in range(3):  # clicked again should a busy compositor lose the click
                pointer.move(x + 160 + 35, y + 84 + 124 + 10)
                pointer.click()
                shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK, STRIP) else None)(
                    sway.screenshot()), 5)
                if shot:
                    break
            self.assertIsNotNone(shot, "no band")
            band = shot.find(BACK, STRIP)
            self.assertEqual((band[1], band[3]), (184, 214))
            self.assertLessEqual(abs((band[0] + band[2]) / 2 - 512), 1)
            self.assertGreater(shot.count(TEXT, band), 50)
            self.assertIsNone(window.poll(), "the window stays after writing")
            self.assertTrue(xtest.wait_for(lambda: not sway.screenshot().find(BACK, STRIP),
                                           LIFETIME + 5), "the drawing stayed")


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    POINTER = os.path.abspath(sys.argv.pop(1))
    PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main()
