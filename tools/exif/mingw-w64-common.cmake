# CMake toolchain for Windows with Debian's MinGW-w64 cross compiler, for the
# target that the including file names in EXIF_MINGW_ARCH (i686 or x86_64).
# Used by tools/build-exif-tools.sh to build jpegtran.exe from libjpeg-turbo.
set(CMAKE_SYSTEM_NAME Windows)
# libjpeg-turbo picks its SIMD code (simd/i386 with NASM's win32 object
# format, or simd/x86_64 with win64) from this value.
set(CMAKE_SYSTEM_PROCESSOR ${EXIF_MINGW_ARCH})

set(CMAKE_C_COMPILER ${EXIF_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_RC_COMPILER ${EXIF_MINGW_ARCH}-w64-mingw32-windres)

# Look for headers and libraries only in the MinGW sysroot, never in the
# build machine's /usr, so nothing Linux-specific can leak into the .exe.
set(CMAKE_FIND_ROOT_PATH /usr/${EXIF_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
