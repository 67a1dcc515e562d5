#!/usr/bin/env bash
# Installs the Debian packages the build, the program and its tests need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libgl-dev              # Qt6 Widgets (the only GUI toolkit)
  libgtest-dev libbenchmark-dev       # tests and benchmarks
  libx11-dev libxcb1-dev              # system-wide Enter key grab on X11
  fonts-arphic-uming fonts-wqy-microhei  # Song face for 宋体, sans face for the GUI
  xvfb xdotool x11-utils imagemagick  # end-to-end tests: a real X server, input, screenshots
  socat                               # named pseudo-terminal pairs in serial tests
  ser2net                             # a real serial device server for the network-port tests
  openbox                             # a real window manager for the window-geometry test
  mbpoll python3-pymodbus python3-serial python3-serial-asyncio  # Modbus masters written elsewhere, to test vorta-device
  qt6-translations-l10n               # Qt's own texts (file dialog, buttons) in Chinese
  at-spi2-core dbus-daemon dbus-session-bus-common python3-gi gir1.2-atspi-2.0  # the accessibility bus test
  desktop-file-utils                  # desktop-file-validate for the installed desktop entry
  clang clang-format                  # the clang build and the formatting check of .ci/run
)

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
