#!/usr/bin/env bash
# Turns a corpus of real camera JPEGs with the built jhead.exe under Wine,
# the way Orlenza does (one "jhead.exe -autorot FOLDER\*.*" run), and checks
# every photo against what a lossless turn must give. Not a CI test: the
# corpus is the test data of three Debian source packages (exiv2's
# test/data, some 30 MB, exiftool's t/images and jhead's own tests), fetched
# with apt-get source into build/cameras once and kept there.
#
# Usage: tools/check-cameras.sh [OUTDIR]
#        tools/check-cameras.sh --corpus-only   only fetch the corpus (tools/fuzz.sh seeds from it)
#
# OUTDIR holds jhead.exe and jpegtran.exe; by default the target's tools are
# built (tools/build-exif-tools.sh) into build/<target>/exif. Every photo is
# first set to orientation 6 with exiftool; a file exiftool cannot write, or
# whose picture Debian's own jpegtran cannot turn without an error, is not in
# the corpus (those are the packages' crash samples, not photos). Each photo
# of the corpus must then come out with:
#   - Exif orientation 1, and XMP tiff:Orientation 1 where it has one;
#   - the pixels of "jpegtran -trim -rotate 90" of the photo, decoded, and
#     of its Exif thumbnail where Debian's jpegtran can turn that;
#   - every Exif and maker-note tag but orientation, sizes and thumbnail
#     unchanged, as exiftool reads them;
#   - every APPn and COM segment in order and byte for byte (the values a
#     turn changes in the Exif block, its thumbnail, an XMP orientation digit
#     and Multi-Picture offsets aside), and the bytes after the end marker;
#   - Multi-Picture images that decode to what they decoded to before.
# Prints one line per photo that fails and ends with
# "N of M turned, every segment kept"; exits 1 unless N = M.
set -uo pipefail

