#!/usr/bin/env bash
# Builds Orlenza.exe with its tools and starts it under Wine: on $DISPLAY when
# one answers, otherwise on a private Xvfb, where a screenshot of the main
# dialog is saved and the program is closed again. ORLENZA_DPI=144 (say)
# runs it at that DPI, in a prefix of its own (screenshot-144.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/target.sh"
orlenza_say_target
bash "$root/tools/build.sh"
# Only now: the Wine environment sets a Chinese locale for the programs.
source "$root/tools/wine-env.sh"
build="$ORLENZA_TARGET_BUILD"
bash "$root/tools/prepare-prefix.sh" "$build/bin" || { echo "run: preparing the Wine prefix failed" >&2; exit 1; }
source "$root/tools/xvfb.sh"
if display_answers; then
  echo "Starting Orlenza on $DISPLAY"
  exec "$ORLENZA_WINE" "$build/bin/Orlenza.exe"
fi
start_private_xvfb || { echo "run: could not start Xvfb" >&2; exit 1; }
trap 'wineserver -k 2>/dev/null || true; kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
echo "No display answers: running Orlenza on a private Xvfb ($DISPLAY)."
wine "$build/bin/Orlenza.exe" >/dev/null 2>&1 &
program=$!
# The geometry of the program's top-level window "Orlenza" on the screen:
# xwininfo gives WxH+X+Y relative to the parent (the Wine desktop window),
# then +X+Y on the root window, which is what the crop needs.
orlenza_geometry() {
  xwininfo -root -tree 2>/dev/null |
    awk '/"Orlenza": \("orlenza.exe"/ { for (i = 1; i < NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) {
           split($i, size, "+"); print size[1] $(i + 1); exit } }'
}
geometry=""
for _ in $(seq 1 300); do
  geometry=$(orlenza_geometry)
  [[ -n "$geometry" ]] && break
  sleep 0.1
done
[[ -n "$geometry" ]] || echo "The dialog did not appear within 30 s; the screenshot shows the whole screen." >&2
sleep 1  # let the dialog finish painting
# Read again: the window can be mapped before it is moved to the centre.
geometry=$(orlenza_geometry)
shot="$ORLENZA_BUILD/screenshot${ORLENZA_DPI:+-$ORLENZA_DPI}.png"
import -window root ${geometry:+-crop "$geometry"} "$shot" || { echo "run: taking the screenshot failed" >&2; exit 1; }
echo "Screenshot of the main dialog: $shot"
echo "Closing Orlenza (there is no display to use it on)."
wineserver -k 2>/dev/null || true
wait "$program" 2>/dev/null || true
