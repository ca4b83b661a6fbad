#!/usr/bin/env bash
# Installs everything that building, running and testing Orlenza needs on a
# Debian 12 machine, as root, for the target tools/target.sh chose. Cheap
# when everything is already there, so both entry scripts call it
# unconditionally.
set -euo pipefail
source "$(dirname "$0")/target.sh"

pkgs=(
  cmake ninja-build
  # The shipped 32-bit program is compiled on every machine.
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  xvfb xauth x11-utils  # xdpyinfo, xwininfo
  fonts-wqy-microhei # the CJK font the Wine prefix links to (outlines only: no blocky embedded bitmaps at dialog sizes)
  fonts-wine         # the symbol font Wine draws the caption buttons with
  locales            # zh_CN.UTF-8: makes Wine's ANSI code page 936
  dpkg-dev           # apt-get source, for the Exif tools
  imagemagick libimage-exiftool-perl  # test photos and their metadata
  nsis python3 unzip # the installer and the zip, which the tests build and read too
  clang libfuzzer-14-dev llvm-14  # the native fuzz target and its sanitizers' reports (tools/fuzz.sh)
)
if [[ "$ORLENZA_ARCH" == i686 ]]; then
  pkgs+=(wine wine32:i386)
else
  # No wine32: on a kernel without 32-bit support it could not run anyway.
  pkgs+=(wine wine64 g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "ensure-deps: installing ${missing[*]}"
  # wine32 is an i386 package: the architecture must be known before apt can see it.
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q >/dev/null || { echo "ensure-deps: apt-get update failed" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
    { echo "ensure-deps: installing ${missing[*]} failed" >&2; exit 1; }
fi

# Our users run Simplified Chinese Windows; jhead.exe is an ANSI program, so
# Chinese paths only survive under Wine when its ANSI code page is 936, which
# it derives from a zh_CN locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null || { echo "ensure-deps: locale-gen zh_CN.UTF-8 failed" >&2; exit 1; }
fi
