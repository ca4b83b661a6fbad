#!/usr/bin/env bash
# Packs one built target into what users download, in OUTDIR:
#   Orlenza-<version>.zip        Orlenza/ with the three programs, the tools'
#                                licences (licenses/) and the user guide
#   Orlenza-<version>-setup.exe  the installer (setup/Orlenza.nsi)
#   symbols/                     each program's debug file (<program>.debug)
#   Orlenza-<version>-symbols.zip  the same files, kept with the release to
#                                read crash addresses; never given to users
#   SHA256SUMS                   of the three archives
# from $ORLENZA_BUILD/ARCH/bin and $ORLENZA_BUILD/ARCH/exif, as tools/build.sh
# left them. Every program is shipped stripped; one that has symbols or debug
# information keeps them in its debug file, which a debug link in the program
# names (with its CRC). i686 is what we ship (tools/release.sh); the tests pack x86_64
# too, to install it where 32-bit programs cannot run.
#
# Usage: tools/package.sh ARCH OUTDIR
#
# The same commit gives the same bytes: every file time is SOURCE_DATE_EPOCH
# (the commit's time unless set), in the zips and in the installer, and so is
# the time stamp that objcopy writes into a stripped program's and a debug
# file's header.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
die() { echo "package: $*" >&2; exit 1; }
[[ $# == 2 ]] || die "usage: $0 i686|x86_64 OUTDIR"
arch=$1
out=$2
case $arch in
  i686) target=x86-unicode ;;
  x86_64) target=amd64-unicode ;;
  *) die "ARCH must be i686 or x86_64, not '$arch'" ;;
esac
: "${ORLENZA_BUILD:=$root/build}"
bin=$ORLENZA_BUILD/$arch/bin
exif=$ORLENZA_BUILD/$arch/exif
for f in "$bin/Orlenza.exe" "$bin/pathentry.exe" "$exif/jhead.exe" "$exif/jpegtran.exe"; do
  [[ -f $f ]] || die "$f is missing; build first (tools/build.sh)"
done
# The licences come from the very source packages the tools were built from.
jhead_copyright=$exif/exif-src/jhead/debian/copyright
ljt_copyright=$exif/exif-src/libjpeg-turbo/debian/copyright
[[ -f $jhead_copyright && -f $ljt_copyright ]] ||
  die "the tools' sources are gone from $exif/exif-src; rebuild them: tools/build-exif-tools.sh --force $exif"

# The one place that holds the version; the manifest, which the resource
# compiler takes as it is, has to say the same.
version=$(sed -n 's/^project(Orlenza VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[[ $version =~ ^[0-9]+(\.[0-9]+){1,3}$ ]] || die "found no version in CMakeLists.txt"
vi_version=$version
while [[ $vi_version =~ ^[0-9]+(\.[0-9]+){0,2}$ ]]; do vi_version+=.0; done
grep -q "<assemblyIdentity version=\"$vi_version\"" "$root/res/Orlenza.manifest" ||
  die "res/Orlenza.manifest does not name version $vi_version, as CMakeLists.txt does"
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    die "not a git checkout: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "$out/.package.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/Orlenza tools=$work/tools symbols=$work/symbols
mkdir -p "$stage/licenses" "$tools" "$symbols"

# ship PROGRAM DIR: puts PROGRAM into DIR stripped. What a strip would take
# (the symbol table, debug sections) goes first into symbols/PROGRAM.debug,
# which the shipped copy names in its debug link; addr2line and gdb find the
# file by that name beside the program, and take it only if its CRC matches.
objcopy=$arch-w64-mingw32-objcopy objdump=$arch-w64-mingw32-objdump
ship() {
  local program=$1 dir=$2 name=${1##*/} header
  header=$("$objdump" -f -h "$program") || die "$program is no program objdump can read"
  if [[ $header == *HAS_SYMS* || $header == *" .debug_"* ]]; then
    "$objcopy" --only-keep-debug "$program" "$symbols/$name.debug" &&
      "$objcopy" --strip-all --add-gnu-debuglink="$symbols/$name.debug" "$program" "$dir/$name" ||
      die "keeping the symbols of $program apart failed"
  else
    cp "$program" "$dir/"
  fi
}
for program in "$bin/Orlenza.exe" "$exif/jhead.exe" "$exif/jpegtran.exe"; do ship "$program" "$stage"; done
ship "$bin/pathentry.exe" "$tools"
cp "$jhead_copyright" "$stage/licenses/jhead.txt"
cp "$ljt_copyright" "$stage/licenses/libjpeg-turbo.txt"
# Notepad on older Windows wants CRLF, and a BOM to take the text as UTF-8.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/setup/guide-zh_CN.txt"; } >"$stage/使用说明.txt"
cp "$root/res/app.ico" "$tools/Orlenza.ico"
chmod -R u=rwX,go=rX "$work"
find "$work" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# write_zip ZIP DIR NAME...: the files NAME... of DIR, under their names.
# Python's zip marks names as UTF-8, which Windows reads; Info-ZIP's zip does
# not, and the guide's Chinese name would come out garbled. Fixed times,
# order and modes: the same files give the same zip.
write_zip() {
  python3 - "$@" "$SOURCE_DATE_EPOCH" <<'PY' || die "writing ${1##*/} failed"
import sys, time, zipfile
out, base, names, epoch = sys.argv[1], sys.argv[2], sys.argv[3:-1], int(sys.argv[-1])
with zipfile.ZipFile(out, "w") as z:
    for name in names:
        info = zipfile.ZipInfo(name, time.gmtime(max(epoch, 315532800))[:6])
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(f"{base}/{name}", "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
PY
}
files=(Orlenza.exe jhead.exe jpegtran.exe 使用说明.txt licenses/jhead.txt licenses/libjpeg-turbo.txt)
zip_name=Orlenza-$version.zip setup_name=Orlenza-$version-setup.exe symbols_name=Orlenza-$version-symbols.zip
write_zip "$out/$zip_name" "$work" "${files[@]/#/Orlenza/}"
mapfile -t debug_files < <(cd "$symbols" && LC_ALL=C ls)
write_zip "$out/$symbols_name" "$symbols" "${debug_files[@]}"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DVIVERSION="$vi_version" -DTARGET=$target \
  -DSTAGE="$stage" -DTOOLS="$tools" -DOUTFILE="$out/$setup_name" "$root/setup/Orlenza.nsi" >"$work/makensis.log" 2>&1 ||
  { cat "$work/makensis.log" >&2; die "makensis failed"; }

# The previous packing's debug files go: each belongs to its own programs.
rm -rf "$out/symbols"
mv "$symbols" "$out/symbols"
(cd "$out" && sha256sum "$zip_name" "$setup_name" "$symbols_name" >SHA256SUMS)
echo "package: $arch, version $version, in $out:"
(cd "$out" && sed 's/^/  /' SHA256SUMS)
