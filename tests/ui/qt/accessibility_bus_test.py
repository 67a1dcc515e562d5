#!/usr/bin/env python3
"""The main window as a screen reader reads it, through the accessibility bus.

Starts a private Xvfb and a private D-Bus session bus (which starts the
accessibility bus and its registry on demand), runs the real program on them
and reads its tree with libatspi. Every control of the main window that has a
widget must be found by its control name (the accessible description), once,
with a name a person can hear (never its control name) and the role of its
kind: the mode buttons are radio buttons, the arrow and the lamp that answer
Space and Enter push buttons; the window itself is a frame. Bounded by a watchdog; every process it starts is ended.

usage: accessibility_bus_test.py <vorta-serial> <list_main_window_controls>
"""
import ctypes
import fcntl
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WATCHDOG_S = 120
FIND_S = 40

# Combo and edit boxes are named after the label (or check box) just left of them.
NAMED_BY_NEIGHBOUR = {
    "组合框_端口": "端口号", "组合框_波特率": "波特率", "组合框_校验位": "校验位",
    "组合框_数据位": "数据位", "组合框_停止位": "停止位", "组合框_毫秒": "间隔毫秒",
    "编辑框1": "自动换行",
}
CHECKED = {"单选框_16发送": True, "单选框_ASCII发送": False,
           "单选框_16显示": True, "单选框_ASCII显示": False}


def read_line(fd, timeout):
    """One line written by a child to the pipe `fd` within `timeout` seconds."""
    data, end = b"", time.monotonic() + timeout
    while not data.endswith(b"\n"):
        if not select.select([fd], [], [], max(0.0, end - time.monotonic()))[0]:
            raise TimeoutError("no answer on the pipe")
        chunk = os.read(fd, 256)
        if not chunk:
            raise RuntimeError("the child closed the pipe: %r" % data)
        data += chunk
    os.close(fd)
    return data.decode().strip()


