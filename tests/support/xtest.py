"""Shared helpers for the tests that run the real program on a real X server.

Each test starts its own Xvfb on a free display number, so tests never touch
the developer's screen and can run side by side.
"""
import os
import pwd
import select
import shutil
import subprocess
import tempfile
import time


class Image:
    """An RGB screenshot."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def find(self, color, box=None):
        """Bounding box (left, top, right, bottom; right and bottom exclusive)
        of the pixels of exactly `color` inside `box`, or None."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        left = top = None
        right = bottom = -1
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.data[(y * self.width) * 3:((y + 1) * self.width) * 3]
            xs = [x for x in range(max(0, x0), min(self.width, x1))
                  if row[x * 3] == color[0] and row[x * 3 + 1] == color[1] and row[x * 3 + 2] == color[2]]
            if xs:
                top = y if top is None else top
                bottom = y
                left = xs[0] if left is None else min(left, xs[0])
                right = max(right, xs[-1])
        if top is None:
            return None
        return (left, top, right + 1, bottom + 1)

    def count(self, color, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        n = 0
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                if self.pixel(x, y) == color:
                    n += 1
        return n

    def save_png(self, path):
        ppm = b"P6 %d %d 255\n" % (self.width, self.height) + bytes(self.data)
        subprocess.run(["convert", "ppm:-", path], input=ppm, check=True)


def _read_ppm(blob):
    # P6 header: magic, width, height, maxval, each separated by whitespace.
    parts = []
    pos = 0
    while len(parts) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos) + 1
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        parts.append(blob[pos:end])
        pos = end
    pos += 1
    width, height = int(parts[1]), int(parts[2])
    return Image(width, height, blob[pos:pos + width * height * 3])


class XServer:
    """An Xvfb of its own, with DISPLAY and a temporary HOME in `env`."""

    def __init__(self, width=1024, height=768, depth=24, extra_args=()):
        self.width, self.height = width, height
        self.args = ["-screen", "0", "%dx%dx%d" % (width, height, depth), "-nolisten", "tcp",
                     "-noreset", "+extension", "RANDR"] + list(extra_args)
        self.proc = None
        self.wm = None

    # The X server picks its display number and reports it (-displayfd):
    # probing for a free number and starting the server in two steps lets two
    # tests started together end up sharing one server.
    def __enter__(self):
        read_end, write_end = os.pipe()
        try:
            self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end)] + self.args,
                                         pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
        finally:
            os.close(write_end)
        number = b""
        deadline = time.time() + 10
        try:
            while not number.endswith(b"\n") and time.time() < deadline:
                if not select.select([read_end], [], [], max(0.0, deadline - time.time()))[0]:
                    break
                chunk = os.read(read_end, 32)
                if not chunk:
                    break
                number += chunk
        finally:
            os.close(read_end)
        if not number.strip().isdigit():
            self.proc.kill()
            self.proc.wait()
            raise RuntimeError("Xvfb did not report a display")
        self.display = ":" + number.strip().decode()
        self.home = tempfile.mkdtemp(prefix="scriblane-home-")
        self.env = dict(os.environ)
        self.env.update(DISPLAY=self.display, HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"))
        self.env.pop("XDG_RUNTIME_DIR", None)
        self.wait_for_server()
        return self

    def wait_for_server(self):
        deadline = time.time() + 10
        while time.time() < deadline:
            if subprocess.run(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.05)
        raise RuntimeError("Xvfb did not answer")

    def start_wm(self):
        """Starts openbox and waits until it manages the screen."""
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while time.time() < deadline:
            out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                 capture_output=True, text=True).stdout
            if "window id" in out:
                return
            time.sleep(0.05)
        raise RuntimeError("openbox did not start")

    def screenshot(self, window="root"):
        xwd = subprocess.run(["xwd", "-silent", "-id" if window != "root" else "-root"]
                             + ([str(window)] if window != "root" else []),
                             env=self.env, capture_output=True, check=True).stdout
        ppm = subprocess.run(["convert", "xwd:-", "-depth", "8", "ppm:-"], input=xwd,
                             capture_output=True, check=True).stdout
        return _read_ppm(ppm)

    def fill_root(self, color_name):
        """Paints the root window one colour (for a known background)."""
        subprocess.run(["xsetroot", "-solid", color_name], env=self.env, check=True)

    def run(self, args, timeout=30, **kw):
        return subprocess.run(args, env=self.env, timeout=timeout, capture_output=True, **kw)

    def __exit__(self, *exc):
        for p in (self.wm, self.proc):
            if p is not None and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.home, ignore_errors=True)
        return False


