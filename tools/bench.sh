#!/usr/bin/env bash
# Builds everything and the benchmarks, then runs them under Wine in the
# target's private prefix on a private Xvfb, as tools/test.sh runs the tests.
#   bash tools/bench.sh                    every benchmark
#   bash tools/bench.sh NAME [ARGS...]     one benchmark, with its arguments
# Each prints its figures against its goals; the script fails when one did.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/target.sh"
orlenza_say_target
bash "$root/tools/build.sh"
# Only now: the Wine environment sets a Chinese locale for the programs.
source "$root/tools/wine-env.sh"
build="$ORLENZA_TARGET_BUILD"
cmake --build "$build" --target benchmarks || { echo "bench: building the benchmarks failed" >&2; exit 1; }
# The program folder on the machine PATH, as an installation has it.
bash "$root/tools/prepare-prefix.sh" "$build/bin" || { echo "bench: preparing the Wine prefix failed" >&2; exit 1; }
source "$root/tools/xvfb.sh"
start_private_xvfb || { echo "bench: could not start Xvfb" >&2; exit 1; }
wineserver -p
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
echo "Measuring the $ORLENZA_ARCH build"
if [[ $# -gt 0 ]]; then
  name=$1
  shift
  echo "== $name ($ORLENZA_ARCH)"
  # Not exec: the trap must still stop the display and the prefix's processes.
  wine "$build/bench/$name.exe" "$@"
  exit
fi
status=0
for exe in "$build"/bench/bench_*.exe; do
  echo "== $(basename "$exe" .exe) ($ORLENZA_ARCH)"
  wine "$exe" || status=1
done
exit $status
