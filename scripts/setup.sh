#!/usr/bin/env bash
# Installs what building, running and testing Morvantis needs on Debian 12,
# skipping what is already there.
set -euo pipefail
# qt6-base-dev carries Qt D-Bus too; dbus gives the tests their private
# session bus (dbus-daemon); dbus-x11 (dbus-launch) lets a test see that no
# bus is launched where the session has none.
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth xdotool python3 dbus dbus-x11)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
