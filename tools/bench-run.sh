#!/usr/bin/env bash
# Builds everything and runs the rotation-run benchmark under Wine: the built
# Orlenza.exe against a plain loop of the same jhead.exe starts, on a private
# Xvfb, with the program folder on the prefix's machine PATH as an
# installation has it. Prints each round, the sums and the ratio, and fails
# when the ratio misses its goal. An argument sets the number of rounds (20;
# a round takes some 4 seconds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ORLENZA_BUILD:-$root/build}"
bash "$root/tools/build.sh"
cmake --build "$build" --target bench_run
source "$root/tools/wine-env.sh"
bash "$root/tools/prepare-prefix.sh" "$build/bin"
source "$root/tools/xvfb.sh"
start_private_xvfb
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
wine "$build/bench/bench_run.exe" "$@"
