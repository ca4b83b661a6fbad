#!/usr/bin/env bash
# Checks the jhead.exe and jpegtran.exe that tools/build-exif-tools.sh made,
# the way Orlenza uses them: "jhead.exe -autorot FILE" under Wine, in a
# throwaway Wine prefix whose PATH does not name their folder.
#
# Usage: [ORLENZA_ARCH=i686|x86_64] tools/exif/verify.sh OUTDIR
#
# Installs what it needs if missing (Wine, exiftool, ImageMagick, the
# zh_CN.UTF-8 locale), which needs root.  Prints one line per check and a
# closing "N passed, N failed"; exits non-zero if anything failed.
set -uo pipefail

die() { echo "verify: $*" >&2; exit 2; }
[ $# = 1 ] || die "usage: $0 OUTDIR"
outdir=$(cd "$1" 2>/dev/null && pwd) || die "no such folder: $1"
for exe in jhead.exe jpegtran.exe; do
    [ -f "$outdir/$exe" ] || die "$outdir/$exe is missing; run tools/build-exif-tools.sh $1 first"
done

# ------------------------------------------------------------ what we need

source "$(dirname "${BASH_SOURCE[0]}")/../packages.sh"
# The target whose tools are checked, and its Wine loader (see tools/target.sh).
source "$(dirname "${BASH_SOURCE[0]}")/../target.sh"
if [ "$ORLENZA_ARCH" = i686 ]; then
    ensure_packages wine wine32:i386 libimage-exiftool-perl imagemagick locales python3
else
    ensure_packages wine wine64 libimage-exiftool-perl imagemagick locales python3
fi

# The code page check needs a real zh_CN.UTF-8 locale: without one Wine falls
# back to code page 1252 and the Chinese file names would not be tested at all.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\{0,1\}8'; then
    [ "$(id -u)" = 0 ] || die "need root to generate the zh_CN.UTF-8 locale"
    grep -qx 'zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null || die "locale-gen failed"
fi

# ------------------------------------------------------------ Wine prefix

# jhead must find jpegtran.exe beside itself, not through a WINEPATH.
unset WINEPATH
WINEPREFIX=$(mktemp -d /tmp/exif-verify-wine.XXXXXX)
export WINEPREFIX
source "$(dirname "${BASH_SOURCE[0]}")/../wine-env.sh"
export LC_ALL=C.UTF-8
work=$(mktemp -d /tmp/exif-verify-files.XXXXXX)
cleanup() {
    wineserver -k 2>/dev/null   # only this prefix's server
    rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT
LC_ALL=C.UTF-8 wineboot -i >/dev/null 2>&1 || die "wineboot failed"

# Wine paths for files under /: drive Z: is the Unix root.
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# ------------------------------------------------------------ checking

passed=0 failed=0
ok()  { passed=$((passed + 1)); echo "  ok    $*"; }
bad() { failed=$((failed + 1)); echo "  FAIL  $*"; }
check() { local what=$1; shift; if "$@"; then ok "$what"; else bad "$what"; return 1; fi; }
group() { echo; echo "$*"; }

# A 64x32 vertical gradient, white at the top, with Exif that must survive.
# For Orientation 6 the camera was turned clockwise; upright, the white edge is
# on the right, for 8 on the left, for 3 at the bottom.
thumb=$work/thumb-src.jpg
convert -size 32x16 gradient: "$thumb"
photo() {   # photo FILE ORIENTATION [thumb]
    convert -size 64x32 gradient: "$1" || return 1
    local args=(-Orientation="$2" -n -Make=TestCam -Model=T-1
                '-DateTimeOriginal=2021:05:06 07:08:09' -GPSLatitude=51.5 -GPSLatitudeRef=N)
    [ "${3:-}" = thumb ] && args+=("-ThumbnailImage<=$thumb")
    exiftool -q -overwrite_original "${args[@]}" "$1"
}
size()  { identify -format '%wx%h' "$1" 2>/dev/null; }
tag()   { exiftool -s3 -n "-$2" "$1" 2>/dev/null; }
level() { convert "$1" -crop "1x1+$2+$3" +repage -format '%[fx:mean]' info: 2>/dev/null; }
light() { awk -v v="$(level "$@")" 'BEGIN { exit !(v != "" && v > 0.8) }'; }
dark()  { awk -v v="$(level "$@")" 'BEGIN { exit !(v != "" && v < 0.2) }'; }

# After -autorot the Orientation tag says "as stored" (1) or is gone.
tag_reset() { case $(tag "$1" Orientation) in ''|1) return 0 ;; *) return 1 ;; esac; }
upright6() { [ "$(size "$1")" = 32x64 ] && light "$1" 31 32 && dark "$1" 0 32 && tag_reset "$1"; }
upright8() { [ "$(size "$1")" = 32x64 ] && light "$1" 0 32 && dark "$1" 31 32 && tag_reset "$1"; }
upright3() { [ "$(size "$1")" = 64x32 ] && light "$1" 32 31 && dark "$1" 32 0 && tag_reset "$1"; }
exif_kept() {
    [ "$(tag "$1" Make)" = TestCam ] && [ "$(tag "$1" Model)" = T-1 ] &&
        [ "$(tag "$1" DateTimeOriginal)" = '2021:05:06 07:08:09' ] &&
        awk -v v="$(tag "$1" GPSLatitude)" 'BEGIN { exit !(v > 51.49 && v < 51.51) }'
}
thumb_turned() {   # the thumbnail of an Orientation 6 photo
    local t=$work/thumb-out.jpg
    exiftool -b -ThumbnailImage "$1" >"$t" 2>/dev/null && [ -s "$t" ] &&
        [ "$(size "$t")" = 16x32 ] && light "$t" 15 16 && dark "$t" 0 16
}
# all FILE PREDICATE...: every predicate holds for FILE
all() { local f=$1 p; shift; for p in "$@"; do "$p" "$f" || return 1; done; }

