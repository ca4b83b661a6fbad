# 32-bit Windows, the shipped tools.
set(EXIF_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
