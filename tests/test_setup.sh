#!/usr/bin/env bash
# The release end to end. Packs the shipped i686 build twice: the same bytes
# both times, the zip's list of files, 32-bit programs and installer. Then
# test_setup.exe installs the installer of the target this build tree runs
# (ARCH) in a Wine prefix made fresh for this run and thrown away after it.
#
# Usage (from ctest): tests/test_setup.sh ARCH BUILD_TREE TEST_SETUP_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 driver=$3
export ORLENZA_ARCH=$arch ORLENZA_BUILD=${2%/*} SOURCE_DATE_EPOCH=1700000000
source "$root/tools/wine-env.sh"
# No menu entries on this machine's desktop for the installer's shortcut.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
failed=0
fail() { echo "FAIL $*"; failed=1; }
work=$(mktemp -d "$ORLENZA_BUILD/.test-setup.XXXXXX")
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

# All at once, they take the time of the slowest: a fresh prefix, and three
# packings (a and b: the i686 build, twice).
export WINEPREFIX=$work/prefix
wineboot -i >/dev/null 2>&1 &
pids=($!)
for copy in a b "$arch"; do
  bash "$root/tools/package.sh" "${copy/[ab]/i686}" "$work/$copy" >/dev/null &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || { echo "FAIL making a fresh prefix or packing"; exit 1; }; done
for f in "$work"/a/*; do cmp -s "$f" "$work/b/${f##*/}" || fail "${f##*/} differs between two packings"; done
zip=$(echo "$work"/a/Orlenza-*.zip)
listed=$(LC_ALL=C.UTF-8 zipinfo -1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[[ $listed == "Orlenza/Orlenza.exe Orlenza/jhead.exe Orlenza/jpegtran.exe Orlenza/licenses/jhead.txt"`
             `" Orlenza/licenses/libjpeg-turbo.txt Orlenza/使用说明.txt " ]] || fail "the zip holds: $listed"
unzip -q "$zip" -d "$work/unzipped"
for exe in "$work"/unzipped/Orlenza/*.exe "$work"/a/*-setup.exe; do
  [[ $(LC_ALL=C i686-w64-mingw32-objdump -f "$exe") == *"file format pei-i386"* ]] || fail "${exe##*/} is not 32-bit"
done
echo "made a fresh prefix, packed the i686 build twice and the $arch build once (${SECONDS}s)"

setup=$(echo "$work/$arch"/*-setup.exe)
export ORLENZA_SETUP="Z:${setup//\//\\}"
echo "installing the $arch installer, with the $arch programs, under $ORLENZA_WINE"
# One after another in the one fresh prefix: each case checks that it gives
# back what it found, and a prefix's first start costs more than a case.
names=(install_and_uninstall_give_the_path_back path_entries_are_appended_once_and_taken_out_exactly
       reinstall_elsewhere_moves_the_entry)
output=$(wine "$driver" "${names[@]}" </dev/null 2>&1) || true
echo "$output (${SECONDS}s)"
# A misspelt name would run nothing and pass: count what passed.
grep -q "^${#names[@]} passed, 0 failed" <<<"$output" || fail "installing"
exit $failed
