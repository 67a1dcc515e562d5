#!/usr/bin/env bash
# Side by side: this program and two Linux serial GUIs (CuteCom, GTKTerm), each
# on a private X server, fed through a pseudo-terminal pair, hex display,
# measured from outside by peer_probe (bytes displayed per second, CPU per MB,
# memory growth per byte, CPU at 11,520 B/s, slowest answer to an X ping).
#
# run_peers.sh BUILD_DIR
# The peers are Debian packages installed here for the benchmark only; when
# they cannot be installed the script says so and skips them. Never used by CI.
set -u
build=${1:-build}
probe="$build/bench/peer_probe"
program="$build/vorta-serial"
flood=${PEER_FLOOD_BYTES:-20000000}
rate=11520
rate_seconds=10

for tool in Xvfb socat xdotool; do
    if ! command -v "$tool" >/dev/null; then echo "peers: $tool not installed, skipped"; exit 0; fi
done
if [ ! -x "$probe" ]; then echo "peers: $probe not built (needs X11), skipped"; exit 0; fi

ensure_package() {  # ensure_package BINARY PACKAGE
    command -v "$1" >/dev/null && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$2" >/dev/null 2>&1 ||
            { apt-get update >/dev/null 2>&1 &&
              DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$2" >/dev/null 2>&1; }
    fi
    command -v "$1" >/dev/null
}

work=$(mktemp -d /tmp/vorta-peers.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A private X server; -noreset because clients come and go one after another.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
echo "peers: X server $DISPLAY, pseudo-terminal pair through socat, hex display"

# start_pty: a fresh pair; the program opens $work/tty, the probe writes $work/feed.
start_pty() {
    rm -f "$work/tty" "$work/feed"
    socat pty,raw,echo=0,link="$work/tty" pty,raw,echo=0,link="$work/feed" 2>/dev/null &
    socat_pid=$!
    pids+=($socat_pid)
    for _ in $(seq 50); do [ -e "$work/tty" ] && [ -e "$work/feed" ] && break; sleep 0.1; done
}
stop_pid() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }

# The top-level window of a process (the one that answers pings).
window_of() {
    local w=""
    for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1)
        [ -n "$w" ] && break
        sleep 0.1
    done
    echo "$w"
}

# Whether process PID holds the pseudo-terminal $work/tty open (the port is open).
holds_port() {
    local dev f
    dev=$(readlink -f "$work/tty")
    for f in /proc/"$1"/fd/*; do [ "$(readlink "$f")" = "$dev" ] && return 0; done
    return 1
}

measure() {  # measure LABEL PID WINDOW
    if ! holds_port "$2"; then
        echo "$1: did not open the pseudo-terminal $(readlink -f "$work/tty"), not measured"
        return
    fi
    # A program that never opened the port never reads: give up rather than wait forever.
    timeout 300 "$probe" "$2" "$3" "$work/feed" "$flood" 0 "$1" || echo "$1: no result (port not opened or too slow)"
    # PEER_SHOTS=DIR keeps a screenshot of each program after its flood, to check its display mode.
    [ -n "${PEER_SHOTS:-}" ] && import -window root "$PEER_SHOTS/$1.png" 2>/dev/null
    timeout 120 "$probe" "$2" "$3" "$work/feed" $((rate * rate_seconds)) "$rate" "$1" ||
        echo "$1: no result at $rate B/s"
}

run_self() {
    if [ ! -x "$program" ]; then echo "vorta-serial: not built, skipped"; return; fi
    start_pty
    local home="$work/self"
    mkdir -p "$home/ports"
    # COM1 takes the place of any device with that number and comes first in the port list.
    ln -sf "$work/tty" "$home/ports/COM1"
    # Port list index 0 (COM1), window at the top left, hex display as by default.
    printf '[端口]\r\ncom=0\r\n[位置]\r\nDB=0\r\nZB=0\r\n' | iconv -f UTF-8 -t GBK >"$home/peizhi.ini"
    TMPDIR="$home" "$program" >/dev/null 2>&1 &
    local pid=$!
    pids+=($pid)
    local w
    w=$(window_of $pid)
    sleep 1
    # The open button: group box at 459,2 in a 600-wide window, the button at 55,133 in it.
    xdotool mousemove --window "$w" 544 149 click 1
    sleep 1
    measure "vorta-serial" $pid "$w"
    stop_pid $pid
    stop_pid "$socat_pid"
}

run_cutecom() {
    if ! ensure_package cutecom cutecom; then echo "cutecom: not installed, skipped"; return; fi
    start_pty
    local home="$work/cutecom"
    mkdir -p "$home/.config/CuteCom"
    printf '[sessions]\n1\\BaudRate=115200\n1\\DataBits=8\n1\\Device=%s\n1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n1\\name=Default\n1\\showCtrlCharacters=false\n1\\showTimestamp=false\nsize=1\n' \
        "$work/tty" >"$home/.config/CuteCom/CuteCom5.conf"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" cutecom >/dev/null 2>&1 &
    local pid=$!
    pids+=($pid)
    local w
    w=$(window_of $pid)
    sleep 1
    xdotool windowfocus "$w" 2>/dev/null
    xdotool key --window "$w" alt+x   # "Hex output"
    xdotool key --window "$w" alt+o   # "Open"
    sleep 1
    # Modem-line requests fail on a pseudo-terminal; CuteCom says so in a dialog: close it.
    # (The CuteCom of Debian 12 then closes the port again: measure() says so.)
    for d in $(xdotool search --onlyvisible --pid $pid); do
        if [ "$d" != "$w" ]; then xdotool windowfocus "$d"; xdotool key --window "$d" Return; sleep 0.5; fi
    done
    sleep 0.5
    measure "CuteCom" $pid "$w"
    stop_pid $pid
    stop_pid "$socat_pid"
}

run_gtkterm() {
    if ! ensure_package gtkterm gtkterm; then echo "gtkterm: not installed, skipped"; return; fi
    start_pty
    local home="$work/gtkterm"
    mkdir -p "$home/.config"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" gtkterm -p "$(readlink -f "$work/tty")" -s 115200 >/dev/null 2>&1 &
    local pid=$!
    pids+=($pid)
    local w
    w=$(window_of $pid)
    sleep 1
    # The first run says it created its configuration file, in a dialog: close it.
    for d in $(xdotool search --onlyvisible --pid $pid); do
        if [ "$d" != "$w" ]; then xdotool windowfocus "$d"; xdotool key Return; sleep 0.5; fi
    done
    # View > Hexadecimal through the menu bar: F10 opens "File", five to the right is "View".
    xdotool windowfocus "$w"
    xdotool key F10 Right Right Right Right Right Down Down Return
    sleep 1
    measure "GTKTerm" $pid "$w"
    stop_pid $pid
    stop_pid "$socat_pid"
}

for who in ${PEERS:-self cutecom gtkterm}; do "run_$who"; done
# Figures, not a verdict: the last stop_pid reports the killed process status.
exit 0
