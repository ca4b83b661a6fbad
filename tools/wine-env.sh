# Sourced by the entry scripts and by the test wrapper: the environment every
# Wine process of ours runs in, for the target that tools/target.sh chose.
# Callers may preset WINEPREFIX.
source "$(dirname "${BASH_SOURCE[0]}")/target.sh"
# Each target has its own prefix: a 64-bit prefix and a 32-bit one must never
# mix, and Wine refuses to use a prefix made for the other architecture.
# ORLENZA_DPI chooses a second one, which prepare-prefix.sh sets to that DPI.
export WINEPREFIX="${WINEPREFIX:-$ORLENZA_TARGET_BUILD/wineprefix${ORLENZA_DPI:+-dpi}}"
# The screen (Xvfb's, and the prefix's virtual desktop): 1280 x 1024 at 96 DPI,
# the same size in inches at any other.
export ORLENZA_SCREEN="$((1280 * ${ORLENZA_DPI:-96} / 96))x$((1024 * ${ORLENZA_DPI:-96} / 96))"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing of ours needs them, and their installers would
# pop up dialogs on a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 936, as on our users' machines (see ensure-deps.sh).
export LC_ALL=zh_CN.UTF-8

# The loader is named directly for the 64-bit target: Debian's `wine` wrapper
# (and so `wineboot`, `winepath`) picks the 32-bit loader whenever wine32 is
# installed, even on a kernel that cannot run it. The functions are exported
# so that scripts started from here use the same loader.
if [[ "$ORLENZA_ARCH" == x86_64 ]]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export ORLENZA_WINE=/usr/lib/wine/wine64 ORLENZA_WINESERVER=/usr/lib/wine/wineserver64
else
  export WINEARCH=win32
  export ORLENZA_WINE=/usr/bin/wine ORLENZA_WINESERVER=/usr/bin/wineserver
fi
wine() { "$ORLENZA_WINE" "$@"; }
wineserver() { "$ORLENZA_WINESERVER" "$@"; }
wineboot() { wine wineboot "$@"; }
winepath() { wine winepath "$@"; }
export -f wine wineserver wineboot winepath
