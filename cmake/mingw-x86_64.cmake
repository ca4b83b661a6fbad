# The 64-bit Windows build, tested where 32-bit programs cannot run.
set(ORLENZA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
