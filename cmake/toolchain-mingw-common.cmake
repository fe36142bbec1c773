# The part of the mingw-w64 toolchains that both Windows targets share. Included by
# toolchain-mingw-<arch>.cmake after it sets CMAKE_SYSTEM_PROCESSOR and
# TWINSCOUT_MINGW_TRIPLE. The -posix compilers are needed for std::thread/std::mutex;
# everything links statically so the .exe runs on its own.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TWINSCOUT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TWINSCOUT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TWINSCOUT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TWINSCOUT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the test programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
