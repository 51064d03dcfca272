"""A check run by hand, outside the test run (it needs KDE's packages): on
KDE Plasma's KWin (kwin_wayland on its virtual backend, with XWayland) a
drawing goes on KWin's overlay layer with the root drawing's pixels, and a
click on it reaches a Wayland window beneath; the XWayland window, shown for
comparison, is checked the same way (a click on it does not reach the
Wayland window: KWin takes an XWayland window's whole rectangle as input).

Needs, beyond scripts/setup.sh (as root):
  apt-get install kwin-wayland plasma-wayland-protocols python3-dbus dbus
Usage: PYTHONPATH=tests/support /usr/bin/python3 tests/platform/linux/wayland/kwin_check.py BUILD_DIR
kwin_wayland carries a file capability that a container refuses, so a copy
without it runs. Screenshots come through org.kde.KWin.ScreenShot2 and
clicks through KWin's fake input (both let in by KWin's environment
variables for checks).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import dbus
import xtest

BACK = (254, 247, 235)   # default background
HERE = os.path.dirname(os.path.abspath(__file__))


class KWinSession:
    """A KWin of its own with XWayland; `env` reaches both."""

    def __init__(self, width=1024, height=768, scale=1):
        self.width, self.height, self.scale = width, height, scale

    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="scriblane-kwin-")
        os.chmod(self.dir, 0o700)
        kwin = os.path.join(self.dir, "kwin_wayland")
        shutil.copy("/usr/bin/kwin_wayland", kwin)
        ready = os.path.join(self.dir, "session")
        env = {"PATH": os.environ["PATH"], "HOME": self.dir, "XDG_RUNTIME_DIR": self.dir,
               "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS": "1",
               "KWIN_WAYLAND_NO_PERMISSION_CHECKS": "1"}
        self.log = open(os.path.join(self.dir, "kwin.log"), "wb")
        self.proc = subprocess.Popen(
            ["dbus-run-session", "--", kwin, "--virtual", "--xwayland", "--scale", str(self.scale),
             "--width", str(self.width), "--height", str(self.height), "--socket", "wayland-check",
             "--exit-with-session",
             "sh -c 'env > %s.new && mv %s.new %s && exec sleep 3600'" % (ready, ready, ready)],
            env=env, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        if not xtest.wait_for(lambda: os.path.exists(ready) or self.proc.poll() is not None, 30) \
                or not os.path.exists(ready):
            self.__exit__()
            raise RuntimeError("KWin did not start; see its log")
        with open(ready) as f:
            session = dict(l.split("=", 1) for l in f.read().splitlines() if "=" in l)
        self.env = dict(os.environ, HOME=self.dir, XDG_CONFIG_HOME=os.path.join(self.dir, "config"))
        for name in ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                     "XDG_RUNTIME_DIR"):
            if name in session:
                self.env[name] = session[name]
        self.env.pop("QT_QPA_PLATFORM", None)
        self.bus = dbus.bus.BusConnection(session["DBUS_SESSION_BUS_ADDRESS"])
        return self

    def screenshot(self):
        read, write = os.pipe()
        shots = self.bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2")
        # In the output's own pixels, so a scaled output shows what it really has.
        options = {"native-resolution": dbus.Boolean(True)}
        info = shots.CaptureArea(0, 0, self.width, self.height, options, dbus.types.UnixFd(write),
                                 dbus_interface="org.kde.KWin.ScreenShot2")
        os.close(write)
        data = b""
        while True:
            chunk = os.read(read, 1 << 20)
            if not chunk:
                break
            data += chunk
        os.close(read)
        width, height, stride = int(info["width"]), int(info["height"]), int(info["stride"])
        rgb = bytearray()
        for y in range(height):  # QImage's 32-bit formats: B, G, R, A in memory
            row = data[y * stride:y * stride + width * 4]
            for x in range(0, width * 4, 4):
                rgb += bytes((row[x + 2], row[x + 1], row[x]))
        return xtest.Image(width, height, bytes(rgb))

    def run(self, args, env=None, timeout=30):
        return subprocess.run(args, env=env or self.env, capture_output=True, timeout=timeout)

    def __exit__(self, *exc):
        xtest.stop_group(self.proc)
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        return False


def build_pointer(folder):
    xml = "/usr/share/plasma-wayland-protocols/fake-input.xml"
    for kind, out in (("client-header", "fake-input-client-protocol.h"),
                      ("private-code", "fake-input-protocol.c")):
        subprocess.run(["wayland-scanner", kind, xml, os.path.join(folder, out)], check=True)
    program = os.path.join(folder, "kwin_fake_pointer")
    subprocess.run(["cc", "-O1", "-I", folder, "-o", program,
                    os.path.join(HERE, "kwin_fake_pointer.c"),
                    os.path.join(folder, "fake-input-protocol.c"), "-lwayland-client"], check=True)
    return program


def draw(kwin, program, text, presentation, check, label):
    """Draws `text` on the layer (or, without WAYLAND_DISPLAY, an XWayland
    window) and returns the first screenshot with the band, or None."""
    env = dict(kwin.env)
    if presentation == "window":
        del env["WAYLAND_DISPLAY"]
    result = kwin.run([program, text], env=env)
    check("%s%s: scriblane returns 0" % (label, presentation), result.returncode == 0,
          result.stderr.decode().strip())
    return xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(kwin.screenshot()), 5)


def main():
    build = os.path.abspath(sys.argv[1])
    program = os.path.join(build, "scriblane")
    folder = tempfile.mkdtemp(prefix="scriblane-kwin-check-")
    results = []

    def check(name, ok, detail=""):
        results.append(ok)
        print("%s: %s%s" % ("PASS" if ok else "FAIL", name, (" (" + detail + ")") if detail else ""))

    try:
        pointer_program = build_pointer(folder)
        text = "Pixel for pixel\nas on X: gjpqy"
        with xtest.XServer(1024, 768) as server:
            subprocess.run([program, text], env=server.env, check=True)
            root = server.screenshot()
        bands = [root.find(BACK, (0, top, 1024, top + 30)) for top in (184, 214)]

        with KWinSession() as kwin:
            print("KWin up: DISPLAY=%s WAYLAND_DISPLAY=%s" % (kwin.env.get("DISPLAY"),
                                                               kwin.env.get("WAYLAND_DISPLAY")))
            for presentation in ("layer", "window"):
                shot = draw(kwin, program, text, presentation, check, "")
                # The layer is painted without X: within the tests' tolerance.
                same = shot is not None and all(
                    shot.find(BACK, (0, t, 1024, b)) == (l, t, r, b) and (
                        xtest.band_difference(shot, root, (l, t, r, b))[1] <= xtest.STRAY_SHARE
                        if presentation == "layer" else all(
                            shot.data[(y * 1024 + l) * 3:(y * 1024 + r) * 3] ==
                            root.data[(y * 1024 + l) * 3:(y * 1024 + r) * 3]
                            for y in range(t, b)))
                    for l, t, r, b in bands)
                check("%s: the root drawing's pixels" % presentation, same,
                      "band at %r" % (shot.find(BACK),) if shot else "no band")
                windows = kwin.run(["xdotool", "search", "--name", "^scriblane drawing$"]).stdout
                check("%s: an X window only for the window presentation" % presentation,
                      bool(windows.strip()) == (presentation == "window"))
                gone = xtest.wait_for(lambda: not kwin.screenshot().find(BACK), 10)
                check("%s: gone after its lifetime" % presentation, gone)

            # A Wayland window beneath, clicked through KWin's fake input.
            pointer = xtest.VirtualPointer(kwin, pointer_program)
            beneath = subprocess.Popen(["stdbuf", "-oL", "wev"], env=kwin.env, text=True,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            events = xtest.Lines(beneath)
            try:
                entered = xtest.wait_for(lambda: (pointer.move(300, 500), events.wait_for(
                    "wl_pointer] enter", timeout=0.3))[1], 15)
                check("wev is up under the pointer", bool(entered))
                for presentation in ("layer", "window"):
                    env = dict(kwin.env)
                    if presentation == "window":
                        del env["WAYLAND_DISPLAY"]
                    kwin.run([program, "Hello"], env=env)
                    shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(
                        kwin.screenshot()), 5)
                    if shot is None:
                        check("%s: shown over wev" % presentation, False)
                        continue
                    left, top, right, bottom = shot.find(BACK)
                    start = events.count()
                    pointer.move((left + right) // 2, (top + bottom) // 2)
                    pointer.click()
                    pressed = events.wait_for("state: 1 (pressed)", start, timeout=3)
                    if presentation == "layer":
                        check("layer: a click on the band reaches wev beneath", bool(pressed))
                    else:  # what the layer is for: KWin gives an XWayland window every click
                        print("NOTE: window: a click on the band %s wev beneath" %
                              ("reaches" if pressed else "does not reach"))
                    xtest.wait_for(lambda: not kwin.screenshot().find(BACK), 10)
                    pointer.move(300, 500)
            finally:
                beneath.terminate()
                beneath.wait(5)
                pointer.close()

        # A fractional scale: the layer's drawing painted at 1.5, as sharp as
        # the output allows, where XWayland's window is an enlarged picture.
        with KWinSession(scale=1.5) as kwin:
            partial = {}
            for presentation in ("layer", "window"):
                shot = draw(kwin, program, text, presentation, check, "1.5: ")
                box = shot.find(BACK) if shot else None
                expected = tuple(v * 1.5 for v in (min(b[0] for b in bands), bands[0][1],
                                                    max(b[2] for b in bands), bands[-1][3]))
                check("1.5: %s: the bands where the scale puts them" % presentation,
                      box is not None and all(abs(a - b) <= 1 for a, b in zip(box, expected)),
                      "%r, expected %r" % (box, expected))
                if box:
                    # Glyph pixels neither background nor ink: an enlarged
                    # picture has many more.
                    partial[presentation] = sum(
                        1 for y in range(box[1], box[3]) for x in range(box[0], box[2])
                        if 8 <= max(abs(a - b) for a, b in zip(shot.pixel(x, y), BACK)) < 150)
                xtest.wait_for(lambda: not kwin.screenshot().find(BACK), 10)
            check("1.5: the layer's text is sharper than XWayland's enlarged window",
                  len(partial) == 2 and partial["layer"] < 0.7 * partial["window"],
                  "partial pixels %r" % partial)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("%d passed, %d failed" % (results.count(True), results.count(False)))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
