# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVANTH_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KORVANTH_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVANTH_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVANTH_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVANTH_MINGW_PREFIX})
# Libraries cross-built by scripts/build-windows.sh are found through
# CMAKE_PREFIX_PATH, which is searched below the root path too.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
