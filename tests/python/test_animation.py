"""The whole animation through `main()`: a launcher given "run" on a terminal of its own plays
all 17 seconds of the timeline and hands the terminal back as it found it. The preloaded clock
plays the timeline without waiting for it; the installed launcher is played in real time by
the end-to-end suite."""

import os
import sys
import tempfile
import time
import unittest

from support import TerminalChild

LAUNCHER = "import tavvik_pypi\nprint(repr(tavvik_pypi.main()))\n"
PRELOAD = os.environ.get("TAVVIK_PRELOAD", "")


@unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
class WholeAnimationTest(unittest.TestCase):
    def test_main_with_run_plays_and_restores_the_terminal(self):
        # A script file, as the installed `tavvik` launcher is: with -c the program text would
        # stand where the command goes.
        script = tempfile.NamedTemporaryFile("w", suffix=".py", delete=False)
        script.write(LAUNCHER)
        script.close()
        self.addCleanup(os.unlink, script.name)

        started = time.monotonic()
        child = TerminalChild([sys.executable, script.name, "run"],
                              env={"LD_PRELOAD": PRELOAD, "TAVVIK_TEST_VIRTUAL_CLOCK": "1"})
        self.addCleanup(child.kill)
        code, stdout, stderr = child.finish(limit=60)
        elapsed = time.monotonic() - started
        shown = bytes(child.shown)

        self.assertEqual(code, 0, stderr)
        self.assertEqual(stdout, b"None\n", "nothing but the result on standard output")
        self.assertLess(elapsed, 40.0)
        # The first frame, then one for every step until the 17 seconds are up.
        self.assertGreater(shown.count("▀".encode()), 100)
        self.assertTrue(shown.startswith(b"\x1b[?2004h\x1b[?1049h"),
                        shown[:80])
        self.assertIn("WheekHigh, RIP TAVVIK".encode(), shown)
        self.assertIn("▀".encode(), shown, "the guinea pig is drawn")
        self.assertTrue(shown.endswith(b"\x1b[?2004l\x1b[30H\x1b[?1049l"),
                        shown[-80:])
        self.assertEqual(child.attributes_after, child.attributes_before,
                         "the terminal's attributes are handed back")


if __name__ == "__main__":
    unittest.main()
