#!/usr/bin/env bash
# Sets up, builds, lays out the demo program folder (the programs, the
# stand-in engine, default settings, the language files) and starts the front
# end on it, or the first-run wizard with "wizard", under a virtual display
# when there is none.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --build "$build" --target demo
demo="$build/demo"
# "./scripts/run.sh wizard" starts the first-run wizard on the same folder.
program="Morvantis"
if [ "${1:-}" = "wizard" ]; then
  program="MorvantisStartup"
  shift
fi
run=("$demo/$program" "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: $program runs on a virtual display, where its windows cannot be seen."
  echo "End it with Ctrl+C here (or: kill \$(pidof $program)); the front end then restores the default rule file and ends Pellworth.exe."
  run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
fi
if [ "$program" = "MorvantisStartup" ]; then
  # The wizard's Finish writes the default settings, which start the program
  # with the desktop session; the demo folder keeps that off.
  status=0
  "${run[@]}" || status=$?
  "$build/mvdemoinit" --no-login-start "$demo"
  exit $status
fi
exec "${run[@]}"
