"""The installed `tavvik` command speaks as a command does: a failure is one line on standard
error and status 1, an interrupt a death by SIGINT, never a traceback."""

import os
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))
from support import CHILD_TIMEOUT, HANDED_BACK, PRELOAD, VIRTUAL_CLOCK, TerminalChild  # noqa: E402

LAUNCHER = os.environ.get("TAVVIK_LAUNCHER", "")


@unittest.skipUnless(LAUNCHER, "needs the installed launcher (TAVVIK_LAUNCHER)")
class LauncherTest(unittest.TestCase):
    def play(self, **size):
        child = TerminalChild([LAUNCHER, "run"], **size)
        self.addCleanup(child.kill)
        return child

    def test_without_a_terminal_a_failure_is_one_line(self):
        completed = subprocess.run([LAUNCHER, "run"], stdin=subprocess.DEVNULL,
                                   capture_output=True, start_new_session=True,
                                   timeout=CHILD_TIMEOUT)
        self.assertEqual((completed.returncode, completed.stdout, completed.stderr),
                         (1, b"", b"tavvik: No such device or address (os error 6)\n"))

    def test_a_window_too_large_to_hold_is_refused_before_anything_is_drawn(self):
        child = self.play(width=65535, height=65534)
        code, stdout, stderr = child.finish()
        self.assertEqual((code, stdout, stderr), (1, b"", b"tavvik: terminal too large to draw: "
                                                  b"65535 x 65534 cells (the most is 4194304)\n"))
        self.assertNotIn(b"\x1b[?1049h", child.shown)
        self.assertEqual(child.attributes_after, child.attributes_before)

    @unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
    def test_an_interrupt_ends_it_by_sigint_with_the_terminal_back(self):
        with tempfile.TemporaryDirectory() as pauses:
            child = TerminalChild([LAUNCHER, "run"], env=dict(
                VIRTUAL_CLOCK, TAVVIK_TEST_PAUSE_DIR=pauses, TAVVIK_TEST_PAUSE_AT="2"))
            self.addCleanup(child.kill)
            while not os.path.exists(os.path.join(pauses, "reached")):
                self.assertIsNone(child.child.poll(), "ended before the pause")
                child.read(0.05)
            os.kill(child.child.pid, signal.SIGINT)
            open(os.path.join(pauses, "resume-2"), "w").close()
            code, stdout, stderr = child.finish()
        self.assertEqual((code, stdout, stderr), (-signal.SIGINT, b"", b""))
        self.assertTrue(bytes(child.shown).endswith(HANDED_BACK))
        self.assertEqual(child.attributes_after, child.attributes_before)


if __name__ == "__main__":
    unittest.main()