sums=()   # remembers files' contents: remember FILE..., then unchanged FILE
remember()  { local f; for f in "$@"; do sums+=("$f=$(md5sum <"$f")"); done; }
unchanged() {
    local e
    for e in "${sums[@]}"; do
        [ "${e%=*}" = "$1" ] && { [ "$(md5sum <"$1")" = "${e##*=}" ]; return; }
    done
    return 1
}
only_files() {   # only_files DIR NAME... : nothing left over, nothing missing
    local dir=$1; shift
    [ "$(cd "$dir" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort)" = \
      "$(printf '%s\n' "$@" | LC_ALL=C sort)" ]
}

jhead_w=$(winpath "$outdir/jhead.exe")
log=$work/jhead.log
rc=0
# Runs from $work, not OUTDIR, unless told: jhead must find jpegtran.exe
# beside itself wherever it is started.  The Unix locale decides Wine's ANSI
# code page, so it is fixed here and set to zh_CN.UTF-8 only where that is
# what is being tested.
lc=C.UTF-8
cwd=$work
autorot() {   # autorot WINDOWS-PATH-OR-PATTERN; sets rc, output in $log
    (cd "$cwd" && LC_ALL=$lc wine "$jhead_w" -autorot "$1") >"$log" 2>&1
    rc=$?
}

# ------------------------------------------------------------ the checks

succeeded() { [ "$rc" = 0 ] || { sed 's/^/          | /' "$log"; return 1; }; }
failed()    { [ "$rc" != 0 ]; }

group "no program named jpegtran runs: jhead turns pictures in its own process"
# Stand-ins named jpegtran in the photo's folder and in the current folder; a
# planted jpegtran.exe is jhead.exe itself, which fails on jpegtran's options.
d=$work/planted; mkdir -p "$d"; photo "$d/a.jpg" 6
for dir in "$d" "$work"; do
    printf '@echo off\r\necho ran > "%s\\ran-%%~x0.txt"\r\n' "$(winpath "$work")" >"$dir/jpegtran.bat"
    cp "$dir/jpegtran.bat" "$dir/jpegtran.cmd"
    cp "$outdir/jhead.exe" "$dir/jpegtran.exe"
done
cwd=$d autorot "$(winpath "$d/a.jpg")"
check "started in the photo's folder: exit code 0" succeeded
check "photo upright, Exif kept" all "$d/a.jpg" upright6 exif_kept
check "no planted jpegtran ran" [ -z "$(ls "$work" | grep '^ran-')" ]
rm -f "$work"/jpegtran.*

group "turning photos upright"
d=$work/plain; mkdir -p "$d"
photo "$d/six.jpg" 6 thumb; photo "$d/eight.jpg" 8; photo "$d/three.jpg" 3; photo "$d/one.jpg" 1
remember "$d/one.jpg"
autorot "$(winpath "$d/six.jpg")"
check "Orientation 6: exit code 0" succeeded
check "Orientation 6: 32x64, white edge right, tag reset" upright6 "$d/six.jpg"
check "Orientation 6: camera, date taken and GPS kept" exif_kept "$d/six.jpg"
check "Orientation 6: thumbnail kept and turned the same way" thumb_turned "$d/six.jpg"
autorot "$(winpath "$d/eight.jpg")"
check "Orientation 8: 32x64, white edge left, Exif kept" all "$d/eight.jpg" upright8 exif_kept
autorot "$(winpath "$d/three.jpg")"
check "Orientation 3: 64x32, white edge at the bottom, Exif kept" all "$d/three.jpg" upright3 exif_kept
autorot "$(winpath "$d/one.jpg")"
check "Orientation 1: exit code 0" succeeded
check "Orientation 1: file not rewritten" unchanged "$d/one.jpg"
check "no temporary files left" only_files "$d" six.jpg eight.jpg three.jpg one.jpg

