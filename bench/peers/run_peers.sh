#!/usr/bin/env bash
# Side by side: this program and two Linux serial GUIs (CuteCom, GTKTerm), each
# on a private X server, fed through a pseudo-terminal pair, hex display,
# measured from outside by peer_probe (bytes displayed per second, CPU per MB,
# memory growth per byte, slowest answer to an X ping; then, paced at the byte
# rates of 115200, 921600 and 3000000 baud, CPU and whether each kept up),
# then a table of the three with the ratios this program / peer.
# PEER_RATES="11520 92160 300000" (bytes per second) and PEER_RATE_SECONDS=10
# choose the paced runs; PEER_FLOOD_BYTES=0 leaves out the flood. A
# pseudo-terminal ignores the baud rate: the pace is what stands for it.
#
# run_peers.sh BUILD_DIR
# The peers are Debian packages installed here for the benchmark only; when
# they cannot be installed the script says so and skips them. Never used by CI.
# A pseudo-terminal has no modem lines and no udev entry, which the peers take
# for a broken port: they get the shim pty_modem_shim.so (LD_PRELOAD) that
# answers those requests as a ready device would. Their start is traced with
# strace, detached before measuring, to show what they tripped on if they
# still do not open the port. PEERS="self cutecom gtkterm" chooses who runs;
# PEER_SHOTS=DIR keeps a screenshot of each after its flood.
set -u
build=${1:-build}
probe="$build/bench/peer_probe"
shim="$(cd "$build" 2>/dev/null && pwd)/bench/peers/pty_modem_shim.so"
program="$build/vorta-serial"
flood=${PEER_FLOOD_BYTES:-20000000}
rates=${PEER_RATES:-11520 92160 300000}
rate_seconds=${PEER_RATE_SECONDS:-10}

for tool in Xvfb socat xdotool; do
    if ! command -v "$tool" >/dev/null; then echo "peers: $tool not installed, skipped"; exit 0; fi
done
if [ ! -x "$probe" ]; then echo "peers: $probe not built (needs X11), skipped"; exit 0; fi
if [ ! -f "$shim" ]; then echo "peers: $shim not built, the peers cannot open a pseudo-terminal"; fi

