"""Under Wine: `scriblane.exe Hello` draws on the screen and ends, using the
settings stored in the registry."""
import unittest

import wine_support
from wine_support import xtest

BACK = (254, 247, 235)   # 15464446
TEXT = (5, 87, 154)      # 10114821
ROOT = (0x33, 0x66, 0x99)
BOX = (312, 184, 712, 584)  # the drawing box on 1024x768


class CommandLineMode(wine_support.WineTestCase):
    def draw(self, *args, shot=None):
        self.xs.fill_root("#336699")
        rc = wine_support.run(self.env, [self.exe] + list(args), timeout=120, log="cmdline")
        self.assertEqual(rc, 0)
        image = self.xs.screenshot()
        if shot:
            image.save_png(wine_support.prefix_dir() + "-logs/%s.png" % shot)
        return image

    def band(self, image, back):
        box = image.find(back, BOX)
        self.assertIsNotNone(box, "no band of %r on the screen" % (back,))
        return box

    def test_1_defaults_with_nothing_stored(self):
        image = self.draw("Hello", shot="cmdline-defaults")
        left, top, right, bottom = self.band(image, BACK)
        self.assertEqual(top, 184)
        self.assertLessEqual(abs((left + right) / 2 - 512), 1.5)
        wine_support.assert_glyphs(self, image, TEXT, (left, top, right, bottom))
        # Nothing drawn outside the box.
        self.assertEqual(image.pixel(10, 10), ROOT)
        self.assertEqual(image.pixel(512, 700), ROOT)

    def test_2_stored_settings_change_the_band(self):
        cases = [
            # name, stored values, band colour, text colour, band height
            ("taller", {"th": "50"}, BACK, TEXT, 50),
            ("colours", {"colorB": "255", "colorT": "65280"}, (255, 0, 0), (0, 255, 0), 30),
        ]
        heights = {}
        for name, values, back, text, height in cases:
            with self.subTest(name):
                wine_support.reg_delete_all(self.env)
                for k, v in values.items():
                    wine_support.reg_add(self.env, k, v)
                image = self.draw("Hello", shot="cmdline-" + name)
                left, top, right, bottom = self.band(image, back)
                self.assertEqual(top, 184)
                wine_support.assert_glyphs(self, image, text, (left, top, right, bottom))
                heights[name] = bottom - top
                self.assertLessEqual(abs((left + right) / 2 - 512), 1.5)
        self.assertGreater(heights["taller"], heights["colours"] + 10)

    def test_3_number_beyond_32_bits_draws_nothing(self):
        wine_support.reg_delete_all(self.env)
        wine_support.reg_add(self.env, "th", "4294967296")
        image = self.draw("Hello")
        self.assertIsNone(image.find(BACK, BOX))
        self.assertIsNone(image.find(TEXT, BOX))
        self.assertEqual(image.count(ROOT, BOX), 400 * 400)

    def test_4_extreme_letter_sizes_end_quietly(self):
        # Any width over a hundred heights is ignored (the default width), so
        # the widths at the 32-bit limits draw as width 0 does.
        wine_support.reg_delete_all(self.env)
        wine_support.reg_add(self.env, "tw", "0")
        ignored = self.draw("Hello").data
        for tw in ("2147483647", "-2147483647", "-2147483648"):
            with self.subTest(tw=tw):
                wine_support.reg_add(self.env, "tw", tw)
                self.assertEqual(self.draw("Hello").data, ignored)
        # Letters whose glyphs no X request can carry are left undrawn.
        for th, tw in (("1000", "100000"), ("7379", "0")):
            with self.subTest(th=th, tw=tw):
                wine_support.reg_add(self.env, "th", th)
                wine_support.reg_add(self.env, "tw", tw)
                image = self.draw("Hello")
                self.assertEqual(image.count(ROOT, BOX), 400 * 400)


if __name__ == "__main__":
    unittest.main()
