#!/usr/bin/env python3
"""`make deb`: the Debian package, built by CPack into a scratch folder.

The package holds both programs stripped (their debug symbols in the -dbgsym
package, under the binaries' build ids), the desktop entry, icon, compressed
manual pages, metainfo, copyright and changelog, all under /usr and nothing
else; its dependencies name the shared libraries the programs link; the
unpacked programs run (--version, --help); and lintian reports neither an
error nor a warning.

usage: package_test.py <build dir>
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

EXPECTED = {
    "usr/bin/vorta-serial", "usr/bin/vorta-device",
    "usr/share/applications/vorta-serial.desktop",
    "usr/share/icons/hicolor/scalable/apps/vorta-serial.svg",
    "usr/share/man/man1/vorta-serial.1.gz", "usr/share/man/man1/vorta-device.1.gz",
    "usr/share/metainfo/io.github.vorta_serial.vorta_serial.metainfo.xml",
    "usr/share/doc/vorta-serial/copyright", "usr/share/doc/vorta-serial/changelog.gz",
}


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=240, **kw)


def files_in(deb):
    listed = run(["dpkg-deb", "-c", deb]).stdout.splitlines()
    return {line.split()[-1].lstrip("./") for line in listed if not line.startswith("d")}


def build_id(path):
    for line in run(["readelf", "-n", path]).stdout.splitlines():
        if "Build ID:" in line:
            return line.split()[-1]
    return None


def main():
    build = os.path.abspath(sys.argv[1])
    out = tempfile.mkdtemp(prefix="vorta-deb-")
    faults = []
    try:
        made = run(["cpack", "-G", "DEB", "-B", out, "--config", os.path.join(build, "CPackConfig.cmake")], cwd=build)
        debs = glob.glob(os.path.join(out, "vorta-serial_*.deb"))
        dbgsym = glob.glob(os.path.join(out, "vorta-serial-dbgsym_*.ddeb"))
        if made.returncode != 0 or len(debs) != 1 or len(dbgsym) != 1:
            print(made.stdout + made.stderr)
            print("FAULT cpack made %s" % sorted(os.listdir(out)))
            return 1
        deb = debs[0]
        files = files_in(deb)
        if files != EXPECTED:
            faults.append("missing %s; not expected %s" % (sorted(EXPECTED - files), sorted(files - EXPECTED)))

        depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
        for library in ("libqt6widgets6", "libqt6gui6", "libqt6core6", "libc6", "libx11-6", "fonts-arphic-uming |"):
            if library not in depends:
                faults.append("Depends lacks %s: %s" % (library, depends.strip()))

        root = os.path.join(out, "root")
        run(["dpkg-deb", "-x", deb, root])
        run(["dpkg-deb", "-x", dbgsym[0], root])
        for program in ("vorta-serial", "vorta-device"):
            path = os.path.join(root, "usr/bin", program)
            sections = run(["readelf", "-S", "-W", path]).stdout
            if ".debug_info" in sections or ".symtab" in sections:
                faults.append("%s is not stripped" % program)
            bid = build_id(path)
            debug = bid and os.path.join(root, "usr/lib/debug/.build-id", bid[:2], bid[2:] + ".debug")
            if not debug or ".debug_info" not in run(["readelf", "-S", "-W", debug]).stdout:
                faults.append("%s: no debug symbols in the -dbgsym package for build id %s" % (program, bid))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        version = run([os.path.join(root, "usr/bin/vorta-serial"), "--version"], env=env)
        if version.returncode != 0 or not version.stdout.startswith("vorta-serial "):
            faults.append("the packaged vorta-serial --version: %d %r" % (version.returncode, version.stdout))
        helped = run([os.path.join(root, "usr/bin/vorta-device"), "--help"], env=dict(env, TMPDIR=out))
        if helped.returncode != 0:
            faults.append("the packaged vorta-device --help ended with %d" % helped.returncode)

        if shutil.which("lintian"):
            checked = run(["lintian", "--fail-on", "error,warning", deb])
            tags = [l for l in checked.stdout.splitlines() if l[:2] in ("E:", "W:")]
            print("lintian: " + (checked.stdout.strip() or "no tags"))
            if checked.returncode != 0 or tags:
                faults.append("lintian: %s" % tags)
        else:
            faults.append("lintian is not installed (scripts/install-deps.sh)")
    finally:
        shutil.rmtree(out, ignore_errors=True)
    for f in faults:
        print("FAULT " + f)
    print("%d faults" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
