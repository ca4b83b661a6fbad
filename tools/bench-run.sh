#!/usr/bin/env bash
# The rotation-run benchmark: the built Orlenza.exe against a plain loop of
# the same jhead.exe starts. Prints each round, the sums and the ratio, and
# fails when the ratio misses its goal. An argument sets the number of rounds
# (20; a round takes some 4 seconds).
exec bash "$(dirname "$0")/bench.sh" bench_run "$@"
