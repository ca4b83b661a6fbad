#!/usr/bin/env bash
# The release end to end. Packs the shipped i686 build twice and checks the
# zip: the same bytes both times, its list of files, 32-bit tools and a
# 32-bit installer. Then installs the installer of the target this build
# tree runs (ARCH) with test_setup.exe, in throwaway Wine prefixes copied
# from one made fresh for this run.
#
# Usage (from ctest): tests/test_setup.sh ARCH BUILD_TREE TEST_SETUP_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 tree=$2 driver=$3
export ORLENZA_ARCH=$arch ORLENZA_BUILD=${tree%/*}
source "$root/tools/wine-env.sh"
# No menu entries in this machine's desktop for the test's shortcuts.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
failed=0
fail() { echo "FAIL $*"; failed=1; }

work=$(mktemp -d "$ORLENZA_BUILD/.test-setup.XXXXXX")
prefixes=()
cleanup() {
  for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export SOURCE_DATE_EPOCH=1700000000
for copy in a b; do
  bash "$root/tools/package.sh" i686 "$work/$copy" >/dev/null || { echo "FAIL packing the i686 build"; exit 1; }
done
for f in "$work"/a/*; do
  cmp -s "$f" "$work/b/${f##*/}" || fail "${f##*/} differs between two packings of the same build"
done
zip=$(echo "$work"/a/Orlenza-*.zip)
expected='Orlenza/Orlenza.exe Orlenza/jhead.exe Orlenza/jpegtran.exe Orlenza/licenses/jhead.txt Orlenza/licenses/libjpeg-turbo.txt Orlenza/使用说明.txt'
listed=$(LC_ALL=C.UTF-8 zipinfo -1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[[ "$listed" == "$expected " ]] || fail "the zip holds: $listed"
is_32bit() { [[ $(LC_ALL=C i686-w64-mingw32-objdump -f "$1") == *"file format pei-i386"* ]]; }
for exe in Orlenza jhead jpegtran; do
  unzip -p "$zip" "Orlenza/$exe.exe" >"$work/$exe.exe"
  is_32bit "$work/$exe.exe" || fail "the zip's $exe.exe is not 32-bit"
done
is_32bit "$work"/a/*-setup.exe || fail "the installer is not 32-bit"
echo "packed the i686 build twice: $(cd "$work/a" && echo *) (${SECONDS}s)"

if [[ $arch == i686 ]]; then
  setup=$(echo "$work"/a/*-setup.exe)
else
  bash "$root/tools/package.sh" "$arch" "$work/$arch" >/dev/null || { echo "FAIL packing the $arch build"; exit 1; }
  setup=$(echo "$work/$arch"/*-setup.exe)
fi
echo "installing the $arch installer ($arch programs) under $ORLENZA_WINE"
export ORLENZA_SETUP="Z:${setup//\//\\}"

export WINEPREFIX=$work/fresh
prefixes+=("$WINEPREFIX")
wineboot -i >/dev/null 2>&1 && wineserver -w || { echo "FAIL making a fresh Wine prefix"; exit 1; }
echo "made a fresh prefix (${SECONDS}s)"
# The first install on the untouched prefix; then the other PATHs one after
# another in a second copy: each case gives back the PATH it found, and a
# prefix's first start costs more than a case.
groups=("install_on_the_prefix_path path_entries_are_appended_once_and_taken_out_exactly"
        "install_on_a_path_of_4000_characters install_without_a_path_creates_one install_keeps_an_entry_that_was_there install_leaves_a_path_it_cannot_edit_alone")
for i in "${!groups[@]}"; do
  read -r -a names <<<"${groups[$i]}"
  # Linked copies cost nothing; Wine replaces the registry files it saves
  # rather than writing into them, so the fresh prefix stays as it was.
  export WINEPREFIX=$work/prefix$i
  prefixes+=("$WINEPREFIX")
  cp -al "$work/fresh" "$WINEPREFIX"
  # A misspelt name would run nothing and pass: count what passed.
  output=$(wine "$driver" "${names[@]}" </dev/null 2>&1) || true
  echo "$output (${SECONDS}s)"
  grep -q "^${#names[@]} passed, 0 failed" <<<"$output" || fail "${names[*]}"
  wineserver -k 2>/dev/null || true
done
exit $failed
