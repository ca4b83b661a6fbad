#!/usr/bin/env bash
# Configures and builds Orlenza.exe and its tests into build/ (warnings are
# errors), then builds jhead.exe and jpegtran.exe from Debian's sources when
# they are missing and puts them beside Orlenza.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ORLENZA_BUILD:-$root/build}"
bash "$root/tools/ensure-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DORLENZA_WERROR=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build"
bash "$root/tools/build-exif-tools.sh" "$build/exif"
cp -f "$build/exif/jhead.exe" "$build/exif/jpegtran.exe" "$build/bin/"
