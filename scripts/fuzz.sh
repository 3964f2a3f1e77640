#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time from its
# seed corpus in fuzz/corpus/, then prints how many inputs each ran.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
"$root/scripts/setup.sh"
# clang and its fuzzer run time (only recommended by Debian's clang, so left
# out where recommends are not installed): a fuzz target must link.
fuzzer_links() {
  command -v clang++ >/dev/null 2>&1 &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
      clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1
}
if ! fuzzer_links; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-14-dev
fi
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMV_FUZZ=ON -DMV_BUILD_TESTS=OFF -DMV_BUILD_BENCH=OFF >/dev/null
targets=(profile_text table_query ports_addresses)
cmake --build "$build" -j"${MV_FUZZ_JOBS:-3}" --target "${targets[@]/#/fuzz_}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"          # new inputs found go here, not into the repository
  mkdir -p "$work" "$build/findings/$t"
  log="$build/fuzz_$t.log"
  if "$build/fuzz/fuzz_$t" "$work" "$root/fuzz/corpus/$t" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/findings/$t/" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    echo "fuzz_$t: $runs inputs in ${seconds}s, no finding"
  else
    echo "fuzz_$t: FINDING, see $log and $build/findings/$t/"
    status=1
  fi
done
exit $status
