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

die() { echo "ensure-deps: $*" >&2; exit 1; }
say() { echo "ensure-deps: $*"; }
source "$(dirname "$0")/packages.sh"
ensure_packages "${pkgs[@]}"

# Our users run Simplified Chinese Windows; jhead.exe is an ANSI program, so
# Chinese paths only survive under Wine when its ANSI code page is 936, which
# it derives from a zh_CN locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null || { echo "ensure-deps: locale-gen zh_CN.UTF-8 failed" >&2; exit 1; }
fi
