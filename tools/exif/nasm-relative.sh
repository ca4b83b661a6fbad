#!/usr/bin/env bash
# nasm for libjpeg-turbo's SIMD code (tools/build-exif-tools.sh hands it to
# CMake as the assembler), with the source file named relative to the folder
# nasm runs in. CMake names it by its absolute path, which nasm writes into
# each object's .file record: the build folder would end up in the programs'
# symbols, and builds in different folders would differ.
args=()
for arg in "$@"; do
    [[ $arg == /*.asm ]] && arg=$(realpath --relative-to=. "$arg")
    args+=("$arg")
done
exec nasm "${args[@]}"
