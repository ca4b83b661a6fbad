# CMake toolchain for 32-bit Windows with Debian's MinGW-w64 cross compiler.
# Used by tools/build-exif-tools.sh to build jpegtran.exe from libjpeg-turbo.
set(CMAKE_SYSTEM_NAME Windows)
# libjpeg-turbo picks its SIMD code (simd/i386, NASM object format win32)
# from this value.
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# Look for headers and libraries only in the MinGW sysroot, never in the
# build machine's /usr, so nothing Linux-specific can leak into the .exe.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
