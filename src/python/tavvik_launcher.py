"""The `tavvik` command: `tavvik_pypi.main()` with the outcomes a shell expects of a command."""

import sys

import tavvik_pypi


def main():
    """Plays `tavvik run` (or prints the usage line). A failure is one line on standard error
    and status 1; an interrupt ends with status 130, without a traceback."""
    try:
        tavvik_pypi.main()
    except RuntimeError as error:
        sys.stderr.write("tavvik: %s\n" % error)
        return 1
    except KeyboardInterrupt:
        return 130
    return 0
