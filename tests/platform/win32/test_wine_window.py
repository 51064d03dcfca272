"""Under Wine: the window of scriblane.exe, used as a user would, on an X
server without a window manager (Wine then draws no frame of its own on the
X side, and the X window is the client area)."""
import time
import unittest

import wine_support
from wine_support import xtest

TWIPS = 15  # per pixel at 96 DPI
FRAME_TOP = 1260  # Settings frame, twips from the client top


def centre(left, top, width, height, in_frame=True):
    """Centre of a control from its layout twips, in client pixels."""
    y0 = FRAME_TOP if in_frame else 0
    return ((left + width / 2) / TWIPS, (y0 + top + height / 2) / TWIPS)


WRITE = centre(2400, 1860, 1035, 315)
HELP = centre(3900, 1860, 315, 315)
SAVE = centre(480, 1860, 1275, 315)
TEXT_COLOR = centre(2520, 300, 1035, 315)
PIC_T = centre(3780, 300, 315, 315)
PIC_BK = centre(3780, 840, 315, 315)
TEXT_BOX = centre(60, 300, 4215, 795, in_frame=False)
EMPTY_IN_FRAME = (120, 165)   # no control there: the frame's inside
EMPTY_ABOVE = (5, 5)
BOX = (312, 184, 712, 584)
ROOT = (0x10, 0x20, 0x30)  # unlike any system colour, so the band stands out


class WindowMode(wine_support.WineTestCase):
    def click(self, window, point):
        x, y, _, _ = wine_support.geometry(self.xs, window)
        wine_support.xdotool(self.xs, "mousemove", int(x + point[0]), int(y + point[1]))
        wine_support.xdotool(self.xs, "click", 1)

    def pixel(self, image, window, point):
        x, y, _, _ = wine_support.geometry(self.xs, window)
        return image.pixel(int(x + point[0]), int(y + point[1]))

    def wait_count(self, name, count, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if len(wine_support.find_windows(self.xs, name)) == count:
                return
            time.sleep(0.2)
        self.fail("expected %d window(s) named %r" % (count, name))

    def test_window_placed_painted_writes_saves_and_closes(self):
        xs = self.xs
        xs.fill_root("#102030")
        proc = wine_support.start(self.env, [self.exe], log="window")
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        (main,) = wine_support.wait_for_window(xs, "Scriblane")
        time.sleep(1.0)  # let the first paint finish
        x, y, w, h = wine_support.geometry(xs, main)
        self.assertEqual((w, h), (290, 236))
        # The outer corner sits on the work area's (the whole screen here):
        # the client's corner is inside it by the same frame width each way.
        gap_right, gap_bottom = 1024 - (x + w), 768 - (y + h)
        self.assertEqual(gap_right, gap_bottom)
        self.assertTrue(0 < gap_right <= 8, gap_right)

        image = xs.screenshot()
        image.save_png(wine_support.prefix_dir() + "-logs/window.png")
        face = self.pixel(image, main, EMPTY_ABOVE)
        self.assertEqual(self.pixel(image, main, EMPTY_IN_FRAME), face,
                         "the Settings frame is not painted in the window colour")
        self.assertEqual(self.pixel(image, main, PIC_T), (0, 0, 0))
        back = self.pixel(image, main, PIC_BK)
        self.assertNotEqual(back, face)
        self.assertNotEqual(back, ROOT)

        # Type into the text box, which has the focus, and write it.
        wine_support.xdotool(xs, "windowfocus", "--sync", main)
        time.sleep(0.3)
        wine_support.xdotool(xs, "type", "--delay", "60", "Hi there")
        # Escape in the text box neither ends the program nor loses the text.
        wine_support.xdotool(xs, "key", "Escape")
        self.click(main, WRITE)
        image = wine_support.wait_for_pixels(xs, lambda im: im.find(back, BOX) is not None)
        self.assertIsNone(proc.poll(), "Escape ended the program")
        image.save_png(wine_support.prefix_dir() + "-logs/written.png")
        band = image.find(back, BOX)
        self.assertIsNotNone(band, "nothing written")
        self.assertEqual(band[1], 184)
        self.assertTrue(25 <= band[3] - band[1] <= 45, band)  # letters 30 pixels high
        self.assertEqual(image.pixel(512, 150), ROOT)
        self.assertGreater(band[2] - band[0], 100, "the band is too short for the typed text")
        wine_support.assert_glyphs(self, image, (0, 0, 0), band, least=30)

        # Tab leaves the text box instead of typing into it.
        self.click(main, TEXT_BOX)
        wine_support.xdotool(xs, "key", "End", "Tab")
        wine_support.xdotool(xs, "type", "--delay", "60", "zzzz")
        xs.fill_root("#102030")
        self.click(main, WRITE)
        again = wine_support.wait_for_pixels(xs, lambda im: im.find(back, BOX) is not None)
        self.assertEqual(again.find(back, BOX), band, "Tab or the typing went into the text")

        # "?" opens the help box; Enter closes it.
        self.click(main, HELP)
        self.wait_count("Scriblane", 2)
        wine_support.xdotool(xs, "key", "Return")
        self.wait_count("Scriblane", 1)

        # The colour dialog, cancelled, leaves the swatch as it was.
        self.click(main, TEXT_COLOR)
        wine_support.wait_for_window(xs, "Color")
        wine_support.xdotool(xs, "key", "Escape")
        self.wait_count("Color", 0)
        time.sleep(0.5)
        self.assertEqual(self.pixel(xs.screenshot(), main, PIC_T), (0, 0, 0))

        # Save Settings, answered Yes, writes the registry.
        self.click(main, SAVE)
        self.wait_count("Scriblane", 2)
        wine_support.xdotool(xs, "key", "Return")
        self.wait_count("Scriblane", 1)
        values = wine_support.reg_query(self.env)
        self.assertEqual(values.get("th"), ("REG_SZ", "30"))
        self.assertEqual(values.get("tw"), ("REG_SZ", "15"))
        self.assertEqual(values.get("colorT"), ("REG_SZ", "0"))
        r, g, b = back
        self.assertEqual(values.get("colorB"), ("REG_SZ", str(r | g << 8 | b << 16)))
        self.assertIn("font", values)
        self.assertNotEqual(values["font"][1], "")

        # Closing the window ends the program.
        wine_support.xdotool(xs, "windowfocus", "--sync", main)
        wine_support.xdotool(xs, "key", "alt+F4")
        self.assertEqual(proc.wait(timeout=60), 0)


if __name__ == "__main__":
    unittest.main()
