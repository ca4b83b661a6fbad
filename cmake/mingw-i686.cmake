# The shipped 32-bit Windows build.
set(ORLENZA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
