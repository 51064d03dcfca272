"""A check run by hand, outside the test run (it needs GNOME's packages): on
GNOME Shell (headless, one virtual monitor, XWayland started on demand),
which offers no layer shell, a drawing still goes on the XWayland window,
with the root drawing's pixels, for its lifetime, and is on screen when
`scriblane` returns.

Needs, beyond scripts/setup.sh (as root):
  apt-get install gnome-shell python3-dbus dbus
Usage: PYTHONPATH=tests/support /usr/bin/python3 tests/platform/linux/wayland/gnome_check.py BUILD_DIR
GNOME Shell wants a system bus: one is started (and stopped) when none runs. Screenshots
come through org.gnome.Shell.Screenshot, which serves a caller that owns
the name org.gnome.Screenshot.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

import dbus
import xtest

SYSTEM_BUS_SOCKET = "/run/dbus/system_bus_socket"


def system_bus_answers():
    """A system bus runs (GNOME Shell needs one), not only its socket file."""
    try:
        dbus.bus.BusConnection("unix:path=" + SYSTEM_BUS_SOCKET).close()
        return True
    except dbus.exceptions.DBusException:
        return False

BACK = (254, 247, 235)   # default background


class GnomeSession:
    def __init__(self, width=1024, height=768):
        self.width, self.height = width, height

    def __enter__(self):
        self.system_bus = None
        if not system_bus_answers():
            # A bus that ended leaves its socket and pid file behind.
            for leftover in (SYSTEM_BUS_SOCKET, "/run/dbus/pid"):
                if os.path.exists(leftover):
                    os.remove(leftover)
            os.makedirs("/run/dbus", exist_ok=True)
            subprocess.run(["dbus-daemon", "--system", "--fork"], check=True)
            with open("/run/dbus/pid") as f:
                self.system_bus = int(f.read())
        self.dir = tempfile.mkdtemp(prefix="scriblane-gnome-")
        os.chmod(self.dir, 0o700)
        ready = os.path.join(self.dir, "session")
        env = {"PATH": os.environ["PATH"], "HOME": self.dir, "XDG_RUNTIME_DIR": self.dir,
               "XDG_SESSION_TYPE": "wayland"}
        self.log_path = os.path.join(self.dir, "shell.log")
        self.log = open(self.log_path, "wb")
        # Without systemd-logind (a container) the Shell must not look for
        # it: /run/systemd is hidden from it in a mount namespace of its own.
        self.proc = subprocess.Popen(
            ["unshare", "-m", "sh", "-c",
             "mount -t tmpfs none /run/systemd && exec dbus-run-session -- sh -c "
             "'env > %s && exec gnome-shell --headless --wayland --virtual-monitor %dx%d "
             "--wayland-display wayland-check'" % (ready, self.width, self.height)],
            env=env, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.wayland = os.path.join(self.dir, "wayland-check")

        def display():
            with open(self.log_path, "rb") as f:
                match = re.search(rb"Using public X11 display (:\d+)", f.read())
            return match.group(1).decode() if match else None

        if not xtest.wait_for(lambda: (os.path.exists(self.wayland) and display()) or
                              self.proc.poll() is not None, 60) or self.proc.poll() is not None:
            self.__exit__()
            raise RuntimeError("GNOME Shell did not start")
        with open(ready) as f:
            session = dict(l.split("=", 1) for l in f.read().splitlines() if "=" in l)
        self.bus = dbus.bus.BusConnection(session["DBUS_SESSION_BUS_ADDRESS"])
        self.bus.request_name("org.gnome.Screenshot")
        if not xtest.wait_for(lambda: self.bus.name_has_owner("org.gnome.Shell.Screenshot"), 60):
            self.__exit__()
            raise RuntimeError("GNOME Shell offers no screenshots")
        # The Shell opens its overview, which hides every window, once it
        # has started up: it is closed then.
        shell = self.bus.get_object("org.gnome.Shell", "/org/gnome/Shell")
        properties = dbus.Interface(shell, "org.freedesktop.DBus.Properties")
        xtest.wait_for(lambda: properties.Get("org.gnome.Shell", "OverviewActive"), 20)
        properties.Set("org.gnome.Shell", "OverviewActive", False)
        if not xtest.wait_for(lambda: not properties.Get("org.gnome.Shell", "OverviewActive"), 10):
            self.__exit__()
            raise RuntimeError("GNOME Shell stays in its overview")
        cookies = glob.glob(os.path.join(self.dir, ".mutter-Xwaylandauth.*"))
        self.env = dict(os.environ, HOME=self.dir, XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                        WAYLAND_DISPLAY=self.wayland, DISPLAY=display(),
                        DBUS_SESSION_BUS_ADDRESS=session["DBUS_SESSION_BUS_ADDRESS"])
        if cookies:
            self.env["XAUTHORITY"] = cookies[0]
        self.env.pop("XDG_RUNTIME_DIR", None)
        # The overview's property turns at once; its closing animation plays
        # on, and windows shown meanwhile are not on screen until it ends:
        # the screen is settled once two screenshots in a row are the same.
        last = [None]

        def settled():
            shot = self.screenshot().data
            same, last[0] = shot == last[0], shot
            return same
        if not xtest.wait_for(settled, 10):
            self.__exit__()
            raise RuntimeError("GNOME Shell's screen does not settle")
        return self

    def screenshot(self):
        path = os.path.join(self.dir, "shot.png")
        shots = self.bus.get_object("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot")
        ok, _ = shots.ScreenshotArea(0, 0, self.width, self.height, False, path,
                                     dbus_interface="org.gnome.Shell.Screenshot")
        if not ok:
            raise RuntimeError("no screenshot")
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                             check=True).stdout
        return xtest._read_ppm(ppm)

    def run(self, args, env=None, timeout=30):
        return subprocess.run(args, env=env or self.env, capture_output=True, timeout=timeout)

    def __exit__(self, *exc):
        xtest.stop_group(self.proc)
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        if self.system_bus:
            os.kill(self.system_bus, 15)
            xtest.wait_for(lambda: not os.path.exists("/proc/%d" % self.system_bus), 10)
            for leftover in (SYSTEM_BUS_SOCKET, "/run/dbus/pid"):
                if os.path.exists(leftover):
                    os.remove(leftover)
        return False


def main():
    program = os.path.join(os.path.abspath(sys.argv[1]), "scriblane")
    results = []

    def check(name, ok, detail=""):
        results.append(ok)
        print("%s: %s%s" % ("PASS" if ok else "FAIL", name, (" (" + detail + ")") if detail else ""))

    text = "Pixel for pixel\nas on X: gjpqy"
    with xtest.XServer(1024, 768) as server:
        subprocess.run([program, text], env=server.env, check=True)
        root = server.screenshot()
    bands = [root.find(BACK, (0, top, 1024, top + 30)) for top in (184, 214)]
    with GnomeSession() as gnome:
        print("GNOME Shell up: DISPLAY=%s WAYLAND_DISPLAY=%s" % (gnome.env["DISPLAY"],
                                                                gnome.env["WAYLAND_DISPLAY"]))
        result = gnome.run([program, text])
        check("scriblane returns 0", result.returncode == 0, result.stderr.decode().strip())
        windows = gnome.run(["xdotool", "search", "--name", "^scriblane drawing$"]).stdout.split()
        check("on an XWayland window (no layer shell here)", len(windows) == 1)
        # Returned means shown: the first screenshot after the return has it.
        shot = gnome.screenshot()
        check("on screen when scriblane returns", bool(shot.find(BACK)))
        shot = xtest.wait_for(lambda: (lambda s: s if s.find(BACK) else None)(gnome.screenshot()), 5)
        same = shot is not None and all(
            shot.data[(y * 1024 + l) * 3:(y * 1024 + r) * 3] ==
            root.data[(y * 1024 + l) * 3:(y * 1024 + r) * 3]
            for l, t, r, b in bands for y in range(t, b))
        if shot is None and os.environ.get("SCRIBLANE_CHECK_SHOT"):
            gnome.screenshot().save_png(os.environ["SCRIBLANE_CHECK_SHOT"])
        check("the root drawing's pixels", same, "band at %r" % (shot.find(BACK),) if shot else "")
        check("gone after its lifetime", bool(xtest.wait_for(
            lambda: not gnome.screenshot().find(BACK), 10)))
        # Again, several times over: a drawing returned before its frame is
        # seen only some of the time.
        xtest.wait_for(lambda: not gnome.screenshot().find(BACK), 10)
        early = 0
        for i in range(4):
            gnome.run([program, "Again %d" % i])
            early += not gnome.screenshot().find(BACK)
            xtest.wait_for(lambda: not gnome.screenshot().find(BACK), 10)
        check("on screen at every return", early == 0, "%d of 4 returned early" % early)
    print("%d passed, %d failed" % (results.count(True), results.count(False)))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
