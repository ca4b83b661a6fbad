#!/usr/bin/env bash
# Builds the two helper programs Orlenza starts to turn photos upright:
#
#   OUTDIR/jhead.exe     reads the Exif orientation, runs jpegtran, rewrites the header
#   OUTDIR/jpegtran.exe  turns the picture losslessly (libjpeg-turbo)
#
# Both are built from Debian's own source packages (apt-get source) with the
# MinGW-w64 cross compiler as static Windows programs, so they need no MinGW
# DLLs beside them: 32-bit (i686, what we ship) unless ORLENZA_ARCH=x86_64
# asks for the 64-bit build that is tested where 32-bit programs cannot run.  Sources and build trees go to OUTDIR/exif-src; none
# of it, nor the .exe files, belongs in git.
#
# Usage: tools/build-exif-tools.sh [--force] OUTDIR
#
# A second run returns at once while both .exe files are there and were made
# from the current build inputs (this script, tools/exif/sources.sh, *.c,
# *.h, *.patch, *.cmake, the target);
# --force rebuilds anyway.  Missing Debian packages are installed, which needs
# root.  tools/exif/verify.sh OUTDIR checks the result under Wine.
set -euo pipefail

die() { echo "build-exif-tools: $*" >&2; exit 1; }
say() { echo "build-exif-tools: $*"; }

force=0
outdir=
arch=${ORLENZA_ARCH:-i686}
case $arch in
    i686) pe_format=pei-i386 ;;
    x86_64) pe_format=pei-x86-64 ;;
    *) die "ORLENZA_ARCH must be i686 or x86_64, not '$arch'" ;;
esac
for arg in "$@"; do
    case $arg in
        --force) force=1 ;;
        -h|--help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
        -*) die "unknown option $arg" ;;
        *) [ -z "$outdir" ] || die "only one OUTDIR, please"; outdir=$arg ;;
    esac
done
[ -n "$outdir" ] || die "usage: $0 [--force] OUTDIR"

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exifdir=$here/exif
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
stampfile=$outdir/.exif-tools.stamp

