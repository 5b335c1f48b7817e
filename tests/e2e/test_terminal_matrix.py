"""The installed `tavvik run` under every kind of terminal description a user may have, in
tmux, on the preloaded timeline: stopped at known frames, the screen must show exactly that
frame, every symbol in its colours and nothing else; afterwards the terminal is as before."""

import fcntl
import os
import re
import shutil
import struct
import subprocess
import tempfile
import termios
import unittest

from tmux_screen import LAUNCHER, MODES, PRELOAD, TmuxScreen, cells, wait_for

WIDTH, HEIGHT = 120, 36

# (name, environment); None unsets a variable.
TERMINALS = (
    ("TERM unset", {"TERM": None}),
    ("ansi", {"TERM": "ansi"}),
    ("vt100", {"TERM": "vt100"}),
    ("linux", {"TERM": "linux"}),
    ("screen", {"TERM": "screen"}),
    ("screen-256color", {"TERM": "screen-256color"}),
    ("xterm", {"TERM": "xterm"}),
    ("xterm-256color", {"TERM": "xterm-256color"}),
    ("tmux-256color", {"TERM": "tmux-256color"}),
    # setaf takes RGB values from 8 on: palette colours from 8 up must not go through it.
    ("xterm-direct", {"TERM": "xterm-direct"}),
    ("unknown name", {"TERM": "tavvik-no-such-terminal"}),
    ("COLORTERM=truecolor", {"TERM": "xterm-256color", "COLORTERM": "truecolor"}),
)

# Sleep count -> the frame on the screen then. The first frame is held for twenty sleeps, then
# followed by the step's; every later frame by one, so sleep n (n >= 22) follows the frame drawn
# at x = 2(n - 21). At 120 columns the arrival point is column 15: x = 14 still walks, and from
# x = 16 on the fruit is carried.
EXPECTED = {
    1: "front x=0",
    21: "front x=0",
    22: "walk x=2",
    23: "walk x=4",
    28: "walk x=14",
    29: "carry x=16",
    59: "carry x=76",
    69: "carry x=96",
}


def terminal_size(screen):
    """The size the pane's terminal itself has, as its program sees it."""
    fd = os.open(screen.show("#{pane_tty}"), os.O_RDONLY | os.O_NOCTTY)
    try:
        rows, columns = struct.unpack("HHHH", fcntl.ioctl(fd, termios.TIOCGWINSZ, bytes(8)))[:2]
    finally:
        os.close(fd)
    return columns, rows


def frames(verdicts):
    """Each verdict as `walk x=4`, or the whole line where nothing matched."""
    return [" ".join(v.line.split()[1:3]) if v.matched else v.line for v in verdicts]


