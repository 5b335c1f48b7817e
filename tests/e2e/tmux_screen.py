"""The installed `tavvik` launcher played in a real terminal emulator: a tmux server of its own,
whose pane first shows a known screen, then runs the launcher when told to, and afterwards
keeps the pane open so that what the launcher left behind can be captured."""

import os
import shlex
import shutil
import subprocess
import tempfile
import time

LAUNCHER = os.environ.get("TAVVIK_LAUNCHER", "")
PRELOAD = os.environ.get("TAVVIK_PRELOAD", "")
PANE_STATE = os.environ.get("TAVVIK_PANE_STATE", "")

# The screen shown before the animation: text in a colour, and the cursor left mid-line.
BEFORE = r"printf 'tavvik end-to-end: the screen before\n\033[32mgreen text\033[0m\n$ '"

# What tmux knows of the cursor and of the modes a program can switch.
MODES = ("#{cursor_x},#{cursor_y},#{cursor_flag},#{alternate_on},#{insert_flag},"
         "#{keypad_cursor_flag},#{keypad_flag},#{mouse_any_flag},#{mouse_button_flag},"
         "#{mouse_standard_flag},#{mouse_sgr_flag},#{mouse_all_flag},#{mouse_utf8_flag},"
         "#{origin_flag},#{wrap_flag}")

# Variables of the test's own environment that would decide the terminal for the launcher.
TERMINAL_VARIABLES = ("TERM", "COLORTERM", "COLORTERM_BCE", "TERM_PROGRAM",
                      "TERM_PROGRAM_VERSION", "TERMINFO", "TERMINFO_DIRS")


