"""Helpers shared by the tavvik_pypi suites: child interpreters without a terminal, capturing
what the module writes straight to descriptor 1, and what a process holds."""

import contextlib
import fcntl
import gc
import os
import select
import struct
import subprocess
import sys
import tempfile
import termios
import textwrap
import time

# Every child is bounded: a hung call must fail the test, never stall the run.
CHILD_TIMEOUT = 60

USAGE_LINE = b"Usage: tavvik run\n"
NO_TERMINAL = "No such device or address (os error 6)"

PRELOAD = os.environ.get("TAVVIK_PRELOAD", "")
# A child's environment for the preloaded clock, which moves only when the animation sleeps.
VIRTUAL_CLOCK = {"LD_PRELOAD": PRELOAD, "TAVVIK_TEST_VIRTUAL_CLOCK": "1"}
# The hand-back's last bytes on a TerminalChild: bracketed paste off, the cursor to the last
# row, the alternate screen left.
HANDED_BACK = b"\x1b[?2004l\x1b[30H\x1b[?1049l"


def run_child(code, *args, stdout=subprocess.PIPE, env=None):
    """Runs `code` in a new interpreter in a session of its own, so it has no controlling
    terminal and "/dev/tty" cannot be opened, with no standard input."""
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code), *args],
        stdin=subprocess.DEVNULL,
        stdout=stdout,
        stderr=subprocess.PIPE,
        start_new_session=True,
        timeout=CHILD_TIMEOUT,
        env=env,
    )


def run_launcher(*args):
    """Starts a launcher script that calls `tavvik_pypi.main()` with the given arguments (str or
    bytes), reporting the outcome's type and text on its last line of standard error."""
    script = textwrap.dedent(
        """\
        import sys, tavvik_pypi
        try:
            result = tavvik_pypi.main()
        except BaseException as error:
            sys.stderr.write("outcome: %s: %s\\n" % (type(error).__name__, error))
        else:
            sys.stderr.write("outcome: %r\\n" % (result,))
        """
    )
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "launcher.py")
        with open(path, "w") as file:
            file.write(script)
        return subprocess.run(
            [os.fsencode(sys.executable), os.fsencode(path), *map(os.fsencode, args)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            start_new_session=True,
            timeout=CHILD_TIMEOUT,
        )


def outcome(completed):
    """The outcome line a child wrote last on standard error."""
    lines = [line for line in completed.stderr.decode(errors="replace").splitlines()
             if line.startswith("outcome: ")]
    return lines[-1][len("outcome: "):] if lines else None


def descriptor_1(target=None):
    """Points descriptor 1 at `target` for the block: see `redirected`."""
    return redirected(1, target)


@contextlib.contextmanager
def redirected(descriptor, target=None):
    """Points `descriptor` at `target` (a path; a temporary file when None) for the block and
    yields a function returning what was written there, usable after the block too."""
    sys.stdout.flush()
    sys.stderr.flush()
    saved = os.dup(descriptor)
    kept = []
    with tempfile.TemporaryFile() as capture:
        fd = capture.fileno() if target is None else os.open(target, os.O_WRONLY)
        os.dup2(fd, descriptor)
        if target is not None:
            os.close(fd)

        def written():
            if kept:
                return kept[0]
            capture.seek(0)
            return capture.read()

        try:
            yield written
        finally:
            os.dup2(saved, descriptor)
            os.close(saved)
            kept.append(written())


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


def collect():
    for _ in range(3):
        gc.collect()


def assert_played_whole(test, child, stdout=b""):
    """Lets `child` finish and checks that it played the whole timeline and handed the terminal
    back as it found it, ending well with `stdout` and no standard error; returns what it
    showed."""
    code, out, err = child.finish(limit=60)
    shown = bytes(child.shown)
    test.assertEqual((code, out, err), (0, stdout, b""))
    test.assertIn("WheekHigh, RIP TAVVIK".encode(), shown)
    # The first frame, then one for every step until the 17 seconds are up.
    test.assertGreater(shown.count("▀".encode()), 100)
    test.assertTrue(shown.endswith(HANDED_BACK), shown[-80:])
    test.assertEqual(child.attributes_after, child.attributes_before)
    return shown


class TerminalChild:
    """A child process in a session of its own whose controlling terminal is a fresh
    pseudo-terminal of `width` x `height`. The parent holds the other end and reads all the
    child writes there into `shown`, so that the child never blocks on a full terminal."""

    def __init__(self, argv, env=None, width=100, height=30, pass_fds=(), cwd=None):
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", height, width, 0, 0))
        # Held until the end: with no terminal side open anywhere, reading this side fails.
        self.slave = slave
        self.attributes_before = termios.tcgetattr(slave)
        self.attributes_after = None

        def own_terminal():
            os.setsid()
            fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

        self.child = subprocess.Popen(
            argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            preexec_fn=own_terminal, pass_fds=pass_fds, cwd=cwd,
            env=dict(os.environ, TERM="xterm-256color", **(env or {})))
        self.shown = bytearray()

    def read(self, seconds):
        """Reads what the child shows for `seconds`, or until the terminal has no writer."""
        deadline = time.monotonic() + seconds
        while self.master is not None and time.monotonic() < deadline:
            readable, _, _ = select.select([self.master], [], [], 0.05)
            if readable:
                try:
                    chunk = os.read(self.master, 65536)
                except OSError:  # EIO: nothing holds the terminal side any more
                    return
                if not chunk:
                    return
                self.shown += chunk
            elif self.child.poll() is not None:
                return

    def hang_up(self):
        """Closes the terminal's other end, as a terminal window that goes away does."""
        os.close(self.master)
        self.master = None
        return time.monotonic()

    def finish(self, limit=120):
        """Reads until the child ends (at most `limit` seconds), then returns its exit code,
        standard output and standard error; `attributes_after` is the terminal's by then,
        unless it was hung up."""
        self.read(limit)
        stdout, stderr = self.child.communicate(timeout=30)
        if self.master is not None:  # a hung-up terminal has no attributes left to read
            self.attributes_after = termios.tcgetattr(self.slave)
        self.close()
        return self.child.returncode, stdout, stderr

    def kill(self):
        """Ends the child if it still runs and lets go of the terminal; for cleanups."""
        if self.child.poll() is None:
            self.child.kill()
            self.child.wait()
        self.close()

    def close(self):
        for fd in (self.master, self.slave):
            if fd is not None:
                os.close(fd)
        self.master = self.slave = None
