#!/usr/bin/env bash
# The built Orlenza.exe at 150 % and 200 %: test_program's layout case again,
# with the program and the test in a prefix of their own set to 144 and then
# 192 DPI, each time on an X screen of the same size in inches.
#
# Usage (from ctest): tests/test_program_dpi.sh ARCH BUILD_TREE TEST_PROGRAM_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ORLENZA_ARCH=$1 ORLENZA_BUILD=${2%/*}
tree=$2 driver=$3
failed=0
for dpi in 144 192; do
  # The suite's own prefix and display are left alone.
  unset WINEPREFIX
  export ORLENZA_DPI=$dpi
  source "$root/tools/wine-env.sh"
  source "$root/tools/xvfb.sh"
  start_private_xvfb || { echo "FAIL could not start Xvfb"; exit 1; }
  trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
  bash "$root/tools/prepare-prefix.sh" "$tree/bin" || { echo "FAIL preparing the prefix at $dpi DPI"; exit 1; }
  output=$(wine "$driver" the_dialog_is_laid_out_for_the_screen_s_dpi </dev/null 2>&1) || true
  echo "$output"
  grep -q "^at $dpi DPI" <<<"$output" || { echo "FAIL the test did not run at $dpi DPI"; failed=1; }
  grep -q "^1 passed, 0 failed" <<<"$output" || failed=1
  wineserver -k 2>/dev/null || true
  wineserver -w
  kill "$ORLENZA_XVFB_PID" 2>/dev/null || true
done
exit $failed
