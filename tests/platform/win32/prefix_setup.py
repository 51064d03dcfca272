"""Creates the Wine prefix the Windows-build tests share (one boot per run)."""
import os
import shutil
import subprocess
import sys
import time
import unittest

import wine_support
from wine_support import xtest


class PrefixSetup(unittest.TestCase):
    def test_boot_prefix(self):
        prefix = wine_support.prefix_dir()
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.rmtree(prefix + "-logs", ignore_errors=True)
        os.makedirs(os.path.dirname(prefix), exist_ok=True)
        with xtest.XServer() as xs:
            env = wine_support.wine_env(xs.env)
            started = time.time()
            with wine_support.log_file("wineboot") as out:
                rc = subprocess.run(["wineboot", "-i"], env=env, stdout=out, stderr=out,
                                    stdin=subprocess.DEVNULL, timeout=400).returncode
            wine_support.stop_server(env)
            print("wineboot took %.1f s" % (time.time() - started), file=sys.stderr)
        self.assertEqual(rc, 0, "wineboot failed; see %s-logs/wineboot.log" % prefix)
        self.assertTrue(os.path.isfile(os.path.join(prefix, "user.reg")))
        # The 32-bit loader must work, or every later test fails for that reason.
        self.assertTrue(os.path.isdir(os.path.join(prefix, "drive_c", "windows", "syswow64")))


if __name__ == "__main__":
    unittest.main()
