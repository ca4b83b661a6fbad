# Sourced by tools/build-exif-tools.sh, which builds jhead.exe and
# jpegtran.exe for Windows, and by tools/fuzz.sh, which builds our photo
# reading natively to fuzz it: both take jhead from the same Debian source
# with the same patches, prepared here. The caller defines die and say.
#
#   ensure_packages PACKAGE...       installs what is missing (root; tools/packages.sh)
#   ensure_deb_src PACKAGE...        lets apt-get source fetch these packages
#   fetch_sources FOLDER PACKAGE...  their Debian sources, freshly, into FOLDER
#   unpack DPKG-SOURCE-ARGS...       dpkg-source, its noise kept in a log
#   prepare_jhead DSC FOLDER         jhead unpacked into FOLDER, patched as
#                                    decided below; sets jhead_path_define

exif_sources_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

source "$exif_sources_dir/../packages.sh"

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

ensure_deb_src() {   # ensure_deb_src PACKAGE...
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
    local p
    for p in "$@"; do
        if [ -z "$(apt-cache showsrc "$p" 2>/dev/null)" ]; then
            need_root "apt-get update"
            apt_update
        fi
        [ -n "$(apt-cache showsrc "$p" 2>/dev/null)" ] || die "APT knows no source package $p"
    done
}

# A fresh download folder each time, so exactly one version of each package is
# there.  Root's apt-get warns that _apt cannot reach the folder and downloads
# unsandboxed, which is harmless here.
fetch_sources() {
    local folder=$1
    shift
    rm -rf "$folder"
    mkdir -p "$folder"
    (cd "$folder" && apt-get source --download-only -qq "$@") >"$folder/apt-source.log" 2>&1 ||
        { cat "$folder/apt-source.log" >&2; die "apt-get source $* failed"; }
    grep -v 'unsandboxed as root' "$folder/apt-source.log" >&2 || true
}

# dpkg-source cannot check the uploaders' signatures without debian-keyring and
# says so loudly; apt has already checked the files against the signed
# archive index, so its output is kept in a log unless it fails.
unpack() {
    dpkg-source "$@" >>"${unpack_log:-/dev/null}" 2>&1 ||
        { cat "${unpack_log:-/dev/null}" >&2; die "dpkg-source $* failed"; }
}

# jhead: unpacked without Debian's patches, then only the ones we chose.
prepare_jhead() {
    local dsc=$1 folder=$2 p
    unpack --skip-patches -x "$dsc" "$folder"
    (
    cd "$folder" || exit 1

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
            die "Debian's jhead has a new patch '$p'; decide about it in tools/exif/sources.sh first"
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
    #     on the search path, and expands %NAME% in file names.  Ours starts no
    #     program: the picture and the thumbnail are turned in jhead's own
    #     process with the transform jpegtran is made of (autorot-turn.c), the
    #     photos of a pattern several at once on worker threads.
    #   - Errors: upstream ends the process at the first photo jpegtran cannot
    #     read, leaving its temporary output beside it and the later files of the
    #     pattern unturned, and exits with 1 when a pattern matches nothing.  Ours
    #     leaves that photo byte for byte, removes its temporary files, goes on
    #     with the next one, and exits with 0 unless a photo that needed turning
    #     could not be turned (files that are not JPEG, and patterns that match
    #     nothing, are no failure).
    patch -s -p1 --fuzz=0 --no-backup-if-mismatch <"$exif_sources_dir/jhead-autorot.patch" || die "jhead-autorot.patch does not apply"

    # ------------------------------------- names outside the ANSI code page

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
    sed -i '/#define PATH_MAX _MAX_PATH/d' jhead.h
    sed -i -E 's/\b_?(MAX_PATH|PATH_MAX)\b/JHEAD_PATH_BYTES/g' jhead.h jhead.c jpgfile.c myglob.c paths.c exif.c iptc.c gpsinfo.c makernote.c jpgqguess.c
    if grep -En '\b_?(MAX_PATH|PATH_MAX)\b' ./*.c ./*.h; then
        die "jhead still sizes path buffers by the C runtime's limit (above)"
    fi
    )  # no "|| ...": that would switch set -e off inside
    # MAX_PATH UTF-16 units of up to 3 UTF-8 bytes each.
    jhead_path_define=-DJHEAD_PATH_BYTES=$((260 * 3))
}
