"""Helpers shared by the tavvik_pypi suites: child interpreters without a terminal, capturing
what the module writes straight to descriptor 1, and what a process holds."""

import contextlib
import gc
import os
import subprocess
import sys
import tempfile
import textwrap

# Every child is bounded: a hung call must fail the test, never stall the run.
CHILD_TIMEOUT = 60

USAGE_LINE = b"Usage: tavvik run\n"
NO_TERMINAL = "No such device or address (os error 6)"


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
