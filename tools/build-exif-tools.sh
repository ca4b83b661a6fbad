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
# from the current build inputs (this script, tools/exif/*.c, *.h, *.patch,
# *.cmake, the target);
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
    { echo "$arch"; cat "$here/build-exif-tools.sh" "$exifdir"/*.c "$exifdir"/*.h "$exifdir"/*.patch "$exifdir"/*.cmake; } | sha256sum | cut -d' ' -f1
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

apt_updated=0
apt_update() {
    [ "$apt_updated" = 1 ] && return 0
    say "apt-get update"
    apt-get update -qq
    apt_updated=1
}

need_root() {
    [ "$(id -u)" = 0 ] || die "$1 needs root; run this script as root once (or do it by hand)"
}

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$p")
    done
    [ ${#missing[@]} = 0 ] && return 0
    need_root "installing ${missing[*]}"
    apt_update
    say "installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# dpkg-dev brings dpkg-source for apt-get source; nasm is for libjpeg-turbo's
# x86 SIMD code, which Debian's own build uses too.  Both programs are plain C,
# so the C cross compiler is enough.
ensure_packages dpkg-dev patch xz-utils util-linux cmake ninja-build nasm \
    "gcc-mingw-w64-${arch//_/-}-posix" "binutils-mingw-w64-${arch//_/-}" "mingw-w64-${arch//_/-}-dev"

# apt-get source needs deb-src entries.  Debian 12 keeps its sources in deb822
# form (/etc/apt/sources.list.d/debian.sources) with "Types: deb" only; older
# installs use one-line entries in /etc/apt/sources.list.  We never edit those
# files: a separate file repeats every entry as deb-src, so removing it undoes
# this completely.
debsrc_file=/etc/apt/sources.list.d/orlenza-deb-src
has_deb_src() {
    grep -Eqs '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
        grep -Eqs '^Types:.*[[:space:]]deb-src([[:space:]]|$)' /etc/apt/sources.list.d/*.sources
}

ensure_deb_src() {
    if ! has_deb_src; then
        need_root "adding deb-src entries to APT"
        local f
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            # One stanza per blank-line-separated block; keep everything but
            # the Types line.
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /(^|\n)Types:[^\n]*deb([ \t]|\n|$)/ {
                     sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print
                 }' "$f"
        done >"$debsrc_file.sources.new"
        if [ -s "$debsrc_file.sources.new" ]; then
            mv "$debsrc_file.sources.new" "$debsrc_file.sources"
        else
            rm -f "$debsrc_file.sources.new"
        fi
        sed -n 's/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p' \
            /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null >"$debsrc_file.list.new" || true
        if [ -s "$debsrc_file.list.new" ]; then
            mv "$debsrc_file.list.new" "$debsrc_file.list"
        else
            rm -f "$debsrc_file.list.new"
        fi
        has_deb_src || die "found no Debian entries to repeat as deb-src in /etc/apt"
        say "added deb-src entries in $debsrc_file.*"
        apt_updated=0
    fi
    # Entries alone are not enough: the Sources index must have been fetched.
    if [ -z "$(apt-cache showsrc jhead 2>/dev/null)" ] || [ -z "$(apt-cache showsrc libjpeg-turbo 2>/dev/null)" ]; then
        need_root "apt-get update"
        apt_update
    fi
    [ -n "$(apt-cache showsrc jhead 2>/dev/null)" ] || die "APT knows no source package jhead"
    [ -n "$(apt-cache showsrc libjpeg-turbo 2>/dev/null)" ] || die "APT knows no source package libjpeg-turbo"
}
ensure_deb_src

# ----------------------------------------------------------------- sources

CC=$arch-w64-mingw32-gcc
OBJDUMP=$arch-w64-mingw32-objdump

work=$outdir/exif-src
rm -rf "$work"
mkdir -p "$work/dl"
# OUTDIR may well sit inside a git work tree; keep these sources out of it.
echo '*' >"$work/.gitignore"
cd "$work/dl"
# A fresh download folder each time, so exactly one version of each package is
# here; the two are a few MB.  Root's apt-get warns that _apt cannot reach the
# folder and downloads unsandboxed, which is harmless here.
apt-get source --download-only -qq jhead libjpeg-turbo >"$work/apt-source.log" 2>&1 ||
    { cat "$work/apt-source.log" >&2; die "apt-get source failed"; }
grep -v 'unsandboxed as root' "$work/apt-source.log" >&2 || true
set -- jhead_*.dsc
{ [ $# = 1 ] && [ -f "$1" ]; } || die "expected one jhead .dsc, got: $*"
jhead_dsc=$1
set -- libjpeg-turbo_*.dsc
{ [ $# = 1 ] && [ -f "$1" ]; } || die "expected one libjpeg-turbo .dsc, got: $*"
ljt_dsc=$1

# libjpeg-turbo: Debian's patch series as it is (a UTC build stamp, no RPATH, a
# man page fix, and an upstream fix that sets up SIMD support before each
# use in the i386 code we build).
# dpkg-source cannot check the uploaders' signatures without debian-keyring and
# says so loudly; apt has already checked the files against the signed
# archive index, so its output is kept in a log unless it fails.
unpack() {
    dpkg-source "$@" >>"$work/dpkg-source.log" 2>&1 ||
        { cat "$work/dpkg-source.log" >&2; die "dpkg-source $* failed"; }
}
unpack -x "$ljt_dsc" "$work/libjpeg-turbo"

# jhead: unpacked without Debian's patches, then only the ones we chose.
unpack --skip-patches -x "$jhead_dsc" "$work/jhead"
cd "$work/jhead"

# Every patch in Debian's series must be one we have decided about, so that a
# new Debian revision with a new patch stops here for a person to look at.
#   02_exif.c           applied: out-of-bounds read when printing the Exif
#                       map (-exifmap)
#   fix_cve_2021_34055  applied: a section with a malformed Exif header is
#                       discarded instead of kept (crash fix)
#   fix_parallel_build, fix_cppflags
#                       not applied: they change only the Unix makefile, which
#                       we do not use (it leaves out myglob.c, which Windows needs)
#   fix_cve_2022_41751  NOT applied, on purpose.  It makes -autorot refuse
#                       file names containing any of " ; ' & | ` $ -- but only
#                       after the picture itself has already been turned and
#                       before the header is rewritten.  jpegtran does not copy
#                       the Exif block, so names such as Tom's.jpg or
#                       "Mum & Dad.jpg" would lose their whole Exif block
#                       (camera, date taken, GPS) and their thumbnail.  The
#                       check guards a Unix shell; on Windows the names reach
#                       the command processor inside double quotes, and a
#                       Windows file name cannot contain a double quote, so
#                       none of those characters can break out.  (cmd.exe does
#                       expand %NAME% inside quotes; the patch does not cover
#                       that either, see tools/exif/README.md.)
applied=(02_exif.c fix_cve_2021_34055)
known=(02_exif.c fix_cve_2021_34055 fix_parallel_build fix_cppflags fix_cve_2022_41751)
while read -r p _; do
    case $p in ''|'#'*) continue ;; esac
    printf '%s\n' "${known[@]}" | grep -qxF "$p" ||
        die "Debian's jhead has a new patch '$p'; decide about it in $0 first"
done <debian/patches/series
for p in "${applied[@]}"; do
    grep -qxF "$p" debian/patches/series || die "Debian's jhead no longer has patch '$p'"
    patch -s -p1 --fuzz=0 --no-backup-if-mismatch <"debian/patches/$p" || die "patch $p does not apply"
done
# Guard against the name check reaching us some other way (say, folded into
# a future upstream release).
if grep -q 'Command has invalid characters' jhead.c; then
    die "jhead.c refuses some file names in -autorot again; see the note on fix_cve_2022_41751"
fi

# Our own change to -autorot (tools/exif/jhead-autorot.patch hands each photo
# to tools/exif/jhead-autorot.c), decided against what upstream does:
#   - Metadata: upstream keeps the first Exif, XMP, IPTC and comment segment
#     and drops the rest (colour profiles, extended XMP, camera segments,
#     further comments, everything after the end marker, so also the extra
#     images of Multi-Picture files).  Ours writes every APPn and COM segment
#     of the photo back in its order and byte for byte, and the bytes after
#     the end marker; jpegtran's output gives only tables, frame and scans.
#     Only the Exif block changes (orientation, image sizes, thumbnail), an
#     XMP tiff:Orientation is set to 1 in place, Multi-Picture offsets move
#     with the main picture's end.  Metadata never stops a turn: what cannot
#     be edited exactly (a thumbnail jpegtran cannot turn, a Multi-Picture
#     index pointing outside the file) is carried over as it was.
#   - Starting jpegtran: upstream runs "jpegtran ..." through system(), so
#     the command processor takes the first jpegtran(.com/.exe/.bat/.cmd) in
#     the current folder (the photo's folder, as Orlenza used to start us) or
#     on the search path, and expands %NAME% in file names.  Ours starts
#     jpegtran.exe from jhead.exe's own folder by its full path with
#     CreateProcessW and a quoted argument list, for the picture and the
#     thumbnail alike; without it there, the photo stays as it is.
#   - Errors: upstream ends the process at the first photo jpegtran cannot
#     read, leaving its temporary output beside it and the later files of the
#     pattern unturned, and exits with 1 when a pattern matches nothing.  Ours
#     leaves that photo byte for byte, removes its temporary files, goes on
#     with the next one, and exits with 0 unless a photo that needed turning
#     could not be turned (files that are not JPEG, and patterns that match
#     nothing, are no failure).
patch -s -p1 --fuzz=0 --no-backup-if-mismatch <"$exifdir/jhead-autorot.patch" || die "jhead-autorot.patch does not apply"

# ------------------------------------------- names outside the ANSI code page

# Both programs are ANSI programs: a path that the machine's code page cannot
# spell (a Korean or emoji name on a Chinese machine) reaches them with '?'
# in its place, so the photo is missed or, '?' being a wildcard, another file
# is turned.  A manifest that sets their active code page to UTF-8 (honoured
# by Windows 10 1903 and later, and by Wine) makes every Unicode path reach
# them intact, also inside their own wildcard expansion.
#
# UTF-8 spends up to 3 bytes where the Windows path limit counts one UTF-16
# unit (a Chinese character takes 3 bytes instead of code page 936's 2), so
# jhead's path buffers are sized for the longest path Windows accepts,
# measured in UTF-8 bytes: MAX_PATH units of up to 3 bytes each.  jhead names
# its buffers by the C runtime's _MAX_PATH and by PATH_MAX (which it defines
# as _MAX_PATH on Windows); both are renamed to one constant of our own, so
# that no header's 260 can win.
utf8_path_bytes=$((260 * 3))
sed -i '/#define PATH_MAX _MAX_PATH/d' jhead.h
sed -i -E 's/\b_?(MAX_PATH|PATH_MAX)\b/JHEAD_PATH_BYTES/g' jhead.h jhead.c jpgfile.c myglob.c paths.c exif.c iptc.c gpsinfo.c makernote.c jpgqguess.c
if grep -En '\b_?(MAX_PATH|PATH_MAX)\b' ./*.c ./*.h; then
    die "jhead still sizes path buffers by the C runtime's limit (above)"
fi
jhead_path_define=-DJHEAD_PATH_BYTES=$utf8_path_bytes

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
    -DCMAKE_EXE_LINKER_FLAGS="-static -s $ldflags_repro $utf8_manifest" >"$work/cmake-libjpeg-turbo.log" 2>&1 ||
    { tail -30 "$work/cmake-libjpeg-turbo.log" >&2; die "cmake failed for libjpeg-turbo"; }
ninja -C "$work/build-libjpeg-turbo" -j "$jobs" jpegtran-static >"$work/ninja-libjpeg-turbo.log" 2>&1 ||
    { tail -30 "$work/ninja-libjpeg-turbo.log" >&2; die "building jpegtran failed"; }
cp "$work/build-libjpeg-turbo/jpegtran-static.exe" "$stage/jpegtran.exe"

say "building jhead.exe ($(basename "$jhead_dsc" .dsc), $arch)"
# The file list is upstream's makefile-win32 (the Unix makefile lacks myglob.c,
# jhead's Windows wildcard code).  -Dsystem=... sends jhead's system() calls
# through tools/exif/jhead-win32-shim.c; see there why.
jhead_sources=(jhead.c jpgfile.c jpgqguess.c myglob.c paths.c exif.c iptc.c gpsinfo.c makernote.c)
"$CC" -O2 -D_CRT_SECURE_NO_WARNINGS -Dsystem=jhead_checked_system "$jhead_path_define" \
    -c "${jhead_sources[@]}" 2>"$work/jhead-build.log" ||
    { cat "$work/jhead-build.log" >&2; die "compiling jhead failed"; }
"$CC" -O2 -c -o jhead-win32-shim.o "$exifdir/jhead-win32-shim.c"
# jhead-autorot.c includes jhead.h, whose structures hold path buffers: it
# must see the same buffer size as the rest of jhead.
"$CC" -O2 -Wall -Wextra -Werror -D_CRT_SECURE_NO_WARNINGS "$jhead_path_define" -I. -I"$exifdir" -c -o jhead-autorot.o "$exifdir/jhead-autorot.c"
# The turn itself is plain C with no Windows in it (the fuzz target builds it
# natively too).
"$CC" -O2 -Wall -Wextra -Werror -c -o autorot-core.o "$exifdir/autorot-core.c"
"$CC" -static -s $ldflags_repro -o "$stage/jhead.exe" "${jhead_sources[@]/%.c/.o}" jhead-win32-shim.o jhead-autorot.o autorot-core.o "$utf8_manifest" -lm

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
