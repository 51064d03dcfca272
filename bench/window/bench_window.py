#!/usr/bin/env python3
"""Start-to-window-mapped time of `scriblane` (no argument) against a minimal
Qt 6 program, on one Xvfb with openbox, alternating runs; prints the medians
and their ratio, and the same for the start to the window's first paint:
the first time the window shows more than one flat colour (the server's
fill in a window's background colour is not a paint of its program; the
blank minimal window counts from its first drawing). Not a test: nothing here passes or
fails.

Usage: bench_window.py SCRIBLANE [--minimal PATH] [--runs N] [--label] [--pin]
Without --minimal the yardstick is built from minimal.cpp with CMake.
--label times the same window with one line of text too (Qt's own font
start-up, which any window showing text pays before it can paint).
--pin keeps the X server, the window manager and this script on the first
CPU and starts the programs on the others: each program's own start-up,
without the window manager's framing waiting for a CPU the program holds.
"""
import argparse
import ctypes
import ctypes.util
import hashlib
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "support"))
from xtest import XServer  # noqa: E402

CREATE_NOTIFY = 16
MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
DAMAGE_REPORT_NON_EMPTY = 3
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window may go before the watcher asks about it: such errors are no news.
_ignore_errors = ERROR_HANDLER(lambda display, error: 0)


class XImageHead(ctypes.Structure):
    """The start of Xlib's XImage, up to its pixels' layout."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class MapWatcher:
    """Reports the moment a window of a given title is mapped, from the X
    server's own MapNotify events (no polling of the window list), and the
    moment its program first draws in it, from the DAMAGE extension."""

    def __init__(self, display_name):
        x = ctypes.CDLL(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.argtypes = [ERROR_HANDLER]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(XImageHead)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(XImageHead)]
        x.XSetErrorHandler(_ignore_errors)
        self.x = x
        self.dpy = x.XOpenDisplay(display_name.encode())
        if not self.dpy:
            raise RuntimeError("cannot open " + display_name)
        x.XSelectInput(self.dpy, x.XDefaultRootWindow(self.dpy), SUBSTRUCTURE_NOTIFY_MASK)
        x.XSync(self.dpy, 0)
        self.fd = x.XConnectionNumber(self.dpy)
        damage = ctypes.CDLL(ctypes.util.find_library("Xdamage"))
        damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                 ctypes.POINTER(ctypes.c_int)]
        damage.XDamageCreate.restype = ctypes.c_ulong
        damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not damage.XDamageQueryExtension(self.dpy, ctypes.byref(event_base),
                                            ctypes.byref(error_base)):
            raise RuntimeError("the X server has no DAMAGE extension")
        damage.XDamageSubtract.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                           ctypes.c_ulong]
        self.damage, self.damage_notify = damage, event_base.value

    def _name(self, window):
        name = ctypes.c_char_p()
        if self.x.XFetchName(self.dpy, window, ctypes.byref(name)) and name.value is not None:
            return name.value.decode(errors="replace")
        return None

    def _titled(self, window, title):
        """`window` or one of its children (a frame holds the client) has the title."""
        if self._name(window) == title:
            return True
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        if not self.x.XQueryTree(self.dpy, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(children), ctypes.byref(count)):
            return False
        found = any(self._name(children[i]) == title for i in range(count.value))
        if children:
            self.x.XFree(children)
        return found

    def _flat(self, window):
        """Whether `window` shows one colour only (or cannot be read)."""
        attributes = (ctypes.c_int * 64)()  # XWindowAttributes: x, y, width, height first
        if not self.x.XGetWindowAttributes(self.dpy, window, attributes):
            return True
        width, height = attributes[2], attributes[3]
        image = self.x.XGetImage(self.dpy, window, 0, 0, width, height, 0xFFFFFFFF, 2)
        if not image:
            return True
        head = image.contents
        rows = ctypes.string_at(head.data, head.bytes_per_line * head.height)
        step = head.bits_per_pixel // 8
        used = width * step
        first = rows[:step]
        flat = all(rows[y * head.bytes_per_line:y * head.bytes_per_line + used] == first * width
                   for y in range(head.height))
        self.x.XDestroyImage(image)
        return flat

    def drain(self):
        event = (ctypes.c_long * 24)()
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, event)

    def wait_shown(self, title, timeout, blank=False):
        """(mapped, painted): when a window titled `title` was mapped, and
        when its program first drew in it (a top-level window of a client;
        the window manager's frame around it does not count). Unless the
        window is `blank`, a drawing counts once it shows more than one
        colour: the server's fill in its background colour is no paint."""
        event = (ctypes.c_long * 24)()
        deadline = time.perf_counter() + timeout
        mapped = painted = None
        first_damage = {}  # window -> when its program first drew in it
        while mapped is None or painted is None:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, event)
                now = time.perf_counter()
                # `type` is an int: the upper half of the first long is padding.
                kind = event[0] & 0xFFFFFFFF
                if kind == CREATE_NOTIFY:
                    self.damage.XDamageCreate(self.dpy, event[5], DAMAGE_REPORT_NON_EMPTY)
                elif kind == MAP_NOTIFY and mapped is None and self._titled(event[5], title):
                    mapped = now
                elif kind == self.damage_notify and event[4] not in first_damage:
                    if blank or self._name(event[4]) != title or not self._flat(event[4]):
                        first_damage[event[4]] = now
                    else:
                        # Reported again at its next drawing.
                        self.damage.XDamageSubtract(self.dpy, event[5], 0, 0)
            if mapped is not None and painted is None:
                drawn = [t for w, t in first_damage.items() if self._name(w) == title]
                painted = min(drawn) if drawn else None
            if mapped is not None and painted is not None:
                return mapped, painted
            left = deadline - time.perf_counter()
            if left <= 0:
                raise RuntimeError("no window %r shown within %.0f s" % (title, timeout))
            select.select([self.fd], [], [], min(left, 0.05))


