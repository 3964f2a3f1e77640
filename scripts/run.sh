#!/usr/bin/env bash
# Sets up, builds, lays out the demo program folder (the programs, the
# stand-in engine, default settings) and starts the front end on it, under a
# virtual display when there is none.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --build "$build" --target demo
demo="$build/demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Morvantis runs on a virtual display, where its windows cannot be seen."
  echo "End it with Ctrl+C here (or: kill \$(pidof Morvantis)); it then restores the default rule file and ends Pellworth.exe."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$demo/Morvantis" "$@"
fi
exec "$demo/Morvantis" "$@"
