"""Under Wine: the dialog records as comdlg32 receives them, values going
through the registry, and the window as built from the layout
(scriblane_win32_checks.exe does the work and reports each check)."""
import unittest

import wine_support
from wine_support import xtest


class DialogRecordsAndRegistry(unittest.TestCase):
    def test_checks_program(self):
        exe = wine_support.exe_path("SCRIBLANE_WIN32_CHECKS_EXE")
        with xtest.XServer() as xs:
            env = wine_support.wine_env(xs.env)
            try:
                wine_support.start_server(env)
                rc, out = wine_support.run_output(env, [exe])
            finally:
                wine_support.stop_server(env)
        self.assertIn("0 failure(s)", out, out)
        self.assertEqual(rc, 0, out)
        # Every check ran: the program printed one line for each.
        self.assertGreaterEqual(out.count("\nok   "), 85, out)


if __name__ == "__main__":
    unittest.main()
