#!/usr/bin/env bash
# Installs the Debian packages a task needs, but only those that are missing,
# so a second run costs nothing.
#   scripts/install-deps.sh program   what builds and runs vorta-serial and vorta-device (make, make run)
#   scripts/install-deps.sh deb       the same, and what makes the .deb (make deb)
#   scripts/install-deps.sh [all]     everything, the tests' tools included (make test, CI)
set -euo pipefail

program=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libgl-dev              # Qt6 Widgets (the only GUI toolkit)
  libx11-dev libxcb1-dev              # system-wide Enter key grab on X11
  fonts-arphic-uming fonts-wqy-microhei  # Song face for 宋体, sans face for the GUI
  qt6-translations-l10n               # Qt's own texts (file dialog, buttons) in Chinese
)
deb=(
  dpkg-dev                            # dpkg-shlibdeps: the package's dependencies from its libraries
  lintian                             # the package's check
)
tests=(
  libgtest-dev libbenchmark-dev       # tests and benchmarks
  xvfb xdotool x11-utils imagemagick  # end-to-end tests: a real X server, input, screenshots
  socat                               # named pseudo-terminal pairs in serial tests
  ser2net                             # a real serial device server for the network-port tests
  openbox                             # a real window manager for the window-geometry test
  mbpoll python3-pymodbus python3-serial python3-serial-asyncio  # Modbus masters written elsewhere, to test vorta-device
  at-spi2-core dbus-daemon dbus-session-bus-common python3-gi gir1.2-atspi-2.0  # the accessibility bus test
  desktop-file-utils                  # desktop-file-validate for the installed desktop entry
  man-db groff-base                   # man --warnings for the manual pages
  appstream                           # appstreamcli validate for the metainfo file
  qt6-gtk-platformtheme qt6ct         # the window under a dark desktop theme and a desktop font
  clang clang-format clang-tidy       # the clang build, the formatting and the clang-tidy checks of .ci/run
)

case "${1:-all}" in
  program) packages=("${program[@]}") ;;
  deb) packages=("${program[@]}" "${deb[@]}") ;;
  all) packages=("${program[@]}" "${deb[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [program|deb|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Run as root or install sudo; missing: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
