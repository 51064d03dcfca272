"""Running the Windows build under Wine for the tests and the benchmark.

One Wine prefix is shared by a whole test run (booting one costs tens of
seconds); prefix_setup.py creates it and every test reuses it. Each test
stops the prefix's wineserver when done, so the next test's programs connect
to its own X server.

32-bit programs run through Wine's i386 loader. Where the kernel cannot run
i386 code itself it goes through qemu-i386 (binfmt_misc); qemu then needs a
guest address space just above 2 GiB: Wine maps its shared data at
0x7ffe0000, while a larger space makes qemu's memory bookkeeping very slow.
"""
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))
import xtest  # noqa: E402

QEMU_RESERVED_VA = os.environ.get("SCRIBLANE_QEMU_RESERVED_VA", "0x81000000")

# Wine's own 64-bit tools (reg) start much faster through the 64-bit loader
# than through the `wine` script, which goes by the emulated 32-bit one.
WINE64 = next((p for p in ("/usr/lib/wine/wine64", "/usr/lib64/wine/wine64")
               if os.access(p, os.X_OK)), "wine")


def prefix_dir():
    path = os.environ.get("SCRIBLANE_WINEPREFIX")
    if not path:
        raise RuntimeError("SCRIBLANE_WINEPREFIX is not set (the CTest registration sets it)")
    return path


def exe_path(name="SCRIBLANE_WIN32_EXE"):
    path = os.environ.get(name)
    if not path:
        raise RuntimeError(name + " is not set (the CTest registration sets it)")
    if not os.path.isfile(path):
        raise RuntimeError("%s does not exist: build it first with scripts/build-win32.sh" % path)
    return path


def wine_env(base):
    env = dict(base)
    env.update(WINEPREFIX=prefix_dir(), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               QEMU_RESERVED_VA=QEMU_RESERVED_VA)
    return env


def log_file(name):
    # Wine's output goes to a file, never a pipe: a first Wine process whose
    # output was a pipe was seen to leave later drawings invisible.
    path = os.path.join(prefix_dir() + "-logs", name + ".log")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    return open(path, "ab")


def run(env, args, timeout=120, log="wine", loader="wine"):
    """Runs `wine args...` to its end; returns the exit status."""
    with log_file(log) as out:
        return subprocess.run([loader] + list(args), env=env, stdout=out, stderr=out,
                              stdin=subprocess.DEVNULL, timeout=timeout).returncode


def run_output(env, args, timeout=120, loader="wine"):
    """Runs `wine args...`; returns (status, standard output as text)."""
    import tempfile
    with tempfile.TemporaryFile() as out, log_file("wine") as err:
        rc = subprocess.run([loader] + list(args), env=env, stdout=out, stderr=err,
                            stdin=subprocess.DEVNULL, timeout=timeout).returncode
        out.seek(0)
        return rc, out.read().decode("latin-1")


def start(env, args, log="program"):
    out = log_file(log)
    proc = subprocess.Popen(["wine"] + list(args), env=env, stdout=out, stderr=out,
                            stdin=subprocess.DEVNULL)
    out.close()
    return proc


def start_server(env):
    """Keeps the prefix's wineserver (and Wine's services) running between
    programs; by default each program start would boot them again."""
    def persist():
        return subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60).returncode
    if persist() != 0:
        # A server still running (for instance from wineboot) cannot be made
        # persistent from outside: end it and start a new one.
        stop_server(env)
        if persist() != 0:
            raise RuntimeError("cannot start a wineserver for " + prefix_dir())


def stop_server(env):
    """Ends every program of the prefix and its wineserver."""
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


REG_KEY = r"HKCU\Software\Scriblane\settings"


def reg_add(env, name, value):
    rc = run(env, ["reg", "add", REG_KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f"],
             log="reg", loader=WINE64)
    if rc != 0:
        raise RuntimeError("reg add %s failed (%d)" % (name, rc))


def reg_delete_all(env):
    run(env, ["reg", "delete", r"HKCU\Software\Scriblane", "/f"], log="reg", loader=WINE64)


def reg_query(env):
    """The values under the settings key as {name: (type, data)}."""
    rc, text = run_output(env, ["reg", "query", REG_KEY], loader=WINE64)
    values = {}
    if rc != 0:
        return values
    for line in text.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
    return values


def find_windows(xs, name):
    """X window ids whose name is exactly `name`."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                         env=xs.env, capture_output=True, text=True).stdout
    return [int(w) for w in out.split()]


def wait_for_window(xs, name, timeout=90, count=1):
    deadline = time.time() + timeout
    while time.time() < deadline:
        ids = find_windows(xs, name)
        if len(ids) >= count:
            return ids
        time.sleep(0.2)
    raise AssertionError("no window named %r after %d s" % (name, timeout))


def geometry(xs, window):
    """(x, y, width, height) of an X window on the screen."""
    out = subprocess.run(["xwininfo", "-id", str(window)], env=xs.env, capture_output=True,
                         text=True, check=True).stdout
    info = {}
    for line in out.splitlines():
        if ":" in line:
            k, v = line.strip().split(":", 1)
            info[k] = v.strip()
    return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
            int(info["Width"]), int(info["Height"]))


def xdotool(xs, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], env=xs.env, check=True,
                   capture_output=True)


def wait_for_pixels(xs, predicate, timeout=30):
    """Screenshots until predicate(image) holds; returns the last image."""
    deadline = time.time() + timeout
    while True:
        image = xs.screenshot()
        if predicate(image) or time.time() > deadline:
            return image
        time.sleep(0.3)


NO_GLYPHS = ("Wine drew the band but no glyph: its 32-bit X11 driver draws text through XRender,"
             " most likely libxrender1:i386 is missing (scripts/setup.sh installs it)")


def assert_glyphs(test, image, color, band, least=20):
    """Fails with one line naming the likely cause when Wine drew no text."""
    found = image.count(color, band)
    if found == 0:
        test.fail(NO_GLYPHS)
    test.assertGreater(found, least, "too few pixels of the text colour %r" % (color,))


class WineTestCase(unittest.TestCase):
    """A private 1024x768 Xvfb with the shared prefix's wineserver running and
    no Scriblane settings in the registry, before and after the class."""

    @classmethod
    def setUpClass(cls):
        cls.exe = exe_path()
        cls.xs = xtest.XServer(1024, 768).__enter__()
        cls.env = wine_env(cls.xs.env)
        start_server(cls.env)
        reg_delete_all(cls.env)

    @classmethod
    def tearDownClass(cls):
        try:
            reg_delete_all(cls.env)
            stop_server(cls.env)
        finally:
            cls.xs.__exit__(None, None, None)
