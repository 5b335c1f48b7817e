"""The whole animation through `main()`: a launcher given "run" on a terminal of its own plays
all 17 seconds of the timeline and hands the terminal back as it found it. The preloaded clock
plays the timeline without waiting for it; the installed launcher is played in real time by
the end-to-end suite."""

import fcntl
import os
import select
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

LAUNCHER = "import tavvik_pypi\nprint(repr(tavvik_pypi.main()))\n"


def read_until_exit(master, child, limit):
    """Everything the child writes to the terminal, read as it comes so that it never blocks."""
    received = bytearray()
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        readable, _, _ = select.select([master], [], [], 0.1)
        if readable:
            try:
                chunk = os.read(master, 65536)
            except OSError:  # EIO: the last holder of the terminal side is gone
                break
            if not chunk:
                break
            received += chunk
        elif child.poll() is not None:
            break
    return bytes(received)


PRELOAD = os.environ.get("TAVVIK_PRELOAD", "")


@unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
class WholeAnimationTest(unittest.TestCase):
    def test_main_with_run_plays_and_restores_the_terminal(self):
        master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 30, 100, 0, 0))
        before = termios.tcgetattr(slave)

        def own_terminal():
            os.setsid()
            fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

        # A script file, as the installed `tavvik` launcher is: with -c the program text would
        # stand where the command goes.
        script = tempfile.NamedTemporaryFile("w", suffix=".py", delete=False)
        script.write(LAUNCHER)
        script.close()
        self.addCleanup(os.unlink, script.name)

        started = time.monotonic()
        child = subprocess.Popen(
            [sys.executable, script.name, "run"], stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=own_terminal,
            env=dict(os.environ, TERM="xterm-256color", LD_PRELOAD=PRELOAD,
                     TAVVIK_TEST_VIRTUAL_CLOCK="1"))
        try:
            shown = read_until_exit(master, child, limit=60)
            stdout, stderr = child.communicate(timeout=30)
            elapsed = time.monotonic() - started
            after = termios.tcgetattr(slave)
        finally:
            if child.poll() is None:
                child.kill()
                child.wait()
            os.close(master)
            os.close(slave)

        self.assertEqual(child.returncode, 0, stderr)
        self.assertEqual(stdout, b"None\n", "nothing but the result on standard output")
        self.assertLess(elapsed, 40.0)
        # The first frame, then one for every step until the 17 seconds are up.
        self.assertGreater(shown.count("▀".encode()), 100)
        self.assertTrue(shown.startswith(b"\x1b[?2004h\x1b[?1003h\x1b[?1006h\x1b[>4;2m\x1b[?1049h"),
                        shown[:80])
        self.assertIn("WheekHigh, RIP TAVVIK".encode(), shown)
        self.assertIn("▀".encode(), shown, "the guinea pig is drawn")
        self.assertTrue(shown.endswith(b"\x1b[?2004l\x1b[?1006l\x1b[?1003l\x1b[>4;0m\x1b[?1049l"),
                        shown[-80:])
        self.assertEqual(after, before, "the terminal's attributes are handed back")


if __name__ == "__main__":
    unittest.main()
