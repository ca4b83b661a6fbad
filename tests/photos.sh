# Sourced by the rotation tests (tests/test_rotation_e2e.cpp) and by the fuzz
# target's seed corpus (tools/fuzz.sh), with $work naming a scratch folder:
# the photos Orlenza turns in its tests, made with ImageMagick, exiftool and
# Perl on the Linux side.
#
# photos_clean
#   Removes what making the photos left in $work.
#
# photo FILE ORIENTATION [thumb]
#   Every photo shows the same upright picture once it is turned: a grey
#   field with a red block top left, green top right, blue bottom left and
#   yellow bottom right, 64 by 32 pixels, stored turned or mirrored the way
#   its Orientation value says the camera held it.
upright=$work/upright.png
convert -size 64x32 xc:'#808080' \
  -fill '#ff0000' -draw 'rectangle 0,0 11,11' -fill '#00ff00' -draw 'rectangle 52,0 63,11' \
  -fill '#0000ff' -draw 'rectangle 0,20 11,31' -fill '#ffff00' -draw 'rectangle 52,20 63,31' "$upright"
# The upright picture as a camera held the way Orientation N says stores it:
# the inverse of what the value asks a viewer to do.
stored() {
  case $1 in
    1) echo ;; 2) echo -flop ;; 3) echo -rotate 180 ;; 4) echo -flip ;;
    5) echo -transpose ;; 6) echo -rotate 270 ;; 7) echo -transverse ;; 8) echo -rotate 90 ;;
  esac
}
photo() {
  # 4:4:4 keeps the colour blocks' edges sharp enough to sample.
  convert "$upright" $(stored "$2") -sampling-factor 1x1 -quality 95 "$1"
  thumb=-Software=none  # a harmless tag where there is no thumbnail
  if [ "${3:-}" = thumb ]; then
    convert "$upright" -resize 32x16 $(stored "$2") -sampling-factor 1x1 -quality 95 "$work/thumb.jpg"
    thumb="-ThumbnailImage<=$work/thumb.jpg"
  fi
  exiftool -q -overwrite_original -n -Orientation="$2" -Make=OrlenzaCam -Model=OC-1 \
    '-DateTimeOriginal=2021:05:06 07:08:09' "$thumb" "$1"
}

# What cameras and photo editors add beyond the Exif block, one kind per
# function taking the file (the end-to-end test's rows name them). `inspect FILE`
# prints what must survive a turn: every APPn and COM segment byte for byte
# (the Exif block aside; an XMP orientation digit counted as 1), the bytes
# after the end marker, the Multi-Picture block's second image as its offsets
# find it, the Exif tags other than orientation and thumbnail, and a digest
# of the pixels. `inspect FILE REFERENCE` prints what FILE is to show once
# turned: the pixels of REFERENCE, XMP orientation 1 and the Exif image sizes
# of a picture stored 32 by 64 swapped.
perl -e 'print pack("N", 70000), "lcms", pack("N", 0x02100000), "mntrRGB XYZ ", "\0" x 12, "acsp",
         "\0" x 92, "\x55" x (70000 - 132)' > "$work/big.icc"
