#!/usr/bin/env bash
# Creates and configures the private Wine prefix under the build folder:
#   - Windows 10 as the version the prefix reports (Wine 8 claims Windows 7
#     by default), as on our users' machines: the program hands Unicode paths
#     to the tools only where the platform honours their UTF-8 manifest,
#     which it tells by the Windows build, and Wine honours it as Windows 10
#     does;
#   - a virtual desktop, so that without a window manager new windows are
#     still framed and activated, and every process shares one desktop (the
#     black-box tests look for the program's windows from another process);
#   - the CJK font: "宋体" (the dialog font) substituted by WenQuanYi Micro Hei
#     and linked behind Tahoma, otherwise Chinese text draws as boxes;
#   - the symbol font of the caption buttons;
#   - optionally a folder appended to the machine PATH (argument 1), as an
#     installation does: the program's start-up check looks for it there;
#   - with ORLENZA_DPI set, that DPI (96 is 100 %, 144 is 150 %) and a
#     desktop of ORLENZA_SCREEN (wine-env.sh). Wine takes the DPI from
#     LogPixels, for every monitor and every program of the prefix, when the
#     prefix's server starts; wine-env.sh gives such runs a prefix of their own.
# Idempotent: a stamp records the configuration that was applied.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
path_dir="${1:-}"

stamp="$WINEPREFIX/.orlenza-prefix-v3"
if [[ ! -f "$stamp" ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  reg=$(mktemp --suffix=.reg)
  # regedit wants UTF-16 for anything beyond ASCII (the value name 宋体).
  iconv -f UTF-8 -t UTF-16 > "$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win10"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x1024"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"新宋体"="WenQuanYi Micro Hei"
REG
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  rm -f "$reg"
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$stamp"
fi

# The caption's close box and the other caption buttons are glyphs of the
# symbol font Marlett. Debian's fonts-wine ships it, but the Wine loader does
# not look in that package's folder, so without a copy in the prefix's Fonts
# folder the close box shows the letter "r".
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [[ ! -f "$fonts/marlett.ttf" ]]; then
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/" ||
    { echo "prepare-prefix: could not copy the caption symbol font (fonts-wine) into the prefix" >&2; exit 1; }
fi

if [[ -n "$path_dir" ]]; then
  win_dir=$(winepath -w "$path_dir" 2>/dev/null)
  key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
  current=$(wine reg query "$key" /v PATH 2>/dev/null | tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]* *//p')
  case ";${current^^};" in
    *";${win_dir^^};"*) ;;
    *) wine reg add "$key" /v PATH /t REG_EXPAND_SZ /d "${current:+$current;}$win_dir" /f >/dev/null 2>&1
       wineserver -w ;;
  esac
fi

if [[ -n "${ORLENZA_DPI:-}" ]]; then
  { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ORLENZA_DPI" /f &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$ORLENZA_SCREEN" /f; } >/dev/null 2>&1 ||
    { echo "prepare-prefix: could not set the prefix to $ORLENZA_DPI DPI" >&2; exit 1; }
fi

# Let the server that these commands started go away: a later program must
# not inherit a desktop that was made without the caller's display, nor the
# DPI of the server before.
wineserver -w
