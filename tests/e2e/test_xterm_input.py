"""The installed `tavvik run` in a real xterm under Xvfb, on the preloaded timeline: the mouse
moved over the window and Ctrl-C, letters and Ctrl-A typed while the guinea pig walks reach the
next reader of the terminal exactly as typed, with no mouse reports or key encodings besides."""

import fcntl
import os
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import unittest

from tmux_screen import LAUNCHER, PRELOAD, wait_for

PAUSE = 23  # a sleep while the guinea pig walks, after the twenty that hold the first frame
TYPED = bytes([0x03]) + b"ls" + bytes([0x01])
KEYS = ("ctrl+c", "l", "s", "ctrl+a")
X_PROGRAMS = ("Xvfb", "xterm", "xdotool")

# Run by the xterm's shell after the launcher: everything waiting in the input queue, taken
# without waiting for a line, as hex.
READER = """\
import os, sys, termios
attributes = termios.tcgetattr(0)
attributes[3] &= ~termios.ICANON
attributes[6][termios.VMIN], attributes[6][termios.VTIME] = 0, 0
termios.tcsetattr(0, termios.TCSANOW, attributes)
queued = b""
while True:
    chunk = os.read(0, 4096)
    if not chunk:
        break
    queued += chunk
with open(sys.argv[1] + ".tmp", "w") as file:
    file.write(queued.hex(" "))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
"""


def queued_bytes(tty):
    """How many bytes wait in the input queue of the terminal at path `tty`."""
    fd = os.open(tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]
    finally:
        os.close(fd)


def stop(process):
    """Ends `process` and its process group, and reaps it. Asked first: Xvfb then removes its
    socket and lock file."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sig)
            process.wait(timeout=10)
            return
        except ProcessLookupError:
            return
        except subprocess.TimeoutExpired:
            continue


@unittest.skipUnless(LAUNCHER and PRELOAD, "needs the installed launcher and the preload")
class XtermInputTest(unittest.TestCase):
    def start(self, command, log, pass_fds=()):
        """`command` in a session of its own, killed and reaped at cleanup."""
        with open(os.path.join(self.dir, log), "w") as output:
            process = subprocess.Popen(command, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=output, stderr=subprocess.STDOUT,
                                       start_new_session=True, pass_fds=pass_fds)
        self.addCleanup(stop, process)

    def read(self, name):
        try:
            with open(os.path.join(self.dir, name)) as file:
                return file.read().strip()
        except FileNotFoundError:
            return None

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=30).returncode == 0

    def setUp(self):
        missing = [name for name in X_PROGRAMS if not shutil.which(name)]
        self.assertEqual(missing, [], "scripts/bootstrap.sh installs xvfb, xterm and xdotool")
        self.dir = tempfile.mkdtemp(prefix="tavvik-xterm-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.env = dict(os.environ)
        self.env["DISPLAY"] = self.start_display()
        self.start_xterm()

    def start_display(self):
        """An Xvfb of its own on a free display, which it names once it accepts clients."""
        ready, written = os.pipe()
        self.start(["Xvfb", "-displayfd", str(written), "-nolisten", "tcp",
                    "-screen", "0", "1024x768x24"], "xvfb.log", pass_fds=(written,))
        os.close(written)
        with os.fdopen(ready) as pipe:
            display = pipe.readline().strip()
        self.assertTrue(display, self.read("xvfb.log"))
        return ":" + display

    def start_xterm(self):
        """An xterm whose shell plays the launcher on the timeline, stopping at sleep PAUSE,
        then hands the terminal to the reader."""
        d = shlex.quote(self.dir)
        with open(os.path.join(self.dir, "reader.py"), "w") as file:
            file.write(READER)
        with open(os.path.join(self.dir, "shell.sh"), "w") as file:
            file.write("\n".join([
                "echo $WINDOWID > %s/window" % d,
                "tty > %s/tty" % d,
                "env LD_PRELOAD=%s TAVVIK_TEST_VIRTUAL_CLOCK=1 TAVVIK_TEST_PAUSE_DIR=%s "
                "TAVVIK_TEST_PAUSE_AT=%d %s run > %s/stdout 2>&1"
                % (shlex.quote(PRELOAD), d, PAUSE, shlex.quote(LAUNCHER), d),
                "echo $? > %s/rc" % d,
                "%s %s/reader.py %s/queue" % (shlex.quote(sys.executable), d, d),
                "exec sleep 600",
            ]) + "\n")
        self.start(["xterm", "-geometry", "100x30", "-e", "sh", "%s/shell.sh" % self.dir],
                   "xterm.log")

    def test_keys_typed_during_the_animation_reach_the_next_reader_as_typed(self):
        self.assertTrue(wait_for(lambda: self.read("reached") == str(PAUSE), 30),
                        "the animation did not reach sleep %d: %s"
                        % (PAUSE, self.read("stdout") or self.read("xterm.log")))
        window = self.read("window")
        # Typed without --window: xterm ignores events sent to it, but takes XTEST input.
        self.assertTrue(wait_for(lambda: self.xdotool("windowfocus", "--sync", window), 10))
        moves = []
        for x, y in ((20, 20), (120, 60), (240, 120), (360, 200), (480, 280), (600, 360)):
            moves += ["mousemove", "--window", window, str(x), str(y)]
        self.assertTrue(self.xdotool(*moves, "key", *KEYS))
        # Still paused until xterm has queued the keys: a key it handled after the release
        # would come plain whatever modes the launcher had asked for. The mouse moves were
        # handled before the keys.
        tty = self.read("tty")
        self.assertTrue(wait_for(lambda: queued_bytes(tty) >= len(TYPED), 10),
                        "xterm sent nothing for the keys")

        with open(os.path.join(self.dir, "resume-%d" % PAUSE), "w"):
            pass
        self.assertTrue(wait_for(lambda: self.read("queue") is not None, 30),
                        "the animation did not end")
        self.assertEqual((self.read("rc"), self.read("stdout")), ("0", ""))
        queue = bytes.fromhex(self.read("queue"))
        self.assertEqual(queue, TYPED, "the next reader got %r" % queue)


if __name__ == "__main__":
    unittest.main()
