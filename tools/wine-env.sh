# Sourced by the entry scripts and by the test wrapper: the environment every
# Wine process of ours runs in. Callers may preset WINEPREFIX.
: "${ORLENZA_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export ORLENZA_BUILD
export WINEPREFIX="${WINEPREFIX:-$ORLENZA_BUILD/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing of ours needs them, and their installers would
# pop up dialogs on a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 936, as on our users' machines (see ensure-deps.sh).
export LC_ALL=zh_CN.UTF-8