def die_with_this_test():
    """In a child: ends it when this test's process ends, however that happens (ctest's time-out too)."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def start_reporting(argv):
    """Starts a server in a process group of its own; it writes one line (display or address) to a pipe."""
    r, w = os.pipe()
    proc = subprocess.Popen([a.replace("{fd}", str(w)) for a in argv], pass_fds=[w], start_new_session=True,
                            stdin=subprocess.DEVNULL, preexec_fn=die_with_this_test)
    os.close(w)
    return proc, read_line(r, 20)


def start_xvfb():
    # Servers starting at once may pick the same display number: start one at a time (as the C++ tests do).
    with open("/tmp/.vorta-xvfb-start.lock", "a+") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        proc, number = start_reporting(["Xvfb", "-displayfd", "{fd}", "-noreset", "-nolisten", "tcp",
                                        "-screen", "0", "1280x1024x24"])
    return proc, ":" + number


def stop_group(proc, sig=signal.SIGTERM):
    """Ends a process group this test started, by its id, and reaps its leader."""
    if proc is None:
        return
    try:
        os.killpg(proc.pid, sig)
        proc.wait(timeout=5)
    except ProcessLookupError:
        pass
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()


def adopt_orphans():
    """Makes this process the reaper of the servers that the buses start, so none is left behind."""
    PR_SET_CHILD_SUBREAPER = 36
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def reap_children(timeout=5):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            time.sleep(0.05)


def expected_controls(lister):
    out = subprocess.run([lister], check=True, capture_output=True, timeout=10).stdout.decode("gb18030")
    return [line.split("\t") for line in out.splitlines() if line]


def labelled_by(acc, Atspi):
    """The name of the label that labels `acc` (how Qt on Linux names a combo box's label), or ""."""
    for rel in acc.get_relation_set() or []:
        if rel.get_relation_type() == Atspi.RelationType.LABELLED_BY and rel.get_n_targets() > 0:
            return rel.get_target(0).get_name() or ""
    return ""


def walk(app, Atspi):
    """(description, role, name, checked, label) of every accessible under `app`."""
    found, stack = [], [app]
    while stack and len(found) < 5000:
        acc = stack.pop()
        try:
            states = acc.get_state_set()
            found.append((acc.get_description() or "", acc.get_role(), acc.get_name() or "",
                          states.contains(Atspi.StateType.CHECKED), labelled_by(acc, Atspi)))
            stack.extend(c for c in (acc.get_child_at_index(i) for i in range(acc.get_child_count())) if c)
        except Exception:  # an accessible that went away while being read
            continue
    return found


def check(expected, tree, Atspi):
    roles = {"label": Atspi.Role.LABEL, "edit": Atspi.Role.TEXT, "button": Atspi.Role.PUSH_BUTTON,
             "check": Atspi.Role.CHECK_BOX, "radio": Atspi.Role.RADIO_BUTTON, "combo": Atspi.Role.COMBO_BOX,
             "pressable": Atspi.Role.PUSH_BUTTON}
    failures = []
    for kind, control, caption in expected:
        hits = [t for t in tree if t[0] == control]
        if len(hits) != 1:
            failures.append("%s: found %d times by its name" % (control, len(hits)))
            continue
        _, role, name, checked, label = hits[0]
        if kind in roles and role != roles[kind]:
            failures.append("%s: role %s, expected %s" % (control, role.value_nick, roles[kind].value_nick))
        # What a screen reader announces as the control's label: a combo box's comes
        # through the labelled-by relation (its name is its current text), others' is the name.
        heard = (label if kind == "combo" else name).rstrip("：:")
        want = NAMED_BY_NEIGHBOUR.get(control, caption).rstrip("：:")
        if not heard or heard == control or (want and heard != want):
            failures.append("%s: announced as %r, expected %r" % (control, heard, want or "some name"))
        if control in CHECKED and checked != CHECKED[control]:
            failures.append("%s: checked %s, expected %s" % (control, checked, CHECKED[control]))
    return failures


def main():
    program, lister = sys.argv[1], sys.argv[2]
    expected = expected_controls(lister)
    if len(expected) < 30:
        print("only %d controls listed for the main window" % len(expected))
        return 1

    def watchdog(*_):
        raise TimeoutError("the test ran longer than %d s" % WATCHDOG_S)
    signal.signal(signal.SIGALRM, watchdog)
    signal.alarm(WATCHDOG_S)

    adopt_orphans()
    xvfb = bus = prog = None
    scratch = tempfile.mkdtemp(prefix="vorta-a11y-")
    try:
        xvfb, display = start_xvfb()
        bus, address = start_reporting(["dbus-daemon", "--session", "--nofork", "--print-address={fd}"])
        env = {k: v for k, v in os.environ.items() if k not in ("AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY")}
        env.update(DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=address, TMPDIR=scratch, XDG_RUNTIME_DIR=scratch,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        os.environ.clear()
        os.environ.update(env)  # libatspi below finds the same buses
        prog = subprocess.Popen([program], env=env, start_new_session=True, stdin=subprocess.DEVNULL,
                                preexec_fn=die_with_this_test)

        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
        Atspi.init()
        Atspi.set_timeout(5000, 15000)

        names = {control for _, control, _ in expected}
        tree, apps, end = [], [], time.monotonic() + FIND_S
        while time.monotonic() < end:
            if prog.poll() is not None:
                print("the program ended with %d" % prog.returncode)
                return 1
            desktop = Atspi.get_desktop(0)
            apps = [a for a in (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
                    if a and a.get_process_id() == prog.pid]
            if apps:
                apps[0].clear_cache()
                tree = walk(apps[0], Atspi)
                if names <= {t[0] for t in tree}:
                    break
            time.sleep(0.5)
        failures = check(expected, tree, Atspi)
        frames = [apps[0].get_child_at_index(i) for i in range(apps[0].get_child_count())] if apps else []
        if not any(f and f.get_role() == Atspi.Role.FRAME and f.get_name() == "Vorta串口调试v2.35" for f in frames):
            failures.append("the main window is no frame named by its title: %r"
                            % [(f.get_role().value_nick, f.get_name()) for f in frames if f])
        for f in failures:
            print("FAIL " + f)
        print("read %d controls of the main window through the accessibility bus; %d faults"
              % (len(expected), len(failures)))
        return 1 if failures else 0
    finally:
        signal.alarm(0)
        if prog is not None:
            stop_group(prog)
        stop_group(bus)
        stop_group(xvfb)
        reap_children()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
