# Cross-building the 32-bit Windows program with mingw-w64 (Debian's
# g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SCRIBLANE_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