group "a photo jpegtran cannot read completely"
d=$work/broken; mkdir -p "$d"
convert -seed 1 -size 640x320 plasma:fractal -quality 92 "$d/big.jpg" 2>/dev/null ||
    convert -size 640x320 gradient:red-blue "$d/big.jpg"
exiftool -q -overwrite_original -Orientation=6 -n -Make=TestCam "$d/big.jpg"
head -c $(( $(stat -c %s "$d/big.jpg") * 2 / 3 )) "$d/big.jpg" >"$d/a cut.jpg"; rm "$d/big.jpg"
head -c 200 "$d/a cut.jpg" >"$d/b header cut.jpg"   # cut inside the Exif block
photo "$d/c intact.jpg" 6
remember "$d/a cut.jpg" "$d/b header cut.jpg"
autorot "$(winpath "$d/a cut.jpg")"
check "exit code is not 0 (was $rc)" failed
check "photo unchanged" unchanged "$d/a cut.jpg"
check "no temporary files left" only_files "$d" "a cut.jpg" "b header cut.jpg" "c intact.jpg"
# In name order the damaged ones come first: jhead goes on after them.
autorot "$(winpath "$d")\\*.*"
check "folder: exit code is not 0 (was $rc)" failed
check "folder: photo cut in its picture unchanged" unchanged "$d/a cut.jpg"
check "folder: photo cut in its Exif block unchanged" unchanged "$d/b header cut.jpg"
check "folder: the intact photo after them upright" all "$d/c intact.jpg" upright6 exif_kept
check "folder: no temporary files left" only_files "$d" "a cut.jpg" "b header cut.jpg" "c intact.jpg"

group "read-only photos"
d=$work/readonly; mkdir -p "$d"; photo "$d/six.jpg" 6; photo "$d/one.jpg" 1; chmod a-w "$d/six.jpg" "$d/one.jpg"
remember "$d/six.jpg"
autorot "$(winpath "$d/one.jpg")"
check "already upright: exit code 0" succeeded
autorot "$(winpath "$d/six.jpg")"
check "needing a turn: exit code is not 0 (was $rc)" failed
check "needing a turn: photo unchanged" unchanged "$d/six.jpg"

group "patterns that find no photo to turn are no failure"
d=$work/nothing; mkdir -p "$d/empty" "$d/text"; echo "not a photo" >"$d/text/notes.txt"
autorot "$(winpath "$d/empty")\\*.*"
check "empty folder: exit code 0" succeeded
autorot "$(winpath "$d/text")\\*.*"
check "folder of text files: exit code 0" succeeded

group "file names with characters a Unix shell would treat specially"
d=$work/names; mkdir -p "$d"
# shellcheck disable=SC2016  # the $ and ` are meant literally
names=("Tom's & Jerry.jpg" 'Mum & Dad; 100$ `x`.jpg' '50% off (2) ^!x!.jpg')
for n in "${names[@]}"; do
    photo "$d/$n" 6 thumb
    autorot "$(winpath "$d/$n")"
    check "$n: exit code 0" succeeded
    check "$n: upright, Exif kept" all "$d/$n" upright6 exif_kept
    check "$n: thumbnail kept and turned" thumb_turned "$d/$n"
done
check "no temporary files left" only_files "$d" "${names[@]}"
# No command processor between jhead and jpegtran: %NAME% stays as it is.
n='%PATH%.jpg'
photo "$d/$n" 6
autorot "$(winpath "$d/$n")"
check "$n: exit code 0" succeeded
check "$n: upright, Exif kept" all "$d/$n" upright6 exif_kept

group 'a folder pattern (Z:\...\*.*)'
d=$work/folder; mkdir -p "$d"
photo "$d/a six.jpg" 6 thumb; photo "$d/b eight.JPG" 8; photo "$d/c one.jpg" 1
echo "not a photo" >"$d/notes.txt"
remember "$d/c one.jpg" "$d/notes.txt"
autorot "$(winpath "$d")\\*.*"
check "exit code 0" succeeded
check "Orientation 6 photo upright, Exif and thumbnail kept" all "$d/a six.jpg" upright6 exif_kept thumb_turned
check "Orientation 8 photo upright (upper-case .JPG), Exif kept" all "$d/b eight.JPG" upright8 exif_kept
check "upright photo not rewritten" unchanged "$d/c one.jpg"
check "text file not touched" unchanged "$d/notes.txt"
check "no temporary files left" only_files "$d" "a six.jpg" "b eight.JPG" "c one.jpg" notes.txt

