# Cross build of the Windows component for 32-bit Windows with mingw-w64. Only built here: the
# machine's Wine runs 64-bit programs only.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(RINGMARCH_MINGW_PREFIX i686-w64-mingw32)
set(RINGMARCH_WIDL_TARGET_FLAG -m32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
