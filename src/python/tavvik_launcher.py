"""The `tavvik` command: `tavvik_pypi.main()` with the outcomes a shell expects of a command."""

import os
import signal
import sys

import tavvik_pypi


def die_of_interrupt():
    """Ends the process by SIGINT itself, as a command that does not catch it would: a shell
    stops a loop only for a command that died of the interrupt, not for one that exited 130."""
    sys.stdout.flush()
    sys.stderr.flush()
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    os.kill(os.getpid(), signal.SIGINT)


def main():
    """Plays `tavvik run` (or prints the usage line). A failure is one line on standard error
    and status 1; an interrupt ends the process by SIGINT, without a traceback."""
    try:
        tavvik_pypi.main()
    except RuntimeError as error:
        sys.stderr.write("tavvik: %s\n" % error)
        return 1
    except KeyboardInterrupt:
        die_of_interrupt()
        return 130  # only where the signal could not end the process
    return 0