def wait_for(condition, timeout, interval=0.02):
    """Polls `condition` until it gives something true; None after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value or None
        time.sleep(interval)


class TmuxScreen:
    """One tmux server with one pane of `width` x `height`, running the launcher with `env`
    (None unsets a variable) once `start()` is called. With `timeline`, the launcher runs on
    the preloaded virtual clock and stops at the sleeps listed in `pauses`. A `command` in
    place of the launcher's may name the screen's working folder as {dir}."""

    counter = 0

    def __init__(self, width, height, env=None, timeline=False, pauses=(), command=None):
        TmuxScreen.counter += 1
        self.width, self.height = width, height
        self.dir = tempfile.mkdtemp(prefix="tavvik-e2e-")
        self.socket = "tavvik-e2e-%d-%d" % (os.getpid(), TmuxScreen.counter)
        variables = {name: None for name in TERMINAL_VARIABLES}
        variables.update(env or {})
        if timeline:
            variables.update(LD_PRELOAD=PRELOAD, TAVVIK_TEST_VIRTUAL_CLOCK="1",
                             TAVVIK_TEST_PAUSE_DIR=self.dir,
                             TAVVIK_TEST_PAUSE_AT=",".join(map(str, pauses)))
        settings = ["-u " + shlex.quote(name) for name, value in variables.items() if value is None]
        settings += [shlex.quote("%s=%s" % (name, value))
                     for name, value in variables.items() if value is not None]
        d = shlex.quote(self.dir)
        command = (command or shlex.quote(LAUNCHER) + " run").replace("{dir}", d)
        script = "\n".join([
            BEFORE,
            "stty -g > %s/stty-before" % d,
            "while [ ! -e %s/go ]; do sleep 0.02; done" % d,
            "env %s %s > %s/stdout 2> %s/stderr" % (" ".join(settings), command, d, d),
            "echo $? > %s/rc.tmp" % d,
            "stty -g > %s/stty-after" % d,
            "mv %s/rc.tmp %s/rc" % (d, d),
            "exec sleep 600",
        ])
        with open(os.path.join(self.dir, "pane.sh"), "w") as file:
            file.write(script + "\n")
        self.tmux("new-session", "-d", "-x", str(width), "-y", str(height),
                  "sh " + shlex.quote(os.path.join(self.dir, "pane.sh")))
        size = self.show("#{pane_width}x#{pane_height}")
        if size != "%dx%d" % (width, height):
            raise AssertionError("tmux made a pane of %s, not %dx%d" % (size, width, height))
        if not wait_for(lambda: os.path.exists(os.path.join(self.dir, "stty-before")), 10):
            raise AssertionError("the pane's shell did not start")
        self.before = self.stable_capture()
        self.modes_before = self.show(MODES)
        self.started = None

    def tmux(self, *args):
        # No configuration file and a server of our own: nothing of the user's reaches the test.
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null", *args],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, check=True, timeout=30).stdout.decode()

    def show(self, format):
        return self.tmux("display-message", "-p", format).strip()

    def capture(self):
        return self.tmux("capture-pane", "-p", "-e", "-N")

    def stable_capture(self, settle=0.06, timeout=5):
        """A capture that stayed the same for `settle` seconds: the emulator has caught up
        with everything written so far."""
        previous = self.capture()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            time.sleep(settle)
            current = self.capture()
            if current == previous:
                return current
            previous = current
        return previous

    def start(self):
        self.started = time.monotonic()
        open(os.path.join(self.dir, "go"), "w").close()

    def read(self, name):
        try:
            with open(os.path.join(self.dir, name)) as file:
                return file.read()
        except FileNotFoundError:
            return None

    def finished(self):
        return self.read("rc") is not None

    def wait_finished(self, timeout):
        return wait_for(self.finished, timeout, interval=0.05)

    def wait_pause(self, count, timeout=20):
        """Waits until the launcher stops at sleep `count`; the screen then shows the frame
        drawn just before it."""
        return wait_for(lambda: (self.read("reached") or "").strip() == str(count), timeout)

    def resume(self, count):
        open(os.path.join(self.dir, "resume-%d" % count), "w").close()

    def judge(self, captures):
        """pane_state's verdict on each capture, in order."""
        paths = [os.path.join(self.dir, "capture-%d.txt" % index) for index in range(len(captures))]
        for path, capture in zip(paths, captures):
            with open(path, "w") as file:
                file.write(capture)
        result = subprocess.run([PANE_STATE, str(self.width), str(self.height), *paths],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        verdicts = result.stdout.decode().splitlines()
        if len(verdicts) != len(paths):
            raise AssertionError("pane_state failed: " + result.stderr.decode())
        return [Verdict(line) for line in verdicts]

    def close(self):
        try:
            self.tmux("kill-server")
        except subprocess.SubprocessError:
            pass
        shutil.rmtree(self.dir, ignore_errors=True)


class Verdict:
    """One line of pane_state: `match walk x=4 pose=1 arrived=0` or `nomatch ...`."""

    def __init__(self, line):
        self.line = line
        words = line.split()
        self.matched = words[0] == "match"
        self.kind = words[1] if self.matched else None
        fields = dict(word.split("=", 1) for word in words[2:] if "=" in word)
        self.x = int(fields["x"]) if self.matched else None

    def __repr__(self):
        return self.line


def cells(capture):
    """The capture's rows as lists of (symbol, foreground, background), colours as SGR text:
    enough for the checks that do not need pane_state."""
    rows = []
    for line in capture.split("\n"):
        row, pen, i = [], ("", ""), 0
        while i < len(line):
            if line[i] == "\x1b":
                end = line.index("m", i)
                pen = apply_sgr(pen, line[i + 2:end])
                i = end + 1
            else:
                row.append((line[i], pen[0], pen[1]))
                i += 1
        rows.append(row)
    return rows


def apply_sgr(pen, parameters):
    fg, bg = pen
    items = parameters.split(";") if parameters else ["0"]
    i = 0
    while i < len(items):
        p = int(items[i] or 0)
        if p == 0:
            fg, bg = "", ""
        elif 30 <= p <= 37 or 90 <= p <= 97:
            fg = str(p - 30 if p < 90 else p - 82)
        elif 40 <= p <= 47 or 100 <= p <= 107:
            bg = str(p - 40 if p < 100 else p - 92)
        elif p in (38, 48) and items[i + 1] == "5":
            fg, bg = (items[i + 2], bg) if p == 38 else (fg, items[i + 2])
            i += 2
        elif p == 39:
            fg = ""
        elif p == 49:
            bg = ""
        i += 1
    return fg, bg