class HeadlessSway:
    """A headless sway session with XWayland, for what a Wayland desktop
    shows. sway refuses to run as root, so as root it runs as the
    unprivileged user setup creates, in a runtime folder of its own (mode
    0700). `env` points X clients at its XWayland (root is let in) and grim
    at its Wayland socket; screenshot() is what the compositor shows."""

    USER = "scriblane-test"

    def __init__(self, width=1024, height=768, xwayland=True, scale=1, config=""):
        self.width, self.height = width, height
        self.xwayland, self.scale, self.config = xwayland, scale, config
        self.proc = None

    def __enter__(self):
        self.runtime = tempfile.mkdtemp(prefix="scriblane-sway-")
        self.home = tempfile.mkdtemp(prefix="scriblane-home-")
        as_root = os.geteuid() == 0
        if as_root:
            try:
                pwd.getpwnam(self.USER)
            except KeyError:
                raise RuntimeError("no user %s: scripts/setup.sh creates it" % self.USER)
            shutil.chown(self.runtime, self.USER)
        os.chmod(self.runtime, 0o700)
        ready = os.path.join(self.runtime, "session")
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("output HEADLESS-1 mode %dx%d scale %d\n" % (self.width, self.height, self.scale))
            f.write("xwayland %s\n" % ("enable" if self.xwayland else "disable"))
            f.write(self.config)
            # Once XWayland answers, let root's clients in; then publish the session.
            f.write("exec sh -c '%senv > %s.new && mv %s.new %s'\n" % (
                "xhost +si:localuser:root >/dev/null && " if self.xwayland else "",
                ready, ready, ready))
        session_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.runtime,
                       "XDG_RUNTIME_DIR": self.runtime, "WLR_BACKENDS": "headless",
                       "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"}
        self.log = open(os.path.join(self.home, "sway.log"), "wb")
        self.proc = subprocess.Popen(["sway", "-c", config], env=session_env, cwd=self.runtime,
                                     user=self.USER if as_root else None,
                                     group=self.USER if as_root else None,
                                     extra_groups=[] if as_root else None, stdout=self.log,
                                     stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while not os.path.exists(ready):
            if self.proc.poll() is not None or time.time() > deadline:
                self.log.flush()
                with open(self.log.name, "rb") as f:
                    log = f.read().decode("utf-8", "replace")
                self.__exit__(None, None, None)
                raise RuntimeError("sway with XWayland did not start:\n" + log[-2000:])
            time.sleep(0.05)
        with open(ready) as f:
            session = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
        self.display = session.get("DISPLAY")  # none without XWayland
        self.env = dict(os.environ)
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        WAYLAND_DISPLAY=os.path.join(self.runtime, session["WAYLAND_DISPLAY"]))
        for name in ("DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"):
            self.env.pop(name, None)
        if self.display:
            self.env["DISPLAY"] = self.display
        self.env["SWAYSOCK"] = session["SWAYSOCK"]
        return self

    def msg(self, *command):
        """Runs one sway command (swaymsg); fails the caller unless sway took it."""
        result = self.run(["swaymsg"] + list(command))
        if result.returncode != 0:
            raise RuntimeError("sway refused %r: %s" % (command, result.stdout + result.stderr))
        return result.stdout.decode()

    def screenshot(self):
        ppm = subprocess.run(["grim", "-t", "ppm", "-"], env=self.env, capture_output=True,
                             check=True, timeout=20).stdout
        return _read_ppm(ppm)

    def run(self, args, timeout=30, **kw):
        return subprocess.run(args, env=self.env, timeout=timeout, capture_output=True, **kw)

    def __exit__(self, *exc):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)
        shutil.rmtree(self.home, ignore_errors=True)
        return False