# Anything that changes what ends up in the .exe files must be in this hash,
# or a changed shim would be silently skipped on machines that built before.
inputs_hash() {
    { echo "$arch"; cat "$here/build-exif-tools.sh" "$exifdir/sources.sh" "$exifdir/nasm-relative.sh" "$exifdir"/*.c "$exifdir"/*.h "$exifdir"/*.patch "$exifdir"/*.cmake; } | sha256sum | cut -d' ' -f1
}
want_stamp=$(inputs_hash)

up_to_date() {
    [ -f "$outdir/jhead.exe" ] && [ -f "$outdir/jpegtran.exe" ] &&
        [ -f "$stampfile" ] && [ "$(cat "$stampfile")" = "$want_stamp" ]
}

if [ "$force" = 0 ] && up_to_date; then
    say "jhead.exe and jpegtran.exe in $outdir are up to date"
    exit 0
fi

# Two builds into the same OUTDIR (say, two terminals after a fresh clone)
# would delete each other's source trees half-way.
exec 9>"$outdir/.exif-tools.lock"
flock 9
if [ "$force" = 0 ] && up_to_date; then
    say "built meanwhile by another run; nothing to do"
    exit 0
fi

started=$(date +%s)

# ---------------------------------------------------------------- packages

source "$exifdir/sources.sh"

# dpkg-dev brings dpkg-source for apt-get source; nasm is for libjpeg-turbo's
# x86 SIMD code, which Debian's own build uses too.  Both programs are plain C,
# so the C cross compiler is enough.
ensure_packages dpkg-dev patch xz-utils util-linux cmake ninja-build nasm \
    "gcc-mingw-w64-${arch//_/-}-posix" "binutils-mingw-w64-${arch//_/-}" "mingw-w64-${arch//_/-}-dev"

ensure_deb_src jhead libjpeg-turbo

# ----------------------------------------------------------------- sources

CC=$arch-w64-mingw32-gcc
OBJDUMP=$arch-w64-mingw32-objdump

work=$outdir/exif-src
unpack_log=$work/dpkg-source.log
fetch_sources "$work" jhead libjpeg-turbo
# OUTDIR may well sit inside a git work tree; keep these sources out of it.
echo '*' >"$work/.gitignore"
cd "$work"
set -- jhead_*.dsc
{ [ $# = 1 ] && [ -f "$1" ]; } || die "expected one jhead .dsc, got: $*"
jhead_dsc=$work/$1
set -- libjpeg-turbo_*.dsc
{ [ $# = 1 ] && [ -f "$1" ]; } || die "expected one libjpeg-turbo .dsc, got: $*"
ljt_dsc=$work/$1

# libjpeg-turbo: Debian's patch series as it is (a UTC build stamp, no RPATH, a
# man page fix, and an upstream fix that sets up SIMD support before each
# use in the i386 code we build).
unpack -x "$ljt_dsc" "$work/libjpeg-turbo"

# jhead, patched as tools/exif/sources.sh decided.
prepare_jhead "$jhead_dsc" "$work/jhead"
cd "$work/jhead"

# ------------------------------------------- names outside the ANSI code page

# Both programs are ANSI programs: a path that the machine's code page cannot
# spell (a Korean or emoji name on a Chinese machine) reaches them with '?'
# in its place, so the photo is missed or, '?' being a wildcard, another file
# is turned.  A manifest that sets their active code page to UTF-8 (honoured
# by Windows 10 1903 and later, and by Wine) makes every Unicode path reach
# them intact, also inside their own wildcard expansion (see sources.sh for
# the path buffers this needs).
cat >"$work/utf8.manifest" <<'MANIFEST'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
    </windowsSettings>
  </application>
</assembly>
MANIFEST
# Resource 1 of type 24 (RT_MANIFEST) is the one a program's loader reads.
printf '1 24 "%s"\n' "$work/utf8.manifest" >"$work/utf8-manifest.rc"
"$arch-w64-mingw32-windres" "$work/utf8-manifest.rc" -O coff -o "$work/utf8-manifest.o" ||
    die "compiling the UTF-8 manifest failed"
utf8_manifest=$work/utf8-manifest.o

# ------------------------------------------------------------------- build

jobs=$(nproc 2>/dev/null || echo 2)
# The same sources give the same bytes: no link time stamp in the PE header,
# and libjpeg-turbo's build date (shown by jpegtran -version) taken from its
# Debian changelog, as Debian's own build does.
ldflags_repro=-Wl,--no-insert-timestamp
# With debug information, for reading a crash address from a user's machine:
# tools/package.sh ships the programs stripped and keeps their symbols apart.
# Names in it are relative to the build folder ("."), tools/exif as itself, so
# that the same sources give the same bytes in any folder.
debug_flags=(-g "-ffile-prefix-map=$work=." "-ffile-prefix-map=$exifdir=tools/exif")
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$work/libjpeg-turbo/debian/changelog" -STimestamp)
export SOURCE_DATE_EPOCH
stage=$work/stage
mkdir -p "$stage"

say "building jpegtran.exe ($(basename "$ljt_dsc" .dsc), $arch)"
cmake -S "$work/libjpeg-turbo" -B "$work/build-libjpeg-turbo" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$exifdir/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$work/unused-prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF \
    -DREQUIRE_SIMD=ON \
    -DCMAKE_C_FLAGS="${debug_flags[*]}" \
    -DCMAKE_ASM_NASM_COMPILER="$exifdir/nasm-relative.sh" \
    -DCMAKE_EXE_LINKER_FLAGS="-static $ldflags_repro $utf8_manifest" >"$work/cmake-libjpeg-turbo.log" 2>&1 ||
    { tail -30 "$work/cmake-libjpeg-turbo.log" >&2; die "cmake failed for libjpeg-turbo"; }
# jpeg-static too: jhead.exe turns pictures with the same library in its own
# process.
ninja -C "$work/build-libjpeg-turbo" -j "$jobs" jpegtran-static jpeg-static >"$work/ninja-libjpeg-turbo.log" 2>&1 ||
    { tail -30 "$work/ninja-libjpeg-turbo.log" >&2; die "building jpegtran failed"; }

cp "$work/build-libjpeg-turbo/jpegtran-static.exe" "$stage/jpegtran.exe"

say "building jhead.exe ($(basename "$jhead_dsc" .dsc), $arch)"
# The file list is upstream's makefile-win32 (the Unix makefile lacks myglob.c,
# jhead's Windows wildcard code).  -Dsystem=... sends jhead's system() calls
# through tools/exif/jhead-win32-shim.c; see there why.
jhead_sources=(jhead.c jpgfile.c jpgqguess.c myglob.c paths.c exif.c iptc.c gpsinfo.c makernote.c)
"$CC" -O2 "${debug_flags[@]}" -D_CRT_SECURE_NO_WARNINGS -Dsystem=jhead_checked_system "$jhead_path_define" \
    -c "${jhead_sources[@]}" 2>"$work/jhead-build.log" ||
    { cat "$work/jhead-build.log" >&2; die "compiling jhead failed"; }
"$CC" -O2 "${debug_flags[@]}" -c -o jhead-win32-shim.o "$exifdir/jhead-win32-shim.c"
# jhead-autorot.c includes jhead.h, whose structures hold path buffers: it
# must see the same buffer size as the rest of jhead.
# Its workers wait on condition variables, which Windows has from Vista on.
"$CC" -O2 "${debug_flags[@]}" -Wall -Wextra -Werror -D_CRT_SECURE_NO_WARNINGS -D_WIN32_WINNT=0x0601 "$jhead_path_define" -I. -I"$exifdir" \
    -c -o jhead-autorot.o "$exifdir/jhead-autorot.c"
# The turn itself and what it takes from jhead's reading are plain C with no
# Windows in them (the fuzz target builds them natively too).
"$CC" -O2 "${debug_flags[@]}" -Wall -Wextra -Werror -c -o autorot-core.o "$exifdir/autorot-core.c"
"$CC" -O2 "${debug_flags[@]}" -Wall -Wextra -Werror -D_CRT_SECURE_NO_WARNINGS "$jhead_path_define" -I. -I"$exifdir" -c -o autorot-jhead.o "$exifdir/autorot-jhead.c"
# The lossless turn: libjpeg-turbo's transform code (transupp.c, which
# jpegtran is made of) and the library, from the same build as jpegtran.exe.
ljt_includes=(-I"$work/libjpeg-turbo" -I"$work/build-libjpeg-turbo")
# As libjpeg-turbo's own build compiles it (its transposing loops are a good
# part of a turn).
"$CC" -O3 -DNDEBUG "${debug_flags[@]}" "${ljt_includes[@]}" -c -o transupp.o "$work/libjpeg-turbo/transupp.c"
"$CC" -O2 "${debug_flags[@]}" -Wall -Wextra -Werror "${ljt_includes[@]}" -c -o autorot-turn.o "$exifdir/autorot-turn.c"
"$CC" -static $ldflags_repro -o "$stage/jhead.exe" "${jhead_sources[@]/%.c/.o}" jhead-win32-shim.o jhead-autorot.o \
    autorot-core.o autorot-jhead.o autorot-turn.o transupp.o "$work/build-libjpeg-turbo/libjpeg.a" "$utf8_manifest" -lm

# ------------------------------------------------------------------- check

# Orlenza ships these two files alone beside Orlenza.exe: they must be built
# for the target asked for and import nothing but DLLs every Windows has (no
# libgcc_s, libwinpthread, or the UCRT, which older Windows lacks).
system_dlls='^(kernel32|msvcrt|user32|advapi32|shell32)\.dll$'
for exe in jhead.exe jpegtran.exe; do
    # Read whole before matching: grep -q would leave objdump writing into a
    # closed pipe, and pipefail would take its SIGPIPE for a mismatch.
    header=$("$OBJDUMP" -f "$stage/$exe")
    grep -q "file format $pe_format\$" <<<"$header" || die "$exe is not a $arch Windows program"
    dlls=$("$OBJDUMP" -p "$stage/$exe" | awk '/DLL Name:/ { print $3 }')
    [ -n "$dlls" ] || die "$exe imports no DLLs at all, which cannot be right"
    while read -r dll; do
        echo "$dll" | tr '[:upper:]' '[:lower:]' | grep -Eq "$system_dlls" || die "$exe needs $dll, which Windows does not ship"
    done <<<"$dlls"
    say "$exe imports only: ${dlls//$'\n'/ }"
done

# Replace the old files only now, each by a rename, so an interrupted or
# failed build never leaves a half-written .exe that the next run would take
# as done; without a stamp the next run builds again.
rm -f "$stampfile"
for exe in jhead.exe jpegtran.exe; do
    cp "$stage/$exe" "$outdir/.$exe.new"
    mv -f "$outdir/.$exe.new" "$outdir/$exe"
done
echo "$want_stamp" >"$stampfile"

say "done in $(( $(date +%s) - started ))s: $outdir/jhead.exe, $outdir/jpegtran.exe"
