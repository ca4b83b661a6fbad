#!/usr/bin/env bash
# Runs one Windows program in our Wine prefix; ctest's emulator for every test.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
exec wine "$@"