ensure_package() {  # ensure_package BINARY PACKAGE
    command -v "$1" >/dev/null && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$2" >/dev/null 2>&1 ||
            { apt-get update >/dev/null 2>&1 &&
              DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$2" >/dev/null 2>&1; }
    fi
    command -v "$1" >/dev/null
}

# strace shows what a peer trips on when it does not open the port.
ensure_package strace strace || echo "peers: strace not installed, the peers' start is not traced"

work=$(mktemp -d /tmp/vorta-peers.XXXXXX)
results="$work/results"
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

# start_peer NAME COMMAND...: starts a peer with the shim preloaded, its start
# traced (file, ioctl and lock calls) into $work/NAME.strace; sets peer_pid.
start_peer() {
    local name=$1
    shift
    tracer_pid=""
    peer_pid=""
    if command -v strace >/dev/null; then
        # -E gives the shim to the peer only, not to strace; -I 1 lets a TERM
        # make strace detach (with -o it would ignore TERM).
        strace -f -qq -I 1 -o "$work/$name.strace" -e trace=openat,ioctl,flock,close -E LD_PRELOAD="$shim" "$@" \
            >/dev/null 2>&1 &
        tracer_pid=$!
        pids+=($tracer_pid)
        for _ in $(seq 50); do
            peer_pid=$(pgrep -P "$tracer_pid" | head -1)
            [ -n "$peer_pid" ] && break
            kill -0 "$tracer_pid" 2>/dev/null || break  # strace may not trace here (no ptrace)
            sleep 0.1
        done
    fi
    if [ -z "$peer_pid" ]; then
        [ -n "$tracer_pid" ] && stop_pid "$tracer_pid"
        tracer_pid=""
        LD_PRELOAD="$shim" "$@" >/dev/null 2>&1 &
        peer_pid=$!
    fi
    pids+=($peer_pid)
}
# Ends the trace before measuring: strace detaches and the peer runs on untraced.
detach_trace() { [ -n "$tracer_pid" ] && stop_pid "$tracer_pid"; tracer_pid=""; }

# What a peer did with the port before giving up, from its start trace: the
# opening, failed requests on the port and its closing, failed device lookups
# (/sys/dev/char/MAJOR:MINOR, where udev looks).
explain() {  # explain NAME
    [ -s "$work/$1.strace" ] || return
    awk -v dev="$(readlink -f "$work/tty")" -v link="$work/tty" '
        index($0, dev) || index($0, link) {
            if (match($0, /= [0-9]+$/)) port = substr($0, RSTART + 2)
            print; next
        }
        port != "" && $0 ~ ("\\(" port ", .* = -1 E") && !/TCGETS/ { print; next }
        port != "" && $0 ~ ("close\\(" port "\\)") { print; port = ""; next }
        /"[0-9]+:[0-9]+", .* = -1 ENOENT/ { print }
    ' "$work/$1.strace" | tail -10 | sed "s/^/    $1 trace: /"
}

measure() {  # measure LABEL PID WINDOW
    if ! holds_port "$2"; then
        echo "$1: did not open the pseudo-terminal $(readlink -f "$work/tty"), not measured"
        explain "$1"
        return
    fi
    # A program that never opened the port never reads: give up rather than wait forever.
    if [ "$flood" -gt 0 ]; then
        timeout 300 "$probe" "$2" "$3" "$work/feed" "$flood" 0 "$1" "$results" ||
            echo "$1: no result (port not opened or too slow)"
    fi
    # PEER_SHOTS=DIR keeps a screenshot of each program after its flood, to check its display mode.
    [ -n "${PEER_SHOTS:-}" ] && import -window root "$PEER_SHOTS/$1.png" 2>/dev/null
    # The program's end of the line, where the probe looks for bytes left unread.
    local rate
    for rate in $rates; do
        PEER_PORT="$(readlink -f "$work/tty")" timeout $((rate_seconds * 3 + 60)) \
            "$probe" "$2" "$3" "$work/feed" $((rate * rate_seconds)) "$rate" "$1" "$results" ||
            echo "$1: no result at $rate B/s"
    done
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
    HOME="$home" XDG_CONFIG_HOME="$home/.config" start_peer CuteCom cutecom
    local pid=$peer_pid
    local w
    w=$(window_of $pid)
    sleep 1
    xdotool windowfocus "$w" 2>/dev/null
    xdotool key --window "$w" alt+x   # "Hex output"
    xdotool key --window "$w" alt+o   # "Open"
    sleep 1
    # Without the shim, the failing modem-line requests bring up a dialog and
    # CuteCom closes the port again; should any dialog show, close it.
    for d in $(xdotool search --onlyvisible --pid $pid); do
        if [ "$d" != "$w" ]; then xdotool windowfocus "$d"; xdotool key --window "$d" Return; sleep 0.5; fi
    done
    sleep 0.5
    detach_trace
    measure "CuteCom" $pid "$w"
    stop_pid $pid
    stop_pid "$socat_pid"
}

gtkterm_scrollback=10000
run_gtkterm() {
    if ! ensure_package gtkterm gtkterm; then echo "gtkterm: not installed, skipped"; return; fi
    start_pty
    local home="$work/gtkterm"
    mkdir -p "$home/.config"
    # Its own configuration file, so that it does not stop at the first-run dialog
    # ("Configuration file ... has been created"); the scroll-back is its default.
    {
        printf '[default]\n'
        printf '%s\t= %s\n' port "$(readlink -f "$work/tty")" speed 115200 bits 8 stopbits 1 parity none flow none \
            term_scrollback "$gtkterm_scrollback"
    } >"$home/.config/.gtktermrc"
    # GTKTerm looks its port up through udev and closes it when udev does not
    # know it (a pseudo-terminal has no udev entry): the shim answers for it.
    HOME="$home" XDG_CONFIG_HOME="$home/.config" start_peer GTKTerm gtkterm -p "$(readlink -f "$work/tty")" -s 115200
    local pid=$peer_pid
    local w
    w=$(window_of $pid)
    sleep 1
    # Should any dialog show (a first run without the file above), close it.
    for d in $(xdotool search --onlyvisible --pid $pid); do
        if [ "$d" != "$w" ]; then xdotool windowfocus "$d"; xdotool key Return; sleep 0.5; fi
    done
    # View > Hexadecimal through the menu bar: F10 opens "File", five to the right is "View".
    xdotool windowfocus "$w"
    # (View has "ASCII" then "Hexadecimal"; the first Down selects "ASCII".)
    xdotool key F10 Right Right Right Right Right Down Down Return
    sleep 1
    detach_trace
    measure "GTKTerm" $pid "$w"
    stop_pid $pid
    stop_pid "$socat_pid"
}

# The figures side by side; a ratio is this program's figure over the peer's
# (above 1 is better for MB/s, below 1 better for the others).
summary() {
    [ -s "$results" ] || return
    echo "peers: side by side (ratio = vorta-serial / peer; MB/s: higher is better, the rest: lower is better)"
    awk -v rates="$rates" '
        $2 == "flood" { mbps[$1] = $3; cpu[$1] = $4; mem[$1] = $5; worst[$1] = $6 }
        # Lines of an older probe carry no rate: 11,520 B/s.
        $2 == "rate"  { r = ($5 == "" ? 11520 : $5); rcpu[r, $1] = $3; keeps[r, $1] = ($6 == "" ? "-" : $6) }
        # A ratio only of two positive figures (memory can shrink during a run).
        function cell(v, self,   r) {
            if (v == "") return sprintf("%-22s", "-")
            r = (self != "" && self + 0 > 0 && v + 0 > 0) ? sprintf(" (%.2f)", self / v) : ""
            return sprintf("%-22s", v r)
        }
        function row(name, a) {
            printf "  %-34s %-14s %s %s\n", name, (("vorta-serial" in a) ? a["vorta-serial"] : "-"),
                   cell(a["CuteCom"], a["vorta-serial"]), cell(a["GTKTerm"], a["vorta-serial"])
        }
        END {
            printf "  %-34s %-14s %-22s %-22s\n", "", "vorta-serial", "CuteCom (ratio)", "GTKTerm (ratio)"
            row("flood: MB/s displayed", mbps)
            row("flood: CPU s per MB", cpu)
            row("flood: memory B per received byte", mem)
            row("flood: worst UI answer ms", worst)
            n = split(rates, list, " ")
            for (i = 1; i <= n; ++i) {
                r = list[i]
                delete c
                delete k
                for (key in rcpu) { split(key, part, SUBSEP); if (part[1] == r) { c[part[2]] = rcpu[key]; k[part[2]] = keeps[key] } }
                row(sprintf("%d B/s: CPU %% of one core", r), c)
                printf "  %-34s %-14s %-22s %-22s\n", sprintf("%d B/s: keeps up", r), \
                       (("vorta-serial" in k) ? k["vorta-serial"] : "-"), (("CuteCom" in k) ? k["CuteCom"] : "-"), \
                       (("GTKTerm" in k) ? k["GTKTerm"] : "-")
                # The best peer: the one of the two that needed the least CPU and kept up.
                best = ""
                for (p in c) if (p != "vorta-serial" && k[p] == "yes" && (best == "" || c[p] + 0 < c[best] + 0)) best = p
                if (best != "" && ("vorta-serial" in c) && c[best] + 0 > 0)
                    printf "  %-34s %.2f (vorta-serial %s %% / %s %s %%)\n", sprintf("%d B/s: ratio to the best peer", r), \
                           c["vorta-serial"] / c[best], c["vorta-serial"], best, c[best]
            }
        }' "$results"
    grep -q '^GTKTerm flood' "$results" &&
        echo "  (GTKTerm keeps the last $gtkterm_scrollback lines only, its default: its memory does not grow with what it received)"
}

for who in ${PEERS:-self cutecom gtkterm}; do "run_$who"; done
summary
# Figures, not a verdict.
exit 0
