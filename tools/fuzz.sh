#!/usr/bin/env bash
# Fuzzes what jhead.exe does with an untrusted photo: jhead's own reading and
# our turn (tools/exif/autorot-core.c), built natively for Linux from the same
# Debian source and patches as jhead.exe, with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer (tools/fuzz/fuzz_autorot.c).
#
# Usage: tools/fuzz.sh [SECONDS]   fuzz for SECONDS (600 unless given)
#        tools/fuzz.sh --replay    run the target once over the regression
#                                  inputs and the seeds that need no download
#                                  (what the tests do; no fuzzing)
#        tools/fuzz.sh --build     only build the target
#
# Everything lives in build/fuzz: the target (rebuilt when its inputs
# change), the seeds, the corpus the fuzzer grows (kept from run to run) and
# the findings. Seeds: the end-to-end test's kinds of photos
# (tests/photos.sh), jhead's own test photos, and the real camera files of
# tools/check-cameras.sh (exiv2's and exiftool's test data, fetched once into
# build/cameras); each photo also as orientation 6, so that the turn is
# reached and not only the reading. A fuzz run prints its executions, its
# coverage, and its findings, each input kept in build/fuzz/findings; it
# exits 1 when there are any. Each mended finding's input goes into
# tools/fuzz/regressions, which --replay runs under the same sanitizers.
set -euo pipefail

die() { echo "fuzz: $*" >&2; exit 2; }
say() { echo "fuzz: $*"; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
: "${ORLENZA_BUILD:=$root/build}"
out=$ORLENZA_BUILD/fuzz
mode=fuzz seconds=600
case ${1:-} in
    --replay) mode=replay ;;
    --build) mode=build ;;
    ''|*[!0-9]*) [ -z "${1:-}" ] || die "usage: $0 [SECONDS | --replay | --build]" ;;
    *) seconds=$1 ;;
esac

source "$here/exif/sources.sh"
ensure_packages clang libfuzzer-14-dev llvm-14 dpkg-dev patch xz-utils imagemagick libimage-exiftool-perl
mkdir -p "$out"
echo '*' >"$out/.gitignore"

# ------------------------------------------------------------------ build

target=$out/fuzz_autorot
inputs_hash() {
    cat "$here/fuzz.sh" "$here/exif/sources.sh" "$here/exif/jhead-autorot.patch" "$here/exif"/autorot-*.[ch] \
        "$here/fuzz/fuzz_autorot.c" | sha256sum | cut -d' ' -f1
}
want=$(inputs_hash)
if [ ! -x "$target" ] || [ "$(cat "$out/.stamp" 2>/dev/null)" != "$want" ]; then
    exec 9>"$out/.lock"
    flock 9
    ensure_deb_src jhead
    src=$out/src
    unpack_log=$src/dpkg-source.log
    fetch_sources "$src" jhead
    set -- "$src"/jhead_*.dsc
    [ -f "$1" ] || die "apt-get source brought no jhead"
    prepare_jhead "$1" "$src/jhead"
    say "building the fuzz target"
    # jhead's main() gives way to libFuzzer's. -O1 -g as libFuzzer advises;
    # every sanitizer report ends the run (no recovery).
    flags=(-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
           "$jhead_path_define" -I"$src/jhead" -I"$here/exif")
    jhead_sources=(jhead.c jpgfile.c jpgqguess.c paths.c exif.c iptc.c gpsinfo.c makernote.c)
    clang "${flags[@]}" -w -Dmain=jhead_main "${jhead_sources[@]/#/$src/jhead/}" \
        "$here/exif/autorot-core.c" "$here/exif/autorot-jhead.c" "$here/fuzz/fuzz_autorot.c" \
        -o "$target.new" -lm 2>"$out/build.log" || { cat "$out/build.log" >&2; die "building the fuzz target failed"; }
    mv -f "$target.new" "$target"
    echo "$want" >"$out/.stamp"
fi

# Every leak is a finding too: jhead.exe reads thousands of photos a run.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# ------------------------------------------------------------------ seeds