@unittest.skipUnless(LAUNCHER and PRELOAD, "needs the installed launcher and the preload")
class TerminalMatrixTest(unittest.TestCase):
    def test_every_terminal_shows_the_frames_and_gets_its_screen_back(self):
        for name, env in TERMINALS:
            with self.subTest(terminal=name):
                screen = TmuxScreen(WIDTH, HEIGHT, env=env, timeline=True, pauses=EXPECTED)
                try:
                    self.check(screen, name)
                finally:
                    screen.close()

    def captures_at(self, screen, counts, at_pause=lambda count: None):
        """Starts the launcher and captures the screen at each of the sleeps `counts`, calling
        `at_pause(count)` before the launcher goes on."""
        screen.start()
        captures = []
        for count in counts:
            self.assertTrue(screen.wait_pause(count), "no pause at sleep %d" % count)
            captures.append(screen.stable_capture(settle=0.03))
            at_pause(count)
            screen.resume(count)
        return captures

    def assert_handed_back(self, screen):
        """The launcher ended well, wrote nothing else, and left the terminal as it was."""
        self.assertTrue(screen.wait_finished(30), "the animation did not end")
        self.assertEqual(screen.read("rc").strip(), "0", screen.read("stderr"))
        self.assertEqual((screen.read("stdout"), screen.read("stderr")), ("", ""))
        self.assertEqual(screen.stable_capture(), screen.before)
        self.assertEqual(screen.show(MODES), screen.modes_before)
        self.assertEqual(screen.read("stty-after"), screen.read("stty-before"))

    def check(self, screen, name):
        modes_during = []
        captures = self.captures_at(screen, EXPECTED, lambda count: modes_during.append(
            screen.show("#{alternate_on},#{cursor_flag},#{mouse_any_flag}")))
        self.assert_handed_back(screen)
        verdicts = screen.judge(captures)
        self.assertEqual(frames(verdicts), list(EXPECTED.values()))
        self.assertEqual(set(modes_during), {"1,0,0"}, "alternate screen, no cursor, no mouse")
        # Bracketed paste is off again: tmux wraps a paste in ESC[200~ ... ESC[201~ only for a
        # program that asked for it, and the terminal's echo would show them as ^[[200~ there.
        screen.tmux("set-buffer", "-b", "check", "pasted")
        screen.tmux("paste-buffer", "-p", "-b", "check")
        echoed = wait_for(lambda: [line for line in screen.tmux("capture-pane", "-p").split("\n")
                                   if "pasted" in line], 5)
        self.assertEqual(echoed, ["$ pasted"])

    @unittest.skipUnless(shutil.which("tic") and shutil.which("infocmp"), "needs ncurses-bin")
    def test_a_description_that_divides_by_zero_plays_like_any_other(self):
        # xterm-256color whose cursor address divides by zero, and whose first eight colours
        # take a remainder by zero: the ANSI forms stand in for both.
        terminfo = tempfile.mkdtemp(prefix="tavvik-terminfo-")
        self.addCleanup(shutil.rmtree, terminfo, True)
        source = subprocess.run(["infocmp", "-x", "xterm-256color"], check=True,
                                stdout=subprocess.PIPE, text=True).stdout
        source = re.sub(r"^xterm-256color\|", "xterm-divzero|", source, flags=re.M)
        source = re.sub(r"cup=[^,]*,", r"cup=\\E[%i%p1%{0}%/%d;%p2%dH,", source)
        source = source.replace("%<%t3%p1%d", "%<%t3%p1%{0}%m%d")
        self.assertIn("%{0}%m", source)
        subprocess.run(["tic", "-x", "-o", terminfo, "-"], input=source, text=True, check=True)
        screen = TmuxScreen(WIDTH, HEIGHT, env={"TERM": "xterm-divzero", "TERMINFO": terminfo},
                            timeline=True, pauses=EXPECTED)
        self.addCleanup(screen.close)
        self.check(screen, "xterm-divzero")

    def test_walking_out_at_the_right_edge_leaves_nothing_behind(self):
        # At 80 columns the guinea pig leaves through the right border around x = 56: every
        # frame there must be exactly the frame, with no stray cell left by the previous one.
        counts = range(47, 59)
        screen = TmuxScreen(80, 24, env={"TERM": "tmux-256color"}, timeline=True, pauses=counts)
        self.addCleanup(screen.close)
        captures = self.captures_at(screen, counts)
        # Past x = 66 the guinea pig is out of sight, and such frames are all named x=66.
        self.assertEqual(frames(screen.judge(captures)),
                         ["walk x=%d" % min(2 * (n - 21), 66) for n in counts])

    def test_a_window_changed_mid_run_is_drawn_anew_within_it(self):
        # Sleep 23 follows the frame at x=4, 24 the one at x=6 in the small window, 25 the one at
        # x=8.
        screen = TmuxScreen(100, 30, env={"TERM": "tmux-256color"}, timeline=True,
                            pauses=(23, 24, 25))
        self.addCleanup(screen.close)
        sizes = {23: (60, 20), 24: (100, 30)}

        def resize(count):
            if count in sizes:
                screen.tmux("resize-window", "-x", str(sizes[count][0]), "-y", str(sizes[count][1]))
                # tmux sets the terminal's size a moment later; the kernel signals the change
                # as it does, so from then on the next frame is bound to see it.
                self.assertTrue(wait_for(lambda: terminal_size(screen) == sizes[count], 5))

        captures = self.captures_at(screen, (23, 24, 25), resize)
        self.assert_handed_back(screen)
        # Before and after, the whole window shows exactly its frame, border and title included;
        # at 100 columns the fruit is reached from x = 5 on.
        self.assertEqual(frames(screen.judge(captures[::2])), ["walk x=4", "carry x=8"])
        whole, small = (cells(capture.rstrip("\n")) for capture in captures[:2])
        self.assertEqual(len(small), 20, "nothing scrolled")
        self.assertTrue(all(len(row) <= 60 for row in small), "nothing wrapped")
        self.assertEqual(small[0], whole[0][:60], "the top row with the title")
        self.assertEqual([row[0] for row in small], [row[0] for row in whole[:20]])


if __name__ == "__main__":
    unittest.main()
