"""Faults survived on a terminal of the child's own: the terminal going away in the middle,
an internal fault in the middle of a frame, and a hundred animations in one process. Whatever
happens, the call comes back promptly and leaves nothing behind."""

import json
import os
import shutil
import signal
import sys
import tempfile
import textwrap
import time
import unittest

from support import HANDED_BACK, PRELOAD, VIRTUAL_CLOCK, TerminalChild
HERE = os.path.dirname(os.path.abspath(__file__))  # the child imports support from here

# Run in the child: the code under test calls report(**facts) to send its findings back.
PRELUDE = textwrap.dedent(
    """\
    import json, os, sys, time, termios, tavvik_pypi
    from support import collect, open_descriptors as descriptors, resident_bytes

    def report(**facts):
        os.write(int(os.environ["REPORT_FD"]), (json.dumps(facts) + "\\n").encode())

    def outcome(call):
        try:
            return repr(call())
        except BaseException as error:
            return "%s: %s" % (type(error).__name__, error)
    """
)


class FaultChild(TerminalChild):
    """A child interpreter on a terminal of its own running PRELUDE and `code`, which reports
    its facts on `reports`."""

    def __init__(self, code, env=None, **size):
        report_read, report_write = os.pipe()
        super().__init__([sys.executable, "-c", PRELUDE + textwrap.dedent(code)],
                         env=dict(env or {}, REPORT_FD=str(report_write)),
                         pass_fds=(report_write,), cwd=HERE, **size)
        os.close(report_write)
        self.reports = os.fdopen(report_read, "rb")


