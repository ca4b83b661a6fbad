#!/usr/bin/env bash
# Builds Orlenza.exe with its tools and starts it under Wine: on $DISPLAY when
# one answers, otherwise on a private Xvfb, where a screenshot of the main
# dialog is saved and the program is closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ORLENZA_BUILD:-$root/build}"
bash "$root/tools/build.sh"
source "$root/tools/wine-env.sh"
bash "$root/tools/prepare-prefix.sh" "$build/bin"
source "$root/tools/xvfb.sh"
if display_answers; then
  echo "Starting Orlenza on $DISPLAY"
  exec wine "$build/bin/Orlenza.exe"
fi
start_private_xvfb
echo "No display answers: running Orlenza on a private Xvfb ($DISPLAY)."
wine "$build/bin/Orlenza.exe" &
program=$!
# Wait for the dialog to be mapped, then photograph it.
for _ in $(seq 1 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Orlenza"'; then break; fi
  sleep 0.1
done
sleep 1  # let the dialog finish painting
shot="$build/screenshot.png"
geometry=$(xwininfo -root -tree | grep '"Orlenza"' | head -1 | grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' | head -1)
import -window root ${geometry:+-crop "$geometry"} "$shot"
echo "Screenshot of the main dialog: $shot"
echo "Closing Orlenza (there is no display to use it on)."
wineserver -k 2>/dev/null || true
wait "$program" 2>/dev/null || true
