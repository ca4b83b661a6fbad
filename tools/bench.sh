#!/usr/bin/env bash
# Builds everything and the benchmarks, then runs them under Wine in the
# build's private prefix on a private Xvfb, as tools/test.sh runs the tests.
#   bash tools/bench.sh                    every benchmark
#   bash tools/bench.sh NAME [ARGS...]     one benchmark, with its arguments
# Each prints its figures against its goals; the script fails when one did.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ORLENZA_BUILD:-$root/build}"
bash "$root/tools/build.sh"
cmake --build "$build" --target benchmarks
source "$root/tools/wine-env.sh"
# The program folder on the machine PATH, as an installation has it.
bash "$root/tools/prepare-prefix.sh" "$build/bin"
source "$root/tools/xvfb.sh"
start_private_xvfb
wineserver -p
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
if [[ $# -gt 0 ]]; then
  name=$1
  shift
  echo "== $name"
  # Not exec: the trap must still stop the display and the prefix's processes.
  wine "$build/bench/$name.exe" "$@"
  exit
fi
status=0
for exe in "$build"/bench/bench_*.exe; do
  echo "== $(basename "$exe" .exe)"
  wine "$exe" || status=1
done
exit $status
