#!/usr/bin/env bash
# Builds everything and runs every test: each test program under Wine in the
# build's private prefix, on a private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ORLENZA_BUILD:-$root/build}"
bash "$root/tools/build.sh"
source "$root/tools/wine-env.sh"
source "$root/tools/xvfb.sh"
start_private_xvfb
# The program folder on the machine PATH, as an installation has it, so that
# the tools beside Orlenza.exe find each other.
bash "$root/tools/prepare-prefix.sh" "$build/bin"
# One Wine server for the whole run instead of one start per test.
wineserver -p
# The first Wine program of a session starts the prefix's background
# processes (services, the desktop), which inherit its output and keep it
# open: ctest would wait for that test's output until its time-out. Start
# them here, on nothing.
wine cmd /c exit >/dev/null 2>&1 </dev/null
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
ctest --test-dir "$build" --output-on-failure "$@"
