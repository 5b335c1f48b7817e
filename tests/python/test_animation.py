"""The whole animation through `main()`: a launcher given "run" on a terminal of its own plays
all 17 seconds of the timeline and hands the terminal back as it found it. The preloaded clock
plays the timeline without waiting for it; the installed launcher is played in real time by
the end-to-end suite."""

import os
import sys
import tempfile
import time
import unittest

from support import PRELOAD, VIRTUAL_CLOCK, TerminalChild, assert_played_whole

LAUNCHER = "import tavvik_pypi\nprint(repr(tavvik_pypi.main()))\n"


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
        child = TerminalChild([sys.executable, script.name, "run"], env=VIRTUAL_CLOCK)
        self.addCleanup(child.kill)
        # Nothing but the result on standard output.
        shown = assert_played_whole(self, child, stdout=b"None\n")
        self.assertLess(time.monotonic() - started, 40.0)
        self.assertTrue(shown.startswith(b"\x1b[?2004h\x1b[?1049h"), shown[:80])


if __name__ == "__main__":
    unittest.main()