def build_minimal():
    # One build folder per checkout: CMake refuses a folder configured from another source.
    tag = hashlib.sha1(HERE.encode()).hexdigest()[:8]
    out = os.path.join(tempfile.gettempdir(), "scriblane-bench-minimal-" + tag)
    subprocess.run(["cmake", "-S", HERE, "-B", out, "-DCMAKE_BUILD_TYPE=Release"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", out], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(out, "minimal"), os.path.join(out, "minimal_label")


def pin_to(pid, cpus):
    """Every thread of process `pid` onto `cpus`."""
    for task in os.listdir("/proc/%d/task" % pid):
        os.sched_setaffinity(int(task), cpus)


def time_start(server, watcher, program, title, blank=False, cpus=None):
    watcher.drain()
    start = time.perf_counter()
    proc = subprocess.Popen([program], env=server.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL,
                            preexec_fn=(lambda: os.sched_setaffinity(0, cpus)) if cpus else None)
    try:
        mapped, painted = watcher.wait_shown(title, 30, blank)
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return mapped - start, painted - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scriblane")
    parser.add_argument("--minimal")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--label", action="store_true")
    parser.add_argument("--pin", action="store_true")
    args = parser.parse_args()
    cpus = sorted(os.sched_getaffinity(0))
    if args.pin and len(cpus) < 2:
        parser.error("--pin needs two CPUs or more")
    minimal, labelled = (args.minimal, None) if args.minimal else build_minimal()
    programs = {"scriblane": (os.path.abspath(args.scriblane), "Scriblane"),
                "minimal": (minimal, "Minimal")}
    if args.label and labelled:
        programs["minimal-label"] = (labelled, "Minimal")
    # Where `scriblane` hands the window over to a program beside it, that
    # one is timed too: the difference is the cost of the hand-over.
    window = os.path.join(os.path.dirname(programs["scriblane"][0]), "scriblane-window")
    if os.access(window, os.X_OK) and window != programs["scriblane"][0]:
        programs["scriblane-window"] = (window, "Scriblane")

    with XServer() as server:
        server.start_wm()
        rest = None
        if args.pin:
            for pid in (server.proc.pid, server.wm.pid, os.getpid()):
                pin_to(pid, {cpus[0]})
            rest = set(cpus[1:])
        watcher = MapWatcher(server.display)
        # One untimed start each warms the file cache and fontconfig's.
        for name, (path, title) in programs.items():
            time_start(server, watcher, path, title, name == "minimal", rest)
        times = {name: ([], []) for name in programs}
        for _ in range(args.runs):
            for name, (path, title) in programs.items():
                mapped, painted = time_start(server, watcher, path, title, name == "minimal",
                                             rest)
                times[name][0].append(mapped)
                times[name][1].append(painted)

    for column, label in ((0, "mapped"), (1, "first paint")):
        med = {k: statistics.median(v[column]) for k, v in times.items()}
        print("Start to %s:" % label)
        for name, (mapped, painted) in times.items():
            v = (mapped, painted)[column]
            print("  %-16s median %6.1f ms  min %6.1f  max %6.1f  (%d runs)"
                  % (name, med[name] * 1000, min(v) * 1000, max(v) * 1000, len(v)))
        for name in times:
            if name.startswith("scriblane"):
                print("  ratio %s/minimal: %.2f%s" % (name, med[name] / med["minimal"],
                                                     " (target <= 1.15)" if column == 0 else ""))
        if "minimal-label" in times:
            print("  ratio minimal-label/minimal: %.2f" % (med["minimal-label"] / med["minimal"]))
            for name in times:
                if name.startswith("scriblane"):
                    print("  ratio %s/minimal-label: %.2f"
                          % (name, med[name] / med["minimal-label"]))

if __name__ == "__main__":
    main()