cat > "$work/segs.pl" <<'PERL'
use strict; use Digest::MD5 qw(md5_hex);
my ($file, $mode) = @ARGV;
open my $fh, '<:raw', $file or die; local $/; my $d = <$fh>; close $fh;
sub seg { my ($m, $p) = @_; pack('CCn', 0xFF, $m, length($p) + 2) . $p }
if ($mode eq 'inspect') {
  my $p = 2;
  while ($p < length $d) {
    my $m = ord substr($d, $p + 1, 1); last if $m == 0xDA;
    my $s = substr($d, $p, 2 + unpack 'n', substr($d, $p + 2, 2)); $p += length $s;
    next unless ($m >= 0xE0 && $m <= 0xEF) || $m == 0xFE;
    if ($s =~ /^.{4}(Exif|MPF)\0/s) { print "$1\n"; next }
    $s =~ s/(tiff:Orientation(?:=["']|>))\d/${1}1/g;
    printf "%02X %s\n", $m, md5_hex($s);
  }
  printf "after the end: %s\n", md5_hex(substr($d, index($d, "\xFF\xD9", $p) + 2));
  # A UserComment's own bytes: exiftool shows it without trailing blanks.
  my $c = index($d, "ASCII\0\0\0");
  printf "comment: %s\n", unpack('H*', substr($d, $c + 8, 24)) if $c >= 0;
  exit;
}
# mpf: a second image (the photo as it is) after the end marker, found by a
# Multi-Picture index right after the start marker (its offsets count from 10).
my $mpf = sub { my ($size) = @_; seg(0xE2, "MPF\0II*\0" . pack('Vv', 8, 3)
  . pack('vvVa4', 0xB000, 7, 4, '0100') . pack('vvVV', 0xB001, 4, 1, 2) . pack('vvVV', 0xB002, 7, 32, 50)
  . pack('V', 0) . pack('VVVvv', 0x20030000, $size, 0, 0, 0)
  . pack('VVVvv', 0x20002, length $d, $size - 10 + ($mode eq 'mpfpast' ? 1 << 20 : 0), 0, 0)) };
# segments: an APP6, a second non-Exif APP1, a second comment and Adobe's
# APP14 (which jpegtran writes again of its own).
# mpfpast: the same index pointing a megabyte past the end, its second image
# gone, as an editor that kept the index but not what followed the end
# marker leaves it.
my $head = $mode =~ /^mpf/ ? $mpf->(length($d) + length $mpf->(0)) : seg(0xE6, "CAMERA\0" . "track data " x 20)
  . seg(0xE1, "FLIR\0\1" . "thermal " x 30) . seg(0xFE, "second comment") . seg(0xEE, "Adobe" . pack('nnnC', 100, 0, 0, 1));
open my $out, '>:raw', $file or die;
print $out "\xFF\xD8", $head, substr($d, 2), $mode eq 'mpf' ? $d : '';
PERL
icc() { exiftool -q -overwrite_original "-ICC_Profile<=$work/big.icc" "$1"; }
iptc() { exiftool -q -overwrite_original -IPTC:Caption-Abstract='A caption' -IPTC:Keywords=one -IPTC:Keywords=two "$1"; }
xmpext() { exiftool -q -overwrite_original "-XMP-dc:Description=$(head -c 70000 /dev/zero | tr '\0' x)" "$1"; }
xmporient() { exiftool -q -overwrite_original -n -XMP-tiff:Orientation="$(exiftool -s3 -n -Orientation "$1")" "$1"; }
sizes() { exiftool -q -overwrite_original -ExifImageWidth=32 -ExifImageHeight=64 "$1"; }
segments() { exiftool -q -overwrite_original -Comment='first comment' "$1" && perl "$work/segs.pl" "$1" segments; }
mpf() { perl "$work/segs.pl" "$1" mpf; }
mpfpast() { perl "$work/segs.pl" "$1" mpfpast; }
photos_clean() { rm -f "$work/upright.png" "$work/thumb.jpg" "$work/big.icc" "$work/segs.pl" "$work/text.thumb"; }
# A thumbnail that is no picture, as metadata tools leave placeholders.
textthumb() { printf '<Dummy thumbnail: not a picture>' > "$work/text.thumb" &&
  exiftool -q -m -overwrite_original "-ThumbnailImage<=$work/text.thumb" "$1"; }
# Padded with blanks, as some cameras write it.
comment() { exiftool -q -overwrite_original '-UserComment=taken by the lake   ' "$1"; }
trailer() { printf 'RATING=5;LABEL=red' >> "$1"; }
# A file cut short, as by a memory card pulled out too early.
cut() { head -c $(( $(stat -c %s "$1") * 2 / 3 )) "$1" > "$1.part" && mv "$1.part" "$1"; }
# A batch file that leaves a file beside itself when it runs.
plant() { printf '@echo off\r\necho ran > "%%~dp0ran.txt"\r\n' > "$1"; }
inspect() {
  perl "$work/segs.pl" "$1" inspect
  echo "pixels: $(identify -format '%#' "${2:-$1}")"
  exiftool -q -q -m -b -ThumbnailImage "$1" > "$work/thumb.bin"
  [ ! -s "$work/thumb.bin" ] || [ "$(head -c 2 "$work/thumb.bin" | od -An -tx1 | tr -d ' ')" = ffd8 ] ||
    echo "thumbnail, no picture: $(md5sum < "$work/thumb.bin")"
  exiftool -n -s -G1 -EXIF:All -XMP-tiff:Orientation -MPImage2:MPImageStart -MPImage2:MPImageLength \
    -x EXIF:Orientation -x ThumbnailImage -x ThumbnailLength -x ThumbnailOffset "$1" | sed 's/  */ /g' > "$work/tags"
  [ -z "${2:-}" ] || sed -i -e 's/Orientation : [68]$/Orientation : 1/' \
    -e 's/ExifImageWidth : 32$/ExifImageWidth : 64/' -e 's/ExifImageHeight : 64$/ExifImageHeight : 32/' "$work/tags"
  grep -v MPImage "$work/tags"
  start=$(sed -n 's/.*MPImageStart : //p' "$work/tags") length=$(sed -n 's/.*MPImageLength : //p' "$work/tags")
  [ -z "$start" ] || echo "second image: $(tail -c +$((start + 1)) "$1" | head -c "$length" | md5sum)"
}
