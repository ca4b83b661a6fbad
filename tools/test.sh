#!/usr/bin/env bash
# Builds everything and runs every test: each test program under Wine in the
# target's private prefix, on a private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/target.sh"
orlenza_say_target
bash "$root/tools/build.sh"
# The native fuzz target of what jhead.exe does with a photo, which
# test_fuzz_replay runs under the sanitizers (tools/fuzz.sh); only the tests
# need it.
bash "$root/tools/fuzz.sh" --build || { echo "test: building the fuzz target failed" >&2; exit 1; }
# Only now: the Wine environment sets a Chinese locale for the programs.
source "$root/tools/wine-env.sh"
build="$ORLENZA_TARGET_BUILD"
source "$root/tools/xvfb.sh"
start_private_xvfb || { echo "test: could not start Xvfb" >&2; exit 1; }
# The folder of the program the tests start (the checked build, with its
# assertions active) on the machine PATH, as an installation has it.
bash "$root/tools/prepare-prefix.sh" "$build/checked" || { echo "test: preparing the Wine prefix failed" >&2; exit 1; }
# One Wine server for the whole run instead of one start per test.
wineserver -p
# The first Wine program of a session starts the prefix's background
# processes (services, the desktop), which inherit its output and keep it
# open: ctest would wait for that test's output until its time-out. Start
# them here, on nothing.
wine cmd /c exit >/dev/null 2>&1 </dev/null || { echo "test: Wine does not start programs ($ORLENZA_WINE)" >&2; exit 1; }
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
echo "Running the tests of the $ORLENZA_ARCH build under $ORLENZA_WINE"
ctest --test-dir "$build" --output-on-failure "$@" || { echo "test: some tests of the $ORLENZA_ARCH build failed" >&2; exit 1; }
