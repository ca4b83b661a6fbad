#!/usr/bin/env bash
# The release end to end. Packs the shipped i686 build twice: the same bytes
# both times, the zip's list of files, 32-bit programs and installer, the
# programs stripped and their symbols kept apart, readable. Then
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
# A command that stops the script (set -e) says which, or the test fails silently.
trap 'echo "FAIL at line $LINENO: $BASH_COMMAND"' ERR
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
differs=$(diff -rq "$work/a" "$work/b") || fail "two packings differ: $differs"
zip=$(echo "$work"/a/Orlenza-*[0-9].zip) symbols_zip=$(echo "$work"/a/Orlenza-*-symbols.zip)
listed=$(LC_ALL=C.UTF-8 zipinfo -1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[[ $listed == "Orlenza/Orlenza.exe Orlenza/jhead.exe Orlenza/jpegtran.exe Orlenza/licenses/jhead.txt"`
             `" Orlenza/licenses/libjpeg-turbo.txt Orlenza/使用说明.txt " ]] || fail "the zip holds: $listed"
unzip -q "$zip" -d "$work/unzipped"
for exe in "$work"/unzipped/Orlenza/*.exe "$work"/a/*-setup.exe; do
  [[ $(LC_ALL=C i686-w64-mingw32-objdump -f "$exe") == *"file format pei-i386"* ]] || fail "${exe##*/} is not 32-bit"
done

# The zip's programs carry no symbols. What each had is in the debug file
# that its debug link names, which objdump and addr2line take only if its CRC
# is the one the link holds. An address inside each (the first of a function
# of ours) reads back to that function and its line; no debug file names the
# folders it was built in, as a path or as the symbol name a tool makes of one.
programs=$work/unzipped/Orlenza
listed=$( (LC_ALL=C zipinfo -1 "$symbols_zip" || true) | LC_ALL=C sort | tr '\n' ' ')
[[ $listed == "Orlenza.exe.debug jhead.exe.debug jpegtran.exe.debug pathentry.exe.debug " ]] ||
  fail "the symbols' zip holds: $listed"
unzip -q "$symbols_zip" -d "$programs" 2>/dev/null || true  # an empty one failed above
for row in "Orlenza.exe _wWinMain@16 app/main.cpp wWinMain(" \
           "jhead.exe _ArTurnPhoto tools/exif/autorot-core.c ^const.char.\*ArTurnPhoto(" \
           "jpegtran.exe _main libjpeg-turbo/jpegtran.c"; do
  read -r exe symbol source pattern <<<"$row"
  header=$(LC_ALL=C i686-w64-mingw32-objdump -f -h --dwarf=links "$programs/$exe" 2>&1)
  [[ $header != *HAS_SYMS* && $header != *" .debug_"* ]] || fail "$exe carries symbols"
  found=$(sed -n 's/.*Found separate debug info file: .*\///p' <<<"$header")
  [[ $found == "$exe.debug" ]] || fail "$exe has the debug file '$found' by its link, not '$exe.debug'"
  addr=$(i686-w64-mingw32-nm "$programs/$exe.debug" | awk -v s="$symbol" '$3 == s { print $1 }') || true
  read_back=$(LC_ALL=C i686-w64-mingw32-addr2line -f -p -e "$programs/$exe" "0x${addr:-0}")
  [[ $read_back == "${symbol#_} at "*"$source:"[0-9]* ]] || fail "0x$addr in $exe reads back as '$read_back'"
  if [[ -n $pattern ]]; then  # our own sources: the function's first lines (its name to its brace)
    line=$(grep -n -e "$pattern" "$root/$source" | head -1 | cut -d: -f1) read=${read_back##*:}
    ((read >= line && read <= line + 3)) || fail "$exe: '$read_back' is not where $source defines ${symbol#_}"
  fi
done
for dir in "$root/" "$ORLENZA_BUILD/"; do
  ! grep -q -a -F -e "$dir" -e "${dir//[^A-Za-z0-9]/_}" "$programs"/*.debug || fail "a debug file names $dir"
done
# A build that missed a changed version.h or manifest shipped the old one.
version=${zip##*/Orlenza-} version=${version%.zip}
[[ $(i686-w64-mingw32-strings -el -n3 "$programs/Orlenza.exe" | grep -A1 -x FileVersion | tail -1) == "$version" ]] &&
  grep -q -a "assemblyIdentity version=\"$version.0.0\"" "$programs/Orlenza.exe" ||
  fail "Orlenza.exe names another version than $version in its version resource or manifest"
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
