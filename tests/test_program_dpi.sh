#!/usr/bin/env bash
# test_program's layout case again, on the built Orlenza.exe at 150 % and
# 200 %: program and test in a prefix of their own set to 144, then to 192 DPI,
# on an X screen of the same size in inches (ORLENZA_DPI, see wine-env.sh).
# Usage (from ctest): tests/test_program_dpi.sh ARCH BUILD_TREE TEST_PROGRAM_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ORLENZA_ARCH=$1 ORLENZA_BUILD=${2%/*}
failed=0
for dpi in 144 192; do
  unset WINEPREFIX  # the suite's own prefix and display are left alone
  export ORLENZA_DPI=$dpi
  source "$root/tools/wine-env.sh"
  source "$root/tools/xvfb.sh"
  start_private_xvfb || { echo "FAIL could not start Xvfb"; exit 1; }
  trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
  bash "$root/tools/prepare-prefix.sh" "$2/checked" || { echo "FAIL preparing the prefix at $dpi DPI"; exit 1; }
  output=$(wine "$3" the_dialog_is_laid_out_for_the_screen_s_dpi </dev/null 2>&1) || true
  echo "$output"
  grep -q "^at $dpi DPI" <<<"$output" && grep -q "^1 passed, 0 failed" <<<"$output" || failed=1
  wineserver -k 2>/dev/null || true
  wineserver -w
  kill "$ORLENZA_XVFB_PID" 2>/dev/null || true
done
exit $failed
