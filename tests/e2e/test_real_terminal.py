"""The installed `tavvik run`, for real, in tmux at 80 x 24 and at 200 x 50: the screen is
captured all through the 17 seconds and judged, and afterwards the terminal must be exactly as
it was before."""

import time
import unittest

from tmux_screen import LAUNCHER, MODES, TmuxScreen, cells

SIZES = ((80, 24), (200, 50))
TITLE = "WheekHigh, RIP TAVVIK"
RED, GREEN = "1", "2"
SPRITE_COLORS = {"130", "172", "210", "15"}  # rump, fur, ears and feet, white coat


def colored_columns(capture, colors):
    """The columns of the cells that show any of `colors`, in either half."""
    return sorted({x for row in cells(capture)[1:-1] for x, (_, fg, bg) in enumerate(row)
                   if fg in colors or bg in colors})


@unittest.skipUnless(LAUNCHER, "needs the installed launcher (TAVVIK_LAUNCHER)")
class RealTerminalTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Both sizes play at once: one 17-second wait instead of two.
        cls.screens = [TmuxScreen(w, h, env={"TERM": "tmux-256color"}) for w, h in SIZES]
        cls.captures = {screen: [] for screen in cls.screens}
        cls.modes_during = {}
        for screen in cls.screens:
            screen.start()
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and not all(s.finished() for s in cls.screens):
            for screen in cls.screens:
                if not screen.finished():
                    cls.captures[screen].append((time.monotonic() - screen.started,
                                                 screen.capture()))
                    if time.monotonic() - screen.started > 5 and screen not in cls.modes_during:
                        modes = screen.show(
                            "#{alternate_on},#{cursor_flag},#{mouse_any_flag},#{mouse_sgr_flag}")
                        # Ctrl-C, as a user would press it: no signal in raw mode, no echo.
                        # Only once the terminal is taken over, or it would stop the start.
                        if modes.startswith("1,"):
                            cls.modes_during[screen] = modes
                            screen.tmux("send-keys", "C-c")
            time.sleep(0.1)
        cls.ended = {s: time.monotonic() - s.started for s in cls.screens}
        cls.afters = {s: s.stable_capture() for s in cls.screens}
        cls.verdicts = {s: s.judge([c for _, c in cls.captures[s]]) for s in cls.screens}

    @classmethod
    def tearDownClass(cls):
        for screen in cls.screens:
            screen.close()

    def playing(self, screen):
        """(seconds since start, capture, verdict) for captures that show a frame."""
        return [(t, c, v) for (t, c), v in zip(self.captures[screen], self.verdicts[screen])
                if v.matched]

    def test_every_screen_shown_is_a_whole_frame(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                # A capture can fall between the emulator's reads of one frame's bytes, or
                # show the untouched screen before the first frame; all else must match.
                odd = [(t, v) for (t, c), v in zip(self.captures[screen], self.verdicts[screen])
                       if not v.matched and c != screen.before]
                self.assertLessEqual(len(odd), 3, odd)
                self.assertGreater(len(self.playing(screen)), 40)

    def test_border_and_title(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                _, capture, _ = self.playing(screen)[-1]
                rows = ["".join(symbol for symbol, _, _ in row) for row in cells(capture)]
                w = screen.width
                self.assertEqual(rows[0], "┌" + TITLE + "─" * (w - 2 - len(TITLE)) + "┐")
                self.assertEqual(rows[screen.height - 1], "└" + "─" * (w - 2) + "┘")
                for row in rows[1:screen.height - 1]:
                    self.assertEqual((row[0], row[-1]), ("│", "│"))

    def test_first_frame_faces_the_viewer_at_the_left_with_the_fruit_in_the_middle(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                first = [(t, c, v) for t, c, v in self.playing(screen) if v.kind == "front"]
                self.assertTrue(first, "no capture of the first frame")
                # Only at the start: 2 seconds after the interpreter has started and drawn it.
                self.assertTrue(all(t < 4.0 for t, _, _ in first), [t for t, _, _ in first])
                capture = first[0][1]
                sprite = colored_columns(capture, SPRITE_COLORS)
                self.assertTrue(sprite and sprite[-1] < 60, sprite)
                fruit = colored_columns(capture, {RED})
                middle = screen.width // 2
                self.assertTrue(fruit and middle - 5 <= fruit[0] and fruit[-1] <= middle + 5,
                                (fruit, middle))

    def test_the_walk_moves_right(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                # With the fruit too: at 200 columns the walk to it lasts under a second, too
                # few captures on a busy machine.
                walk = [(t, v.x) for t, _, v in self.playing(screen)
                        if v.kind in ("walk", "carry")]
                self.assertGreaterEqual(len(walk), 3, walk)
                self.assertTrue(all(t >= 1.9 for t, _ in walk), walk)
                steps = [b - a for (_, a), (_, b) in zip(walk, walk[1:])]
                # Forward all the way, but where the guinea pig starts again from the left
                # (out of sight it is named by the first column at which it is gone).
                self.assertTrue(all(step >= 0 or b <= 30 for step, (_, b) in zip(steps, walk[1:])),
                                walk)
                self.assertGreater(sum(1 for step in steps if step > 0), 2)

    def test_after_the_arrival_the_fruit_is_carried(self):
        wide, narrow = self.screens[1], self.screens[0]
        kinds = [v.kind for _, _, v in self.playing(wide)]
        self.assertIn("carry", kinds)
        self.assertNotIn("walk", kinds[kinds.index("carry"):], "no walking off without it")
        carried = [c for _, c, v in self.playing(wide) if v.kind == "carry" and v.x < 100]
        self.assertTrue(carried)
        for capture in carried:
            red = colored_columns(capture, {RED})
            sprite = colored_columns(capture, SPRITE_COLORS)
            # The fruit sticks out a few columns in front of the snout.
            self.assertTrue(red and sprite[0] <= red[0] and red[-1] <= sprite[-1] + 7,
                            "the fruit is in the guinea pig's mouth, not left in the middle")
        # At 80 columns the arrival point is never reached: the fruit stays put.
        self.assertNotIn("carry", [v.kind for _, _, v in self.playing(narrow)])

    def test_ctrl_c_neither_interrupts_nor_shows(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                after = [v for (t, _), v in zip(self.captures[screen], self.verdicts[screen])
                         if t > 5.5]
                # Frames go on to the end (a capture may fall between a frame's reads).
                self.assertGreater(sum(1 for v in after if v.matched), 20, after)
                self.assertLessEqual(sum(1 for v in after[:-1] if not v.matched), 3, after)
                self.assertGreaterEqual(self.ended[screen], 17.0)

    def test_lasts_17_seconds_and_writes_nothing_else(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                self.assertEqual(screen.read("rc").strip(), "0", screen.read("stderr"))
                self.assertEqual(screen.read("stdout"), "")
                self.assertEqual(screen.read("stderr"), "")
                self.assertGreaterEqual(self.ended[screen], 17.0)
                self.assertLess(self.ended[screen], 25.0)

    def test_modes_are_set_while_playing(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                # alternate screen on, cursor hidden, the mouse left alone
                self.assertEqual(self.modes_during.get(screen), "1,0,0,0")

    def test_the_terminal_is_handed_back_as_it_was(self):
        for screen in self.screens:
            with self.subTest(size=screen.width):
                self.assertEqual(self.afters[screen], screen.before)
                self.assertEqual(screen.show(MODES), screen.modes_before)
                self.assertEqual(screen.read("stty-after"), screen.read("stty-before"))

if __name__ == "__main__":
    unittest.main()
