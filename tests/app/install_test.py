#!/usr/bin/env python3
"""`make install` and `make uninstall` into a scratch DESTDIR.

Installs the build's "desktop" component (every install rule is in it) under
/usr/local inside a fresh DESTDIR, then checks what a desktop needs: the two
programs run, the desktop entry passes desktop-file-validate and names the
program in Chinese and English, the icon is an SVG, the manual pages are
compressed man pages and the metainfo is valid; nothing lands outside the
prefix (no fontconfig alias that would change other programs' fonts). Every
installed file is in the manifest, and uninstalling removes exactly those.

usage: install_test.py <build dir> <source dir>
"""
import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PREFIX = "/usr/local"


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=60, **kw)


def files_under(root):
    """Every file and link below `root` (directories left out)."""
    found = set()
    for d, dirs, names in os.walk(root):
        found.update(os.path.join(d, n) for n in names)
        found.update(os.path.join(d, n) for n in dirs if os.path.islink(os.path.join(d, n)))
    return found


def check_installed(dest, manifest):
    faults = []
    pre = dest + PREFIX
    for program in ("vorta-serial", "vorta-device"):
        if not os.access(os.path.join(pre, "bin", program), os.X_OK):
            faults.append("bin/%s is not an executable" % program)
    helped = run([os.path.join(pre, "bin", "vorta-device"), "--help"])
    if helped.returncode != 0:
        faults.append("the installed vorta-device --help ended with %d" % helped.returncode)

    desktop = os.path.join(pre, "share/applications/vorta-serial.desktop")
    valid = run(["desktop-file-validate", desktop])
    if valid.returncode != 0 or valid.stdout.strip():
        faults.append("desktop-file-validate: %s%s" % (valid.stdout, valid.stderr))
    entry = configparser.RawConfigParser(strict=True, interpolation=None)
    entry.optionxform = str
    entry.read(desktop, encoding="utf-8")
    e = entry["Desktop Entry"]
    if (e.get("Name"), e.get("Name[zh_CN]")) != ("Vorta Serial", "Vorta串口调试"):
        faults.append("names %r / %r" % (e.get("Name"), e.get("Name[zh_CN]")))
    if e.get("Exec", "").split()[0] != "vorta-serial" or e.get("Icon") != "vorta-serial":
        faults.append("Exec %r or Icon %r does not name what was installed" % (e.get("Exec"), e.get("Icon")))

    icon = os.path.join(pre, "share/icons/hicolor/scalable/apps/vorta-serial.svg")
    if not ET.parse(icon).getroot().tag.endswith("}svg"):
        faults.append("the icon is not an SVG")

    for page in ("vorta-serial.1.gz", "vorta-device.1.gz"):
        path = os.path.join(pre, "share/man/man1", page)
        shown = run(["man", "--warnings", "-l", path], env=dict(os.environ, LC_ALL="C.UTF-8"))
        if shown.returncode != 0 or shown.stderr or "EXIT STATUS" not in shown.stdout:
            faults.append("%s: %d %s" % (page, shown.returncode, shown.stderr))
    valid = run(["appstreamcli", "validate", "--no-net", os.path.join(
        pre, "share/metainfo/io.github.vorta_serial.vorta_serial.metainfo.xml")])
    if valid.returncode != 0:
        faults.append("appstreamcli: %s" % valid.stdout)
    outside = sorted(f for f in files_under(dest) if not f.startswith(pre + "/"))
    if outside:
        faults.append("installed outside the prefix: %s" % outside)

    # A manifest lists the paths without DESTDIR.
    listed = {dest + line for line in open(manifest, encoding="utf-8").read().splitlines() if line}
    if files_under(dest) != listed:
        faults.append("installed but not in the manifest: %s; in the manifest but missing: %s"
                      % (sorted(files_under(dest) - listed), sorted(listed - files_under(dest))))
    return faults


def main():
    build, source = sys.argv[1], sys.argv[2]
    manifest = os.path.join(build, "install_manifest_desktop.txt")
    dest = tempfile.mkdtemp(prefix="vorta-install-")
    try:
        installed = run(["cmake", "--install", build, "--component", "desktop", "--prefix", PREFIX],
                        env=dict(os.environ, DESTDIR=dest))
        if installed.returncode != 0:
            print(installed.stdout + installed.stderr)
            return 1
        faults = check_installed(dest, manifest)
        count = len(open(manifest, encoding="utf-8").read().split())

        removed = run(["cmake", "-DMANIFEST=" + manifest, "-P", os.path.join(source, "cmake/uninstall.cmake")],
                      env=dict(os.environ, DESTDIR=dest))
        if removed.returncode != 0:
            faults.append("uninstall failed: " + removed.stdout + removed.stderr)
        if files_under(dest):
            faults.append("left after uninstalling: %s" % sorted(files_under(dest)))
        for f in faults:
            print("FAULT " + f)
        print("installed %d files into %s and removed them; %d faults" % (count, dest, len(faults)))
        return 1 if faults else 0
    finally:
        shutil.rmtree(dest, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
