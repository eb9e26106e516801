# Cross build of the Windows component for 64-bit Windows with mingw-w64; test programs run
# under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RINGMARCH_MINGW_PREFIX x86_64-w64-mingw32)
set(RINGMARCH_WIDL_TARGET_FLAG -m64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

find_program(RINGMARCH_WINE64 wine64 PATHS /usr/lib/wine /usr/bin NO_CMAKE_FIND_ROOT_PATH)
if(RINGMARCH_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RINGMARCH_WINE64})
endif()
