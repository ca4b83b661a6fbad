#!/usr/bin/env bash
# Builds the shipped 32-bit programs (cross-compiled, so on any machine) and
# writes the release into build/release/: Orlenza-<version>.zip and
# Orlenza-<version>-setup.exe with the programs stripped, their symbols in
# symbols/ and Orlenza-<version>-symbols.zip (kept by us, to read crash
# addresses; never given to users), and SHA256SUMS (see tools/package.sh).
# The same commit gives the same bytes, symbols included.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/target.sh"
bash "$root/tools/build.sh"
if [[ -n $(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null) ]]; then
  echo "release: the work tree has changes that are not committed; this release is not that of a commit" >&2
fi
bash "$root/tools/package.sh" i686 "$ORLENZA_BUILD/release"
