#!/usr/bin/env bash
# Runs one Windows program in our Wine prefix; ctest's emulator for every
# test. The toolchain file passes the target the test was built for first.
export ORLENZA_ARCH=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
exec "$ORLENZA_WINE" "$@"
