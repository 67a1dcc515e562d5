#!/usr/bin/env python3
"""The documents a Debian user reads: manual pages, AppStream metainfo, licence.

Each manual page renders without a warning from man/groff (in a UTF-8 locale:
the pages hold the window's Chinese texts), has the sections a user looks for,
and names every option its program's --help lists. The metainfo passes
appstreamcli validate, names the licence of LICENSE and the installed desktop
entry. The README names the same licence.

usage: documents_test.py <source dir> <vorta-serial> <vorta-device>
"""
import os
import re
import subprocess
import sys

SECTIONS = ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FILES", "EXIT STATUS", "SEE ALSO")
LICENCE = "GPL-3.0-or-later"


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=60, **kw)


def options_in_help(program):
    """The long options a program's --help lists."""
    text = run([program, "--help"], env=dict(os.environ, TMPDIR="/tmp")).stdout
    return sorted(set(re.findall(r"^\s*(?:Usage: \S+ \[)?(--[a-z-]+)", text, re.M)) |
                  set(re.findall(r"(--[a-z][a-z-]+)", text.split("\n")[0])))


def check_page(page, program):
    faults = []
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    r = run(["man", "--warnings", "-l", page], env=env)
    if r.returncode != 0 or r.stderr:
        faults.append("%s: man ended %d: %s" % (page, r.returncode, r.stderr.strip()))
    rendered = r.stdout
    for section in SECTIONS:
        if not re.search(r"^%s$" % section, rendered, re.M):
            faults.append("%s: no section %s" % (page, section))
    plain = rendered.replace("\u2010", "-")
    for option in options_in_help(program):
        if option not in plain:
            faults.append("%s: --help lists %s, the page does not" % (page, option))
    return faults


def main():
    source, serial, device = sys.argv[1:4]
    faults = []
    for name, program in (("vorta-serial", serial), ("vorta-device", device)):
        faults += check_page(os.path.join(source, "data/man", name + ".1"), program)

    metainfo = os.path.join(source, "data/metainfo/io.github.vorta_serial.vorta_serial.metainfo.xml")
    r = run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
    if r.returncode != 0:
        faults.append("appstreamcli validate: " + (r.stdout + r.stderr).strip())
    text = open(metainfo, encoding="utf-8").read()
    if "<project_license>%s</project_license>" % LICENCE not in text:
        faults.append("the metainfo does not name %s" % LICENCE)
    if '<launchable type="desktop-id">vorta-serial.desktop</launchable>' not in text:
        faults.append("the metainfo does not launch the installed desktop entry")

    licence = open(os.path.join(source, "LICENSE"), encoding="utf-8").read()
    if "GNU GENERAL PUBLIC LICENSE" not in licence or "Version 3, 29 June 2007" not in licence:
        faults.append("LICENSE is not the GPL version 3")
    if LICENCE not in open(os.path.join(source, "README.md"), encoding="utf-8").read():
        faults.append("the README does not name %s" % LICENCE)

    for f in faults:
        print("FAULT " + f)
    print("%d faults" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
