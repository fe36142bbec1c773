# Cross-compile for 32-bit Windows with mingw-w64 (see toolchain-mingw-common.cmake).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TWINSCOUT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
