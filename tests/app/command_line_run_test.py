#!/usr/bin/env python3
"""The built program answers --help, --version and a wrong option with no display.

Runs the executable with neither DISPLAY nor WAYLAND_DISPLAY nor a Qt platform
set, as from a text console or ssh: Qt is never reached, so nothing aborts.

usage: command_line_run_test.py <vorta-serial> <version>
"""
import os
import subprocess
import sys

CASES = [
    # arguments, exit status, what standard output starts with, standard error
    (["--help"], 0, "Usage: vorta-serial [--help | --version]\n", ""),
    (["--version"], 0, None, ""),
    (["--verbose"], 2, "", "vorta-serial: unknown option '--verbose' (see vorta-serial --help)\n"),
    (["COM1"], 2, "", "vorta-serial: unexpected argument 'COM1' (see vorta-serial --help)\n"),
]


def main():
    program, version = sys.argv[1], sys.argv[2]
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE")}
    faults = []
    for args, status, out, err in CASES:
        if out is None:
            out = "vorta-serial %s\n" % version
        r = subprocess.run([program] + args, env=env, capture_output=True, text=True, timeout=20)
        seen = (r.returncode, r.stdout[:len(out)] if out else r.stdout, r.stderr)
        if seen != (status, out, err):
            faults.append("%s: exit %d, stdout %r, stderr %r" % (" ".join(args), r.returncode, r.stdout, r.stderr))
    for f in faults:
        print("FAULT " + f)
    print("%d cases, %d faults" % (len(CASES), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
