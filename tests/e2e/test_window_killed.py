"""The terminal window killed in the middle of the animation, under tmux: the launcher ends at
once with the hangup, and a host that ignores hangups gets the write error back within a
second, with nothing left open."""

import json
import os
import shlex
import time
import unittest

from tmux_screen import LAUNCHER, TmuxScreen, wait_for

# A host that lives on after a hangup (as under nohup), reporting how the call ended.
HOST = """\
import json, os, signal, sys, time, tavvik_pypi
signal.signal(signal.SIGHUP, signal.SIG_IGN)
before = len(os.listdir("/proc/self/fd"))
try:
    tavvik_pypi.main()
    result = "None"
except BaseException as error:
    result = "%s: %s" % (type(error).__name__, error)
facts = dict(result=result, at=time.monotonic(), before=before,
             after=len(os.listdir("/proc/self/fd")))
with open(sys.argv[2], "w") as file:
    json.dump(facts, file)
"""


def running(pid):
    """Whether the process still runs; a zombie waiting to be reaped has ended."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


@unittest.skipUnless(LAUNCHER, "needs the installed launcher (TAVVIK_LAUNCHER)")
class WindowKilledTest(unittest.TestCase):
    def play_and_kill(self, command, prepare=lambda folder: None):
        """Starts `command` (which writes its pid to {dir}/pid) in a tmux window, kills the
        window while the animation walks, and returns the screen, the pid and the time."""
        screen = TmuxScreen(100, 30, env={"TERM": "tmux-256color"}, command=command)
        self.addCleanup(screen.close)
        prepare(screen.dir)
        screen.start()
        pid = wait_for(lambda: (screen.read("pid") or "").strip(), 10)
        self.assertTrue(pid)
        time.sleep(3.0)  # past the first frame's pause: walking
        self.assertTrue(os.path.exists("/proc/" + pid), "ended before the window was killed")
        killed = time.monotonic()
        screen.tmux("kill-window")
        return screen, int(pid), killed

    def test_the_launcher_ends_with_the_hangup(self):
        _, pid, killed = self.play_and_kill(
            "sh -c 'echo $$ > {dir}/pid; exec %s run'" % shlex.quote(LAUNCHER))
        gone = wait_for(lambda: not running(pid), 5)
        self.assertTrue(gone, "the launcher outlived its terminal")
        self.assertLess(time.monotonic() - killed, 1.0)

    def test_a_host_ignoring_the_hangup_gets_the_write_error(self):
        def write_host(folder):
            with open(os.path.join(folder, "host.py"), "w") as file:
                file.write(HOST)

        # The interpreter of the launcher's venv, whichever it is.
        interpreter = shlex.quote(os.path.join(os.path.dirname(LAUNCHER), "python"))
        screen, _, killed = self.play_and_kill(
            "sh -c 'echo $$ > {dir}/pid; exec %s {dir}/host.py run {dir}/facts.json'"
            % interpreter, prepare=write_host)
        facts = wait_for(lambda: screen.read("facts.json"), 5)
        self.assertTrue(facts, "no report from the host")
        facts = json.loads(facts)
        # The frame's write fails, or the wait for a frame already on its way.
        self.assertIn(facts["result"], ("RuntimeError: Input/output error (os error 5)",
                                        "RuntimeError: tcdrain failed"))
        self.assertLess(facts["at"] - killed, 1.0)
        self.assertEqual(facts["after"], facts["before"], "descriptors left open")


if __name__ == "__main__":
    unittest.main()
