#!/usr/bin/env bash
# Configures and builds Orlenza.exe and its tests (warnings are errors) for
# the target tools/target.sh chose, into build/<target>, then builds
# jhead.exe and jpegtran.exe for it from Debian's sources when they are
# missing and puts them beside Orlenza.exe. The shipped 32-bit build is
# compiled on every machine, also where it cannot run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/target.sh"
bash "$root/tools/ensure-deps.sh"

build_target() {  # build_target ARCH
  local tree="$ORLENZA_BUILD/$1"
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORLENZA_WERROR=ON -DBUILD_TESTING=ON >/dev/null ||
    { echo "build: configuring the $1 build in $tree failed" >&2; return 1; }
  cmake --build "$tree" || { echo "build: compiling the $1 build failed" >&2; return 1; }
}

if [[ "$ORLENZA_ARCH" != i686 ]]; then
  build_target i686
fi
build_target "$ORLENZA_ARCH"
ORLENZA_ARCH=$ORLENZA_ARCH bash "$root/tools/build-exif-tools.sh" "$ORLENZA_TARGET_BUILD/exif" ||
  { echo "build: building jhead.exe and jpegtran.exe failed" >&2; exit 1; }
cp -f "$ORLENZA_TARGET_BUILD/exif/jhead.exe" "$ORLENZA_TARGET_BUILD/exif/jpegtran.exe" "$ORLENZA_TARGET_BUILD/bin/"
