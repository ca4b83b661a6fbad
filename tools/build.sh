#!/usr/bin/env bash
# Configures and builds Orlenza.exe and its tests (warnings are errors) for
# the target tools/target.sh chose, into build/<target>, then builds
# jhead.exe and jpegtran.exe for it (and for the shipped i686 build) from
# Debian's sources when they are missing and puts them beside Orlenza.exe.
# The shipped 32-bit build is compiled on every machine, also where it
# cannot run.
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
# The shipped tools too, wherever the tests run the 64-bit ones: the release
# and its tests pack them. Each build is skipped while it is up to date.
exif_archs=(i686)
[[ "$ORLENZA_ARCH" == i686 ]] || exif_archs+=("$ORLENZA_ARCH")
for arch in "${exif_archs[@]}"; do
  ORLENZA_ARCH=$arch bash "$root/tools/build-exif-tools.sh" "$ORLENZA_BUILD/$arch/exif" ||
    { echo "build: building jhead.exe and jpegtran.exe for $arch failed" >&2; exit 1; }
done
# Beside the shipped program and beside the checked one the black-box tests start.
for dir in bin checked; do
  cp -f "$ORLENZA_TARGET_BUILD/exif/jhead.exe" "$ORLENZA_TARGET_BUILD/exif/jpegtran.exe" "$ORLENZA_TARGET_BUILD/$dir/"
done