# make_seeds FOLDER [cameras]: the end-to-end test's kinds of photos (each
# kind of metadata, with and without a thumbnail, every orientation), jhead's
# own test photos (real cameras, and its past fuzzing findings), with
# `cameras` the camera corpus; each also as orientation 6 where exiftool can
# write that.
make_seeds() {
    local folder=$1
    rm -rf "$folder"
    mkdir -p "$folder"
    (
        cd "$folder"
        work=$folder
        . "$root/tests/photos.sh"
        for o in 1 2 3 4 5 6 7 8; do photo "o$o.jpg" "$o"; photo "o$o-thumb.jpg" "$o" thumb; done
        for kind in icc iptc xmpext xmporient sizes segments mpf mpfpast trailer textthumb comment; do
            photo "$kind.jpg" 6 thumb && "$kind" "$kind.jpg"
        done
        photos_clean
    ) >/dev/null 2>"$out/seeds.log" || { cat "$out/seeds.log" >&2; die "making the seed photos failed"; }
    find "$out/src/jhead/tests" -type f -iname '*.jpg' -size -256k -exec cp --backup=numbered -t "$folder" {} +
    if [ "${2:-}" = cameras ]; then
        bash "$here/check-cameras.sh" --corpus-only >/dev/null || die "fetching the camera corpus failed"
        find "$ORLENZA_BUILD/cameras/src" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -size -256k \
            -exec cp -t "$folder" --backup=numbered {} +
    fi
    # One exiftool for them all: it takes a while to start.
    exiftool -q -q -m -n -Orientation=6 -o '%d%f.o6.jpg' "$folder" 2>/dev/null || true
}

# The replay's seeds need no download; made again when what makes them changes.
seeds=$out/seeds
want_seeds=$(cat "$root/tests/photos.sh" "$here/fuzz.sh" "$out/.stamp" | sha256sum | cut -d' ' -f1)
if [ "$mode" = fuzz ]; then
    make_seeds "$seeds" cameras
    rm -f "$out/.seeds-stamp"
elif [ "$(cat "$out/.seeds-stamp" 2>/dev/null)" != "$want_seeds" ]; then
    make_seeds "$seeds"
    echo "$want_seeds" >"$out/.seeds-stamp"
fi
[ "$mode" != build ] || { say "built $target and its seeds"; exit 0; }

# ------------------------------------------------------------------ run

if [ "$mode" = replay ]; then
    count=$(find "$here/fuzz/regressions" "$seeds" -type f | wc -l)
    started=$(date +%s%N)
    "$target" -runs=0 -close_fd_mask=3 -artifact_prefix="$out/" "$here/fuzz/regressions" "$seeds" >"$out/replay.log" 2>&1 ||
        { tail -60 "$out/replay.log" >&2; die "the replay found a fault (above)"; }
    say "replayed $count inputs in $(( ($(date +%s%N) - started) / 1000000 )) ms, no finding"
    exit 0
fi

corpus=$out/corpus findings=$out/findings
mkdir -p "$corpus" "$findings"
# Findings of earlier runs stay; this run counts its own.
touch "$out/.started"
say "fuzzing for $seconds s with $(find "$seeds" -type f | wc -l) seeds and $(find "$corpus" -type f | wc -l) inputs kept from earlier runs"
set +e
# jhead writes a line to the standard error for each oddity it meets: gigabytes
# in a long run. close_fd_mask closes the target's standard output and error;
# libFuzzer and the sanitizers report on a copy of the latter.
"$target" -max_total_time="$seconds" -max_len=262144 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=3 \
    -artifact_prefix="$findings/" "$corpus" "$seeds" "$here/fuzz/regressions" >"$out/fuzz.log" 2>&1
status=$?
set -e
stats=$(grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$out/fuzz.log" |
        sed 's/^stat:://' | awk '!seen[$0]++')
say "$(grep -E '^#[0-9]+' "$out/fuzz.log" | tail -1)"
echo "$stats" | sed 's/^/fuzz: /'
# Which functions of our turn the corpus reaches.
"$target" -runs=0 -print_coverage=1 -close_fd_mask=3 "$corpus" >"$out/coverage.log" 2>&1 || true
uncovered=$(grep 'UNCOVERED_FUNC.*autorot-' "$out/coverage.log" | sed 's/.*UNCOVERED_FUNC: *//' || true)
say "functions of autorot-core.c and autorot-jhead.c reached: $(grep -E '^COVERED_FUNC.*autorot-' "$out/coverage.log" | wc -l), never reached: $(echo -n "$uncovered" | grep -c . || true)"
[ -z "$uncovered" ] || echo "$uncovered" | sed 's/^/fuzz:   never reached: /'
found=$(find "$findings" -type f -newer "$out/.started" | wc -l)
if [ "$status" != 0 ] || [ "$found" != 0 ]; then
    grep -E 'ERROR: |SUMMARY: |runtime error' "$out/fuzz.log" | head -5 | sed 's/^/fuzz: /'
    say "findings: $found (inputs in $findings; the log is $out/fuzz.log)"
    exit 1
fi
say "findings: 0"