group "the report: one line per JPEG on the standard output, nothing else"
d=$work/report; mkdir -p "$d"
photo "$d/a six.jpg" 6; photo "$d/b one.jpg" 1; photo "$d/c 照片.jpg" 8
head -c 200 "$d/a six.jpg" >"$d/d cut.jpg"; echo "not a photo" >"$d/e.txt"
(cd "$work" && LC_ALL=zh_CN.UTF-8 wine "$jhead_w" -autorot "$(winpath "$d")\\*.*" 2>/dev/null) >"$work/report.txt"
w=$(winpath "$d")
check "turned, upright, turned, failed, in the pattern's order, paths in UTF-8" [ "$(tr -d '\r' <"$work/report.txt")" = \
    "$(printf 'turned\t%s\nupright\t%s\nturned\t%s\nfailed\t%s' "$w\\a six.jpg" "$w\\b one.jpg" "$w\\c 照片.jpg" "$w\\d cut.jpg")" ]

group "a stop: the word \"stop\" on the standard input, a pipe; no photo is begun after it"
stop_run() { # stop_run <input> <folder> <report>: the folder's 24 sideways photos, with that input
    mkdir -p "$2"; for i in $(seq -w 1 24); do photo "$2/$i.jpg" 6; done
    remember "$2"/*.jpg
    (cd "$work" && printf '%s' "$1" | LC_ALL=$lc wine "$jhead_w" -autorot "$(winpath "$2")\\*.*" 2>/dev/null) >"$3"
}
# The word is in the pipe before jhead reads from it.
d=$work/stop; stop_run 'stop' "$d" "$work/stop.txt"
rc=$?
reported=$(grep -c '^turned' "$work/stop.txt")
untouched=0; for f in "$d"/*.jpg; do unchanged "$f" && untouched=$((untouched + 1)); done
check "exit code 0 (was $rc)" succeeded
check "fewer than all 24 turned ($reported)" [ "$reported" -lt 24 ]
check "each photo reported turned is turned, the others untouched ($untouched untouched)" \
    [ $((reported + untouched)) = 24 ]
check "no temporary files left" [ -z "$(ls "$d" | grep -v '\.jpg$')" ]
# A script's pipe that ends at once, or brings other words, is no stop.
d=$work/no-stop; stop_run 'go on' "$d" "$work/no-stop.txt"
check "an input that ends without the word: all 24 turned ($(grep -c '^turned' "$work/no-stop.txt"))" \
    [ "$(grep -c '^turned' "$work/no-stop.txt")" = 24 ]

group "a picture left as it is (an orientation that names no turn): comments between its scans kept once"
d=$work/between; mkdir -p "$d"
convert -size 64x32 gradient: -interlace JPEG "$d/p.jpg" &&
    exiftool -q -overwrite_original -n -Orientation=9 "$d/p.jpg" &&
    python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); j = d.index(b"\xff\xda", d.index(b"\xff\xda") + 2)
open(sys.argv[1], "wb").write(d[:j] + b"\xff\xfe\x00\x0aBETWEEN!" + d[j:])' "$d/p.jpg"
autorot "$(winpath "$d/p.jpg")"
check "exit code 0" succeeded
check "the comment between the scans is there once" \
    [ "$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(b"BETWEEN!"))' "$d/p.jpg")" = 1 ]

group "Chinese file names, code page 936 (LC_ALL=zh_CN.UTF-8)"
# jhead.exe is an ANSI program whose manifest makes UTF-8 its code page; the
# machine's own (which Wine derives from the Unix locale) is the 936 of our
# users, so Chinese names must reach it intact past both.
lc=zh_CN.UTF-8
acp=$(LC_ALL=$lc wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
      tr -d '\r' | awk '$1 == "ACP" { print $3 }')
check "Wine runs with ANSI code page 936 (got ${acp:-none})" [ "$acp" = 936 ]
d=$work/相册; mkdir -p "$d"
photo "$d/照片 1.jpg" 6 thumb; photo "$d/照片 2.jpg" 8; photo "$d/照片 3.jpg" 6
autorot "$(winpath "$d/照片 1.jpg")"
check "照片 1.jpg: exit code 0" succeeded
check "照片 1.jpg: upright, Exif and thumbnail kept" all "$d/照片 1.jpg" upright6 exif_kept thumb_turned
remember "$d/照片 1.jpg"
autorot "$(winpath "$d")\\*.*"
check "相册\\*.*: exit code 0" succeeded
check "相册\\*.*: 照片 2.jpg upright" all "$d/照片 2.jpg" upright8 exif_kept
check "相册\\*.*: 照片 3.jpg upright" all "$d/照片 3.jpg" upright6 exif_kept
check "相册\\*.*: 照片 1.jpg, already upright, not rewritten" unchanged "$d/照片 1.jpg"
check "no temporary files left" only_files "$d" "照片 1.jpg" "照片 2.jpg" "照片 3.jpg"

echo
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