class Lines:
    """The lines a child process prints, gathered as they come (a thread
    reads them), so a test can wait for one without blocking on the pipe."""

    def __init__(self, proc):
        import threading
        self.proc, self.lines, self.lock = proc, [], threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                self.lines.append(line)

    def since(self, start):
        """The lines from number `start` on."""
        with self.lock:
            return self.lines[start:]

    def count(self):
        with self.lock:
            return len(self.lines)

    def wait_for(self, pattern, start=0, timeout=5):
        """The first line from number `start` on containing `pattern`, or None."""
        return wait_for(lambda: next((l for l in self.since(start) if pattern in l), None), timeout)


class VirtualPointer:
    """A pointer made in the compositor through its virtual pointer protocol
    (tests/support/virtual_pointer.c): clicks as a person's would arrive,
    which an X client's XTest cannot fake for Wayland windows."""

    def __init__(self, session, program):
        self.session = session
        self.proc = subprocess.Popen([program], env=session.env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.output = Lines(self.proc)
        if not self.output.wait_for("ready", timeout=10):
            self.close()
            raise RuntimeError("no virtual pointer: " + self.proc.stderr.read())

    def _say(self, line):
        start = self.output.count()
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        if not self.output.wait_for("done", start, timeout=10):
            raise RuntimeError("the compositor did not take " + line)

    def move(self, x, y):
        """To x, y of the layout (logical pixels)."""
        width, height = self.session.width // self.session.scale, self.session.height // self.session.scale
        self._say("move %d %d %d %d" % (x, y, width, height))

    def click(self):
        self._say("click")

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.output.thread.join(5)
        self.proc.stdout.close()
        self.proc.stderr.close()


def stop_group(proc, timeout=10):
    """Ends a process started as the leader of its own group, with all it started."""
    if proc.poll() is None:
        os.killpg(proc.pid, 15)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, 9)
            proc.wait()


def wait_for(probe, timeout, interval=0.05):
    """Calls `probe` until it returns something true or `timeout` seconds
    pass; returns its last answer."""
    deadline = time.time() + timeout
    while True:
        answer = probe()
        if answer or time.time() > deadline:
            return answer
        time.sleep(interval)


def colorref_rgb(value):
    """A 0x00BBGGRR colour reference as an (r, g, b) tuple."""
    value &= 0xFFFFFF
    return (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF)


def write_settings(server, body, raw=None):
    """Writes the program's settings file by hand into the server's temporary
    config home: `body` is the text after the [settings] line, or `raw` the
    whole file as bytes. Returns the file's path."""
    folder = os.path.join(server.env["XDG_CONFIG_HOME"], "Scriblane")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "Scriblane.conf")
    with open(path, "wb") as f:
        f.write(raw if raw is not None else ("[settings]\n" + body + "\n").encode("utf-8"))
    return path


# How far the layer's own painting (FreeType and pixman, no X) may stray
# from the root drawing's (Xft) in a band: a pixel counts as stray when a
# channel differs by more than this... (the painter means to match the X
# server pixel for pixel at scale 1; this leaves room for a rounding apart)
CHANNEL_TOLERANCE = 16
# ...and no more than this share of the band's pixels may be stray.
STRAY_SHARE = 0.005


def band_difference(shot, root, box):
    """(largest channel difference, share of pixels beyond the tolerance)
    between two screenshots of one size within `box`."""
    left, top, right, bottom = box
    largest, stray = 0, 0
    for y in range(top, bottom):
        a = shot.data[(y * shot.width + left) * 3:(y * shot.width + right) * 3]
        b = root.data[(y * root.width + left) * 3:(y * root.width + right) * 3]
        for i in range(0, len(a), 3):
            d = max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2]))
            largest = max(largest, d)
            stray += d > CHANNEL_TOLERANCE
    return largest, stray / ((right - left) * (bottom - top))


def count_other(image, color, box=None, skip=None):
    """Pixels inside `box` whose colour is not `color`, leaving out those
    inside `skip` (boxes are left, top, right, bottom; right/bottom exclusive)."""
    x0, y0, x1, y1 = box or (0, 0, image.width, image.height)
    x0, y0, x1, y1 = max(0, x0), max(0, y0), min(image.width, x1), min(image.height, y1)
    want = bytes(color)
    n = 0
    for y in range(y0, y1):
        row = image.data[(y * image.width) * 3:((y + 1) * image.width) * 3]
        for x in range(x0, x1):
            if skip and skip[0] <= x < skip[2] and skip[1] <= y < skip[3]:
                continue
            if row[x * 3:x * 3 + 3] != want:
                n += 1
    return n