class FaultTest(unittest.TestCase):
    def start(self, code, **kwargs):
        child = FaultChild(code, **kwargs)
        self.addCleanup(child.kill)
        return child

    def finish(self, child, limit=120):
        """The one fact the child reported once it ended well, and what it wrote."""
        code, stdout, stderr = child.finish(limit)
        stderr = stderr.decode(errors="replace")
        self.assertEqual(code, 0, stderr)
        [fact] = [json.loads(line) for line in child.reports.read().splitlines()]
        child.reports.close()
        return fact, stdout, stderr

    def test_terminal_going_away_in_the_middle_is_a_prompt_runtime_error(self):
        # A host that ignores hangups (nohup) lives on, so the lost terminal reaches the call.
        child = self.start(
            """\
            import signal
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
            before = descriptors()
            result = outcome(lambda: tavvik_pypi.run(["tavvik", "run"]))
            report(result=result, at=time.monotonic(), before=before, after=descriptors())
            """)
        child.read(3.0)  # past the first frame's 2-second pause: walking
        closed = child.hang_up()
        fact, stdout, stderr = self.finish(child)
        # The frame's write fails, or, when the terminal went while a frame was on its way,
        # the wait for its transmission.
        self.assertIn(fact["result"], ("RuntimeError: Input/output error (os error 5)",
                                       "RuntimeError: tcdrain failed"))
        self.assertLess(fact["at"] - closed, 1.0, "the failure must come back within a second")
        self.assertEqual(fact["after"], fact["before"], "descriptors left open")
        self.assertEqual((stdout, stderr), (b"", ""))
        self.assertIn(b"\x1b[?1049h", child.shown)

    def test_terminal_going_away_ends_a_process_that_keeps_the_default_hangup(self):
        child = self.start("tavvik_pypi.run(['tavvik', 'run'])")
        child.read(3.0)
        closed = child.hang_up()
        child.child.wait(timeout=10)
        self.assertLess(time.monotonic() - closed, 1.0)
        self.assertEqual(child.child.returncode, -signal.SIGHUP)

    @unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
    def test_internal_fault_in_a_frame_restores_the_terminal_before_python_sees_it(self):
        # The preload throws a C++ exception out of the wait for the second frame's
        # transmission (the first wait is for the mode sequences).
        child = self.start(
            """\
            tty = os.open("/dev/tty", os.O_RDWR)
            before = termios.tcgetattr(tty)
            try:
                tavvik_pypi.run(["tavvik", "run"])
                result, restored = "None", None
            except BaseException as error:
                # Looked at before anything else runs: the terminal must be back already.
                restored = termios.tcgetattr(tty) == before
                result = "%s: %s" % (type(error).__name__, error)
                result += " (BaseException only)" if not isinstance(error, Exception) else ""
            report(result=result, restored=restored)
            """,
            env=dict(VIRTUAL_CLOCK, TAVVIK_TEST_THROW_AT_TCDRAIN="3"))
        fact, stdout, stderr = self.finish(child)
        self.assertEqual(fact["result"],
                         "PanicException: injected fault while sending (BaseException only)")
        self.assertTrue(fact["restored"])
        self.assertIn("internal fault: injected fault while sending", stderr)
        self.assertTrue(bytes(child.shown).endswith(HANDED_BACK), child.shown[-80:])

    @unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
    def test_a_python_signal_handler_that_raises_ends_the_animation_at_once(self):
        # The clock moves only when the animation sleeps, so equal readings in the handler and
        # after the call mean that no frame came between them.
        pauses = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, pauses)
        child = self.start(
            """\
            import signal
            start = time.monotonic()
            handled = []
            def stop(number, frame):
                handled.append(time.monotonic() - start)
                raise SystemExit(3)
            signal.signal(signal.SIGTERM, stop)
            tty = os.open("/dev/tty", os.O_RDWR)
            before = termios.tcgetattr(tty)
            result = outcome(lambda: tavvik_pypi.run(["tavvik", "run"]))
            report(result=result, handled=handled, ended=time.monotonic() - start,
                   restored=termios.tcgetattr(tty) == before)
            """,
            env=dict(VIRTUAL_CLOCK, TAVVIK_TEST_PAUSE_DIR=pauses, TAVVIK_TEST_PAUSE_AT="3"))
        reached = os.path.join(pauses, "reached")
        while not os.path.exists(reached) and child.child.poll() is None:
            child.read(0.05)
        os.kill(child.child.pid, signal.SIGTERM)
        open(os.path.join(pauses, "resume-3"), "w").close()
        fact, stdout, stderr = self.finish(child)
        self.assertEqual(fact["result"], "SystemExit: 3")
        self.assertEqual(len(fact["handled"]), 1)
        self.assertLess(fact["handled"][0], 3.0, "handled at the pause, not at the end")
        self.assertEqual(fact["handled"][0], fact["ended"], "a frame came after the handler")
        self.assertTrue(fact["restored"])
        self.assertTrue(bytes(child.shown).endswith(HANDED_BACK))

    @unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
    def test_a_hundred_animations_and_eighty_thousand_usage_lines_leave_nothing_behind(self):
        child = self.start(
            """\
            import weakref

            class Arguments(list):
                pass

            def state():
                collect()
                return descriptors(), resident_bytes()

            passed = []
            calls = [0]
            def call(words):
                args = Arguments(words)
                calls[0] += 1
                # Every animation's arguments, and a sample of the usage lines': a list of
                # them all would grow itself.
                if words[1:] == ["run"] or calls[0] % 100 == 1:
                    passed.append(weakref.ref(args))
                return tavvik_pypi.run(args)

            results = set()
            for round in range(100):
                results.add(outcome(lambda: call(["tavvik", "run"])))
                if round == 9:
                    after_ten = state()
            after_hundred = state()

            null = os.open("/dev/null", os.O_WRONLY)
            saved = os.dup(1)
            os.dup2(null, 1)
            # The interpreter's own bridge to C and its heap grow in steps over the first tens
            # of thousands of calls, then stay put; a leak grows in most windows instead.
            windows = []
            for window in range(8):
                for _ in range(10000):
                    results.add(outcome(lambda: call(["tavvik"])))
                windows.append(state()[1])
            os.dup2(saved, 1)
            os.close(saved)
            os.close(null)
            after_usage = state()

            report(results=sorted(results), after_ten=after_ten, after_hundred=after_hundred,
                   windows=windows, after_usage=after_usage, tracked=len(passed), alive=sum(1 for ref in passed if ref() is not None))
            """,
            env=VIRTUAL_CLOCK, width=80, height=24)
        fact, stdout, stderr = self.finish(child, limit=240)
        self.assertEqual(fact["results"], ["None"])
        self.assertEqual(fact["alive"], 0, "arguments still referenced")
        self.assertEqual(fact["tracked"], 100 + 800)
        ten, hundred, usage = fact["after_ten"], fact["after_hundred"], fact["after_usage"]
        self.assertEqual(ten[0], hundred[0], "descriptors")
        self.assertEqual(hundred[0], usage[0], "descriptors")
        # Each animation holds two 80 x 24 screens and more; ninety leaked ones would show.
        self.assertLess(hundred[1] - ten[1], 1 << 20, "resident memory grew")
        windows = fact["windows"]
        growth = [later - earlier for earlier, later in zip(windows, windows[1:])]
        # Leaking even the smallest copy of the arguments (64 bytes a call) takes 640 KB a window.
        # A window may find that in memory freed earlier, but the others grow by 500 KB or more.
        # The heap's own steps come early, in two or three windows. So a window counts as grown
        # from half a leak's 640 KB, and five grown windows of the seven are a leak.
        grown = sum(1 for step in growth if step >= 320_000)
        self.assertLess(grown, 5, "resident memory grew in most windows: %s" % growth)
        self.assertEqual(stdout, b"")
        # Every animation handed the terminal back.
        self.assertEqual(child.shown.count(b"\x1b[?1049l"), 100)


if __name__ == "__main__":
    unittest.main()