die() { echo "check-cameras: $*" >&2; exit 2; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
source "$here/target.sh"
[ $# -le 1 ] || die "usage: $0 [OUTDIR | --corpus-only]"
corpus_only=0
[ "${1:-}" != --corpus-only ] || { corpus_only=1; shift; }

say() { echo "check-cameras: $*"; }
source "$here/exif/sources.sh"
ensure_packages libjpeg-turbo-progs libimage-exiftool-perl dpkg-dev
[ "$corpus_only" = 1 ] || bash "$here/ensure-deps.sh" || die "installing the build and Wine packages failed"

if [ "$corpus_only" = 1 ]; then
    :
elif [ $# = 1 ]; then
    outdir=$(cd "$1" 2>/dev/null && pwd) || die "no such folder: $1"
else
    outdir=$ORLENZA_TARGET_BUILD/exif
    bash "$here/build-exif-tools.sh" "$outdir" >/dev/null || die "building jhead.exe and jpegtran.exe failed"
fi
[ "$corpus_only" = 1 ] || for exe in jhead.exe jpegtran.exe; do [ -f "$outdir/$exe" ] || die "$outdir/$exe is missing"; done

# ------------------------------------------------------------ the corpus

cameras=$ORLENZA_BUILD/cameras
src=$cameras/src
if [ ! -f "$src/.fetched" ]; then
    mkdir -p "$cameras"; echo '*' >"$cameras/.gitignore"
    say "fetching the source packages exiv2, libimage-exiftool-perl and jhead for their test photos"
    ensure_deb_src exiv2 libimage-exiftool-perl jhead
    fetch_sources "$src" exiv2 libimage-exiftool-perl jhead
    for package in exiv2 libimage-exiftool-perl jhead; do
        set -- "$src/${package}_"*.orig.tar.*
        [ -f "$1" ] || die "apt-get source brought no $package"
        tar -xf "$1" -C "$src" --wildcards '*/test/data/*' '*/t/images/*' '*/tests/*' 2>/dev/null
    done
    touch "$src/.fetched"
fi
[ "$corpus_only" = 0 ] || exit 0

work=$cameras/run
rm -rf "$work"; mkdir -p "$work/photos" "$work/reference" "$work/before"
declare -A seen=()
taken=0 skipped=0
while IFS= read -r -d '' file; do
    sum=$(md5sum <"$file" | cut -c1-32)
    [ -z "${seen[$sum]:-}" ] || continue
    seen[$sum]=1
    # Named by its package and place: exiv2-test-data-DSC_3079.jpg
    name=${file#"$src"/}; top=${name%%/*}; name=${top%-[0-9]*}-${name#*/}; name=${name//\//-}
    photo=$work/photos/$name
    cp "$file" "$photo"
    if ! exiftool -q -q -m -overwrite_original -n -Orientation=6 "$photo" 2>/dev/null ||
        [ "$(exiftool -s3 -n -EXIF:Orientation "$photo" 2>/dev/null)" != 6 ] ||
        ! jpegtran -copy none -trim -rotate 90 "$photo" >"$work/reference/$name" 2>/dev/null; then
        rm -f "$photo" "$work/reference/$name"
        skipped=$((skipped + 1))
        continue
    fi
    cp "$photo" "$work/before/$name"
    taken=$((taken + 1))
done < <(find "$src" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) \( -path '*/test/data/*' -o -path '*/t/images/*' -o -path '*/tests/*' \) -print0 | sort -z)
echo "check-cameras: $taken photos in the corpus ($skipped files left out: exiftool or jpegtran refuse them)"
[ "$taken" -gt 0 ] || die "no photos in the corpus"

# ------------------------------------------------------------ the run

WINEPREFIX=$cameras/wineprefix-$ORLENZA_ARCH
source "$here/wine-env.sh"
unset WINEPATH
export LC_ALL=C.UTF-8
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || die "wineboot failed"
trap 'wineserver -k 2>/dev/null' EXIT
folder=Z:${work//\//\\}\\photos
(cd "$work" && wine "Z:${outdir//\//\\}\\jhead.exe" -autorot "$folder\\*.*") >"$work/jhead.out" 2>"$work/jhead.err"
echo "check-cameras: jhead.exe -autorot exited with $?"

# ------------------------------------------------------------ the checks

# segments FILE: one line per APPn and COM segment before the first scan
# (Exif as its bytes but what a turn changes, an XMP orientation digit
# counted as 1, Multi-Picture as
# "MPF" and its images' decoded digests), then the bytes after the end marker.
cat >"$work/segments.pl" <<'PERL'
use strict; use Digest::MD5 qw(md5_hex);
my $file = shift;
open my $fh, '<:raw', $file or die "$file: $!"; local $/; my $d = <$fh>; close $fh;
# The Exif block as a turn may change it: the values of the orientation tags,
# of the picture's sizes and of the thumbnail's length count as blank, the
# thumbnail as absent, and zero bytes after it as padding.
sub exif {
  my ($t) = @_;
  my $mm = substr($t, 0, 2) eq 'MM';
  my ($u16, $u32) = $mm ? ('n', 'N') : ('v', 'V');
  my (%blank, %seen, $thumb, $thumbSize);
  my $walk; $walk = sub {
    my ($at, $kind) = @_;
    return if $seen{$at}++ || $at + 2 > length $t;
    my $count = unpack $u16, substr($t, $at, 2);
    for my $i (0 .. $count - 1) {
      my $e = $at + 2 + 12 * $i; last if $e + 12 > length $t;
      my $tag = unpack $u16, substr($t, $e, 2);
      my $value = unpack $u32, substr($t, $e + 8, 4);
      $blank{$e + 8} = 1 if $tag == 0x112 || ($kind eq 'ifd0' && ($tag == 0x100 || $tag == 0x101))
        || ($kind eq 'exif' && ($tag == 0xA002 || $tag == 0xA003)) || ($kind eq 'ifd1' && $tag == 0x202);
      $walk->($value, 'exif') if $tag == 0x8769;
      $walk->($value, 'sub') if $tag == 0x8825 || $tag == 0xA005;
      $thumb = $value if $kind eq 'ifd1' && $tag == 0x201;
      $thumbSize = $value if $kind eq 'ifd1' && $tag == 0x202;
    }
    if ($kind eq 'ifd0' && $at + 6 + 12 * $count <= length $t) {
      my $next = unpack $u32, substr($t, $at + 2 + 12 * $count, 4);
      $walk->($next, 'ifd1') if $next;
    }
  };
  $walk->(unpack($u32, substr($t, 4, 4)), 'ifd0');
  my $head = defined $thumb && $thumb < length $t ? substr($t, 0, $thumb) : $t;
  substr($head, $_, 4) = "\0" x 4 for grep { $_ + 4 <= length $head } keys %blank;
  my $tail = defined $thumb && $thumb < length $t ? substr($t, $thumb + ($thumbSize // 0)) : '';
  $tail =~ s/^\0+//;
  return "Exif " . md5_hex($head) . " " . md5_hex($tail) . "\n";
}
my ($p, @mpf) = (2);
while ($p + 4 <= length $d) {
  my $m = ord substr($d, $p + 1, 1);
  if (ord(substr($d, $p, 1)) != 0xFF) { print "stray bytes at $p\n"; last }
  if ($m == 0xFF) { $p++; next }
  last if $m == 0xDA;
  my $s = substr($d, $p, 2 + unpack 'n', substr($d, $p + 2, 2));
  if (($m >= 0xE0 && $m <= 0xEF) || $m == 0xFE) {
    if ($m == 0xE1 && substr($s, 4, 6) eq "Exif\0\0") { print exif(substr($s, 10)) }
    elsif ($m == 0xE2 && substr($s, 4, 4) eq "MPF\0") { print "MPF\n"; @mpf = ($p + 8, substr($s, 8)) }
    else { $s =~ s/(tiff:Orientation\s*(?:=\s*["']|>)\s*)[1-8]/${1}1/g; printf "%02X %s\n", $m, md5_hex($s) }
  }
  $p += length $s;
}
# The end marker: the first FF D9 after the scans that is no data byte.
my $end = $p;
while (($end = index($d, "\xFF", $end)) >= 0) {
  my $n = ord substr($d, $end + 1, 1);
  last if $n == 0xD9;
  $end += ($n == 0xFF) ? 1 : 2;
}
print $end < 0 ? "no end marker\n" : "after the end: " . md5_hex(substr($d, $end + 2)) . "\n";
if (@mpf) {
  my ($base, $t) = @mpf;
  my $mm = substr($t, 0, 2) eq 'MM';
  my ($u16, $u32) = $mm ? ('n', 'N') : ('v', 'V');
  my $ifd = unpack $u32, substr($t, 4, 4);
  my $count = unpack $u16, substr($t, $ifd, 2);
  for my $i (0 .. $count - 1) {
    my $e = substr($t, $ifd + 2 + 12 * $i, 12);
    next unless unpack($u16, $e) == 0xB002;
    my ($n, $at) = (unpack($u32, substr($e, 4, 4)), unpack($u32, substr($e, 8, 4)));
    for (my $k = 0; $k + 16 <= $n; $k += 16) {
      my ($size, $offset) = unpack "x4${u32}${u32}", substr($t, $at + $k, 16);
      next if $offset == 0;
      my $image = substr($d, $base + $offset, $size);
      open my $dj, '|-', "djpeg -pnm 2>/dev/null | md5sum > '$file.mp$k'" or die; print $dj $image; close $dj;
      open my $sum, '<', "$file.mp$k" or die; my $line = <$sum>; close $sum; unlink "$file.mp$k";
      print "Multi-Picture image $k: $line";
    }
  }
}
PERL
segments() { perl "$work/segments.pl" "$1"; }
pixels() { djpeg -pnm "$1" 2>/dev/null | md5sum | cut -c1-32; }
# The Exif and maker-note tags, but those a turn changes.
tags() {
    exiftool -a -G1 -s -n -EXIF:All -MakerNotes:All -x Orientation -x ThumbnailImage -x ThumbnailLength \
        -x ThumbnailOffset -x ImageWidth -x ImageHeight -x ExifImageWidth -x ExifImageHeight "$1" 2>/dev/null
}

turned=0 failed=0
for photo in "$work"/photos/*; do
    name=$(basename "$photo")
    why=()
    [ "$(exiftool -s3 -n -EXIF:Orientation "$photo" 2>/dev/null)" = 1 ] || why+=("Exif orientation is not 1")
    xmp=$(exiftool -s3 -n -XMP-tiff:Orientation "$photo" 2>/dev/null)
    [ -z "$xmp" ] || [ "$xmp" = 1 ] || why+=("XMP orientation is $xmp")
    [ "$(pixels "$photo")" = "$(pixels "$work/reference/$name")" ] || why+=("pixels differ from jpegtran's turn")
    if ! diff <(segments "$work/before/$name" | sed 's/^\(Multi-Picture image\) [0-9]*:/\1:/') \
              <(segments "$photo" | sed 's/^\(Multi-Picture image\) [0-9]*:/\1:/') >"$work/diff" 2>&1; then
        why+=("segments differ: $(grep '^[<>]' "$work/diff" | head -3 | tr '\n' ' ')")
    fi
    # A thumbnail Debian's jpegtran can turn must have been turned.
    exiftool -b -IFD1:ThumbnailImage "$work/before/$name" >"$work/thumb.jpg" 2>/dev/null
    if [ -s "$work/thumb.jpg" ] && jpegtran -trim -rotate 90 "$work/thumb.jpg" >"$work/thumb-turned.jpg" 2>/dev/null &&
        [ "$(exiftool -b -IFD1:ThumbnailImage "$photo" 2>/dev/null | djpeg -pnm 2>/dev/null | md5sum)" != \
          "$(djpeg -pnm "$work/thumb-turned.jpg" 2>/dev/null | md5sum)" ]; then
        why+=("thumbnail not turned")
    fi
    if ! diff <(tags "$work/before/$name") <(tags "$photo") >"$work/diff" 2>&1; then
        why+=("Exif tags differ: $(grep '^[<>]' "$work/diff" | head -2 | tr '\n' ' ')")
    fi
    if [ ${#why[@]} = 0 ]; then
        turned=$((turned + 1))
    else
        failed=$((failed + 1))
        said=$(grep -F -A1 "Error :" "$work/jhead.err" | grep -F -B1 "$name'" | head -1 | sed 's/^Error : //')
        echo "  FAIL  $name: $(IFS=';'; echo "${why[*]}")${said:+ (jhead: $said)}"
    fi
done
leftover=$(find "$work/photos" -name '~jh*' | wc -l)
[ "$leftover" = 0 ] || echo "  FAIL  $leftover temporary files left in the folder"
total=$((turned + failed))
kept=$(grep -c '^Note : the Exif thumbnail was kept' "$work/jhead.err")
if [ "$kept" != 0 ]; then
    echo "check-cameras: $kept thumbnails kept as they were (the photos turned all the same):"
    grep '^Note : the Exif thumbnail was kept' "$work/jhead.err" | grep -o "(.*)" | sort | uniq -c
fi
echo "$turned of $total turned, every segment kept"
[ "$turned" = "$total" ] && [ "$leftover" = 0 ]
